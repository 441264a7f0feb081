#pragma once

#include "Model/JsonCoding.h"

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

    void write(Json::Writer& writer) const;

    QJsonObject toJson() const { return Json::toObject(*this); }
    static TaskWorkspaceState fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskWorkspaceState&, const TaskWorkspaceState&) = default;
};
