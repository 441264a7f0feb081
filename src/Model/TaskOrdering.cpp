#include "Model/TaskOrdering.h"

#include "Platform/Text.h"
#include "Platform/Uuid.h"

#include <algorithm>
#include <limits>

namespace TaskOrdering {

bool openTaskOrder(const TaskItem& a, const TaskItem& b)
{
    if (const int bySection = a.sectionID.compare(b.sectionID); bySection != 0)
        return bySection < 0;
    if (a.sortOrder != b.sortOrder)
        return a.sortOrder < b.sortOrder;
    if (a.createdAt != b.createdAt)
        return a.createdAt < b.createdAt;
    return Uuid::compare(a.id, b.id) < 0;
}

bool completedTaskOrder(const TaskItem& a, const TaskItem& b)
{
    constexpr Date distantPast{-std::numeric_limits<double>::max()};
    const Date keyA = a.completedAt.value_or(distantPast);
    const Date keyB = b.completedAt.value_or(distantPast);
    if (keyA != keyB)
        return keyA > keyB;
    if (a.sectionID == b.sectionID)
        return a.sortOrder < b.sortOrder;
    return a.sectionID.compare(b.sectionID) < 0;
}

bool priorityOrder(const std::pair<qsizetype, TaskItem>& a, const std::pair<qsizetype, TaskItem>& b)
{
    if (a.second.priority == b.second.priority)
        return a.first < b.first;
    return a.second.priority < b.second.priority;
}

bool sectionDisplayOrder(const TaskSection& a, const TaskSection& b)
{
    if (a.sortOrder != b.sortOrder)
        return a.sortOrder < b.sortOrder;
    return Text::localizedCaseInsensitiveCompare(a.title, b.title) < 0;
}

bool sectionIDOrder(const QString& a, const QString& b, const QMap<QString, QString>& titlesByID)
{
    const int positionA = BuiltInSections::position(a);
    const int positionB = BuiltInSections::position(b);
    if (positionA >= 0 && positionB >= 0)
        return positionA < positionB;
    if (positionA >= 0 || positionB >= 0)
        return positionA >= 0;
    return Text::localizedCaseInsensitiveCompare(titlesByID.value(a, a), titlesByID.value(b, b)) < 0;
}

void sortOpenTasks(TaskList& tasks)
{
    // The list is nearly always in order already (every transform keeps it
    // so); checking is one pass, and leaves a shared list shared.
    if (std::is_sorted(tasks.cbegin(), tasks.cend(), openTaskOrder))
        return;
    std::stable_sort(tasks.begin(), tasks.end(), openTaskOrder);
}

void sortSectionsForDisplay(SectionList& sections)
{
    std::stable_sort(sections.begin(), sections.end(), sectionDisplayOrder);
}

} // namespace TaskOrdering
