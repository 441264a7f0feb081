#pragma once

#include <QMap>
#include <QString>
#include <optional>

// What the sorting service is told about the workspace being sorted.
struct TaskSortContext {
    QString workspaceID;
    QString workspaceTitle;
    QString workspacePurpose;
    bool isAllWorkspace = false;
    std::optional<QString> defaultCustomPrompt;   // untrimmed
    std::optional<QString> workspaceCustomPrompt; // untrimmed; none when none is stored
    QMap<QString, QString> sectionTitlesByID;
    QMap<QString, QString> sectionPurposesByID;
    QMap<QString, QString> sectionCustomPromptsByID; // existing sections only

    friend bool operator==(const TaskSortContext&, const TaskSortContext&) = default;
};
