#pragma once

#include "Model/TaskItem.h"
#include "Sorting/TaskSortContext.h"

#include <QList>
#include <QString>

// The texts AI Sort sends to the model: the session instructions and the two
// prompt plans, full first and compact second.
namespace TaskSortPrompts {

struct PromptPlan {
    QString prompt;

    friend bool operator==(const PromptPlan&, const PromptPlan&) = default;
};

QString instructions();

QString workspacePrompt(const TaskSortContext& context);
QString sectionPrompts(const TaskSortContext& context);
QString taskLines(const TaskList& tasks, const TaskSortContext& context);

PromptPlan fullPlan(const TaskList& tasks, const TaskSortContext& context);
PromptPlan compactPlan(const TaskList& tasks, const TaskSortContext& context);
QList<PromptPlan> plans(const TaskList& tasks, const TaskSortContext& context);

// A stored title or prompt may be megabytes long; the model is shown this
// much of it, which is more than any task or instruction needs.
inline constexpr qsizetype titlePrefixLength = 500;
inline constexpr qsizetype customPromptPrefixLength = 4000;

// A title as a prompt line may show it: at most titlePrefixLength characters,
// line breaks and other control characters turned into spaces, so a title
// cannot start a line of its own.
QString singleLine(const QString& title);

} // namespace TaskSortPrompts
