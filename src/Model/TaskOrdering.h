#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskSection.h"

#include <QMap>
#include <utility>

// Strict "goes before" predicates, always used with stable sorts.
namespace TaskOrdering {

// By section id, then sortOrder, then createdAt, then the id's canonical string.
bool openTaskOrder(const TaskItem& a, const TaskItem& b);
// Newest completion first (none counts as the distant past), then sortOrder
// within a section, then section id.
bool completedTaskOrder(const TaskItem& a, const TaskItem& b);
// high, medium, low; input position inside a priority.
bool priorityOrder(const std::pair<qsizetype, TaskItem>& a, const std::pair<qsizetype, TaskItem>& b);

// Ascending sortOrder, then title (localized, case-insensitive); ids play no part.
bool sectionDisplayOrder(const TaskSection& a, const TaskSection& b);
// Built-in sections first in their default order, then the others by title.
bool sectionIDOrder(const QString& a, const QString& b, const QMap<QString, QString>& titlesByID);

void sortOpenTasks(TaskList& tasks);
void sortSectionsForDisplay(SectionList& sections);

} // namespace TaskOrdering
