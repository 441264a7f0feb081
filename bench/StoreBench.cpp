// Store save+load of a large workspace against the floor of parsing and
// serialising the same bytes with QJsonDocument alone.
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

TaskWorkspaceState largeWorkspace(int taskCount)
{
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.sections.append({"section.custom.5b0c2f3e-2d4f-4e6a-9b1c-0d2e3f4a5b6c", "Garden", TaskSection::Kind::custom, 4,
                           TaskSectionAccent::green});
    const TaskPriority priorities[] = {TaskPriority::high, TaskPriority::medium, TaskPriority::low};
    for (int i = 0; i < taskCount; ++i) {
        TaskItem t;
        t.id = QUuid::createUuid();
        t.title = QStringLiteral("Task number %1 with a realistic title").arg(i);
        t.sectionID = state.sections[i % state.sections.size()].id;
        t.priority = priorities[i % 3];
        t.sortOrder = i / state.sections.size();
        t.createdAt = Date{700000000.0 + i * 37.25};
        if (i % 2 == 0) {
            t.reasonText = QStringLiteral("Due this week and blocks other work");
            t.aiReasonSourceTitle = t.title;
            t.aiStatesByWorkspace.insert(t.sectionID, {t.priority, t.reasonText, t.title});
            t.aiStatesByWorkspace.insert(QStringLiteral("workspace.all"), {TaskPriority::medium, t.reasonText, t.title});
        }
        if (i % 5 == 0) {
            t.isCompleted = true;
            t.completedAt = Date{710000000.0 + i};
        } else if (i % 7 == 0) {
            t.reminder = TaskReminder{Date{720000000.0 + i}, false};
        }
        state.tasks.append(t);
    }
    return UserDefaultsTaskStore::normalized(state);
}

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
