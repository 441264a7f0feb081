#pragma once

#include "Model/TaskSection.h"

#include <QString>
#include <optional>

// A workspace as the views show it.
struct TaskWorkspaceTab {
    QString id;
    QString title;
    QString purpose;
    bool isAllWorkspace = false;
    QString iconName;
    bool canRename = false;
    bool canDelete = false;
    std::optional<TaskSectionAccent> accent;

    friend bool operator==(const TaskWorkspaceTab&, const TaskWorkspaceTab&) = default;
};
