#pragma once

#include "Model/StoreError.h"
#include "Model/TaskWorkspaceState.h"

class TaskStore {
public:
    virtual ~TaskStore() = default;
    virtual TaskWorkspaceState load() = 0;               // throws StoreError
    virtual void save(const TaskWorkspaceState& state) = 0; // throws StoreError
};
