#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskSection.h"

#include <QMap>

inline const QString kAllWorkspaceID = QStringLiteral("workspace.all");

// The whole stored workspace, one JSON value.
struct TaskWorkspaceState {
    SectionList sections;
    TaskList tasks;
    QString selectedWorkspaceID;
    QMap<QString, QString> workspacePromptsByID;
    QString defaultPromptOverride;

    // Built-in sections, no tasks, the aggregate workspace selected, no prompts.
    static TaskWorkspaceState defaultState();

    QJsonObject toJson() const;
    static TaskWorkspaceState fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskWorkspaceState&, const TaskWorkspaceState&) = default;
};
