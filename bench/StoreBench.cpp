// Store save+load of a large workspace against the floor of parsing and
// serialising the same bytes with QJsonDocument alone.
#include "BenchWorkspace.h"
#include "Model/UserDefaultsTaskStore.h"
#include "Platform/UserDefaults.h"

#include <QJsonDocument>
#include <QMap>
#include <benchmark/benchmark.h>

namespace {

class InMemoryDefaults final : public UserDefaults {
public:
    std::optional<QByteArray> data(const QString& key, QString* = nullptr) const override
    {
        const auto it = values.constFind(key);
        return it == values.constEnd() ? std::nullopt : std::optional<QByteArray>(*it);
    }
    bool setData(const QString& key, const QByteArray& bytes, QString*) override
    {
        values.insert(key, bytes);
        return true;
    }
    QStringList keys() const override { return values.keys(); }
    QMap<QString, QByteArray> values;
};

void BM_StoreSaveThenLoad(benchmark::State& s)
{
    InMemoryDefaults defaults;
    UserDefaultsTaskStore store(defaults, "quaver-loom.tasks");
    const TaskWorkspaceState state = largeWorkspace(static_cast<int>(s.range(0)));
    for (auto _ : s) {
        store.save(state);
        benchmark::DoNotOptimize(store.load());
    }
    s.counters["bytes"] = static_cast<double>(defaults.values.first().size());
}

void BM_JsonDocumentFloor(benchmark::State& s)
{
    const QByteArray bytes = UserDefaultsTaskStore::encode(largeWorkspace(static_cast<int>(s.range(0))));
    for (auto _ : s) {
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(document.toJson(QJsonDocument::Compact));
    }
}

} // namespace

BENCHMARK(BM_StoreSaveThenLoad)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonDocumentFloor)->Arg(10000)->Unit(benchmark::kMillisecond);

namespace {
void BM_StoreEncodeOnly(benchmark::State& s)
{
    const TaskWorkspaceState state = largeWorkspace(static_cast<int>(s.range(0)));
    for (auto _ : s)
        benchmark::DoNotOptimize(UserDefaultsTaskStore::encode(state));
}

void BM_StoreDecodeOnly(benchmark::State& s)
{
    const QByteArray bytes = UserDefaultsTaskStore::encode(largeWorkspace(static_cast<int>(s.range(0))));
    for (auto _ : s)
        benchmark::DoNotOptimize(UserDefaultsTaskStore::decode(bytes));
}
} // namespace

BENCHMARK(BM_StoreEncodeOnly)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreDecodeOnly)->Arg(10000)->Unit(benchmark::kMillisecond);
