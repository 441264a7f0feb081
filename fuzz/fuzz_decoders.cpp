// Feeds arbitrary bytes to the stored-record decoders: they must fail cleanly
// with DecodingError, never crash or hang, and what they accept must re-encode
// to something they accept again. The streaming task record reader must agree
// with the tree reader on every input: the same failure text, or the same
// records bit for bit.
#include "Model/JsonCoding.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Support/RecordReaderComparison.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::string difference = RecordReaderComparison::difference(bytes);
    if (!difference.empty()) {
        std::fprintf(stderr, "The task record readers disagree: %s\n", difference.c_str());
        std::abort();
    }
    try {
        const TaskWorkspaceState state = UserDefaultsTaskStore::decode(bytes);
        const TaskWorkspaceState again = UserDefaultsTaskStore::decode(UserDefaultsTaskStore::encode(state));
        if (again.tasks.size() != state.tasks.size() || again.sections.size() != state.sections.size())
            std::abort();
    } catch (const DecodingError&) {
    }
    try {
        const AppPreferences preferences = UserDefaultsAppPreferencesStore::decode(bytes);
        if (!(UserDefaultsAppPreferencesStore::decode(Json::serialize(preferences.toJson())) == preferences))
            std::abort();
    } catch (const DecodingError&) {
    }
    return 0;
}
