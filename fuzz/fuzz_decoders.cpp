// Feeds arbitrary bytes to the stored-record decoders: they must fail cleanly
// with DecodingError, never crash or hang, and what they accept must re-encode
// to something they accept again.
#include "Model/JsonCoding.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Model/UserDefaultsTaskStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
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
