#pragma once

#include "Model/StoreError.h"
#include "Model/TaskWorkspaceState.h"

#include <optional>

class TaskStore {
public:
    virtual ~TaskStore() = default;
    virtual TaskWorkspaceState load() = 0;               // throws StoreError
    virtual void save(const TaskWorkspaceState& state) = 0; // throws StoreError
    // The last resort when saves keep failing: the workspace written somewhere
    // else. Its path, or nullopt with the reason in *error.
    virtual std::optional<QString> keepUnsavedCopy(const TaskWorkspaceState& state, QString* error = nullptr)
    {
        Q_UNUSED(state);
        if (error)
            *error = QStringLiteral("this store keeps no copies");
        return std::nullopt;
    }
};
