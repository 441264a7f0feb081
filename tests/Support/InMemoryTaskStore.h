#pragma once

#include "Model/TaskStore.h"

#include <optional>

// A task store in memory; loads and saves can be made to fail.
class InMemoryTaskStore final : public TaskStore {
public:
    explicit InMemoryTaskStore(std::optional<TaskWorkspaceState> stored = std::nullopt) : stored(std::move(stored)) {}

    TaskWorkspaceState load() override
    {
        ++loadCount;
        if (failLoad)
            throw StoreError(QStringLiteral("load refused"));
        return stored.value_or(TaskWorkspaceState::defaultState());
    }

    void save(const TaskWorkspaceState& state) override
    {
        if (failSave)
            throw StoreError(QStringLiteral("disk full"));
        ++saveCount;
        stored = state;
    }

    std::optional<TaskWorkspaceState> stored;
    int loadCount = 0;
    int saveCount = 0;
    bool failLoad = false;
    bool failSave = false;
};
