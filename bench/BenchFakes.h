#pragma once

#include "Model/TaskStore.h"
#include "Sorting/TaskSortingService.h"

// Services that cost nothing, so the benchmarks time only the code under test.
class NoOpTaskStore final : public TaskStore {
public:
    explicit NoOpTaskStore(TaskWorkspaceState state) : m_state(std::move(state)) {}
    TaskWorkspaceState load() override { return m_state; }
    void save(const TaskWorkspaceState&) override {}

private:
    TaskWorkspaceState m_state;
};

class SilentSortingService final : public TaskSortingService {
public:
    void sortTasks(const TaskList&, const TaskSortContext&, QObject*, Completion) override {}
};
