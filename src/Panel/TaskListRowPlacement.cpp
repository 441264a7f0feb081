#include "Panel/TaskListView.h"

#include "Model/TaskWorkspaceState.h"
#include "Panel/AddTaskRow.h"
#include "UI/TemplateStyle.h"

#include <QScrollBar>
#include <algorithm>
#include <cmath>

// Row pairing and placement: which row shows which task after a change, where
// each row and the composer stand, which rows are built near the view, and
// the slides of what changed places.

QHash<QString, QString> TaskListView::sectionTitles() const
{
    // Only the aggregate workspace names sections; the first section of an id wins.
    QHash<QString, QString> titles;
    if (m_inputs.selectedWorkspaceID != kAllWorkspaceID)
        return titles;
    for (const TaskSection& section : m_inputs.sections) {
        if (!titles.contains(section.id))
            titles.insert(section.id, section.title);
    }
    return titles;
}

std::optional<QString> TaskListView::sectionTitleOf(const QHash<QString, QString>& titles, const TaskItem& task)
{
    const auto title = titles.constFind(task.sectionID);
    return title != titles.cend() ? std::optional<QString>(*title) : std::nullopt;
}

bool TaskListView::keepsHeight(const Item& previous, const TaskItem& previousTask,
                               const std::optional<QString>& sectionTitle, const TaskItem& task)
{
    // Whatever adds or removes a line of the row: title, section badge, reason, reminder.
    return previous.heightValid && previousTask.title == task.title && previous.sectionTitle == sectionTitle
           && TaskRowView::isAIReasonCurrent(previousTask) == TaskRowView::isAIReasonCurrent(task)
           && previousTask.reminder.has_value() == task.reminder.has_value();
}

bool TaskListView::matchRows(const TaskList& previousTasks, bool styleChanged, double now)
{
    const QHash<QString, QString> titles = sectionTitles();
    // Read through a const list: a detached copy of every task would double what the list holds.
    const TaskList& tasks = m_inputs.tasks;
    const qsizetype previousCount = qsizetype(m_items.size());
    bool orderChanged = previousCount != tasks.size();

    // Up to the first task that differs, each row stays where it is: a task
    // added at the end, or one changed, costs no lookups for the rest.
    qsizetype same = 0;
    for (const qsizetype common = std::min(previousCount, tasks.size());
         same < common && previousTasks.at(m_items[size_t(same)].taskIndex).id == tasks.at(same).id;)
        ++same;
    for (qsizetype index = 0; index < same; ++index) {
        Item& item = m_items[size_t(index)];
        const TaskItem& task = tasks.at(index);
        std::optional<QString> sectionTitle = sectionTitleOf(titles, task);
        item.heightValid =
            !styleChanged && keepsHeight(item, previousTasks.at(item.taskIndex), sectionTitle, task);
        item.measured = item.heightValid && item.measured;
        item.sectionTitle = std::move(sectionTitle);
        item.drawnY = item.y + slideOffset(item, now);
        item.taskIndex = index;
    }

    // The rest are paired by id; the tasks before them are the same on both
    // sides, so counting repeated ids from here pairs them as from the top.
    std::vector<Item> previous(std::make_move_iterator(m_items.begin() + same),
                               std::make_move_iterator(m_items.end()));
    m_items.resize(size_t(same));
    m_items.reserve(size_t(tasks.size()));
    QHash<RowKey, qsizetype> previousIndex;
    previousIndex.reserve(qsizetype(previous.size()));
    QHash<QUuid, int> seen;
    for (qsizetype i = 0; i < qsizetype(previous.size()); ++i) {
        const QUuid& id = previousTasks.at(previous[size_t(i)].taskIndex).id;
        previousIndex.insert({id, seen[id]++}, i);
    }
    seen.clear();
    for (qsizetype index = same; index < tasks.size(); ++index) {
        const TaskItem& task = tasks.at(index);
        Item item;
        item.taskIndex = index;
        item.sectionTitle = sectionTitleOf(titles, task);
        const auto old = previousIndex.constFind({task.id, seen[task.id]++});
        if (old == previousIndex.cend()) {
            orderChanged = true;
            m_items.push_back(std::move(item));
            continue;
        }
        Item& kept = previous[size_t(*old)];
        item.row = kept.row;
        kept.row = nullptr;
        item.heightValid =
            !styleChanged && keepsHeight(kept, previousTasks.at(kept.taskIndex), item.sectionTitle, task);
        item.height = kept.height;
        item.measured = item.heightValid && kept.measured;
        item.drawnY = kept.y + slideOffset(kept, now);
        item.slide = std::move(kept.slide);
        if (same + *old != index)
            orderChanged = true;
        m_items.push_back(std::move(item));
    }
    for (Item& gone : previous) {
        if (gone.row)
            dropRow(gone, true);
    }
    indexRows();
    return orderChanged;
}

void TaskListView::indexRows()
{
    m_built.clear();
    m_sliding.clear();
    for (qsizetype i = 0; i < qsizetype(m_items.size()); ++i) {
        if (m_items[size_t(i)].row)
            m_built.push_back(i);
        if (m_items[size_t(i)].slide)
            m_sliding.push_back(i);
    }
}

void TaskListView::slideFrom(int previousComposerY, double now)
{
    const auto& interaction = m_inputs.configuration.interaction;
    const Motion::Animation animation =
        m_inputs.reduceMotion
            ? Motion::Animation::timed(Motion::Curve::Linear, interaction.reducedMotionDuration)
            : Motion::Animation::spring(interaction.taskListAnimationResponse, interaction.taskListAnimationDamping);
    const auto slide = [&](Motion::Value& value, int from, int to) {
        if (from == to || !isVisible())
            return;
        value.jumpTo(from - to);
        value.setTarget(0, animation, now);
        m_slideAnimator->start();
    };
    // Only rows that can come into view while they move slide; the others
    // simply stand in their new places, so a long list springs no more than a short one.
    const auto [nearTop, nearBottom] = nearSpan();
    const auto isNear = [nearTop, nearBottom](int y, int height) { return y + height >= nearTop && y <= nearBottom; };
    for (qsizetype i = 0; i < qsizetype(m_items.size()); ++i) {
        Item& item = m_items[size_t(i)];
        if (!item.drawnY || *item.drawnY == item.y)
            continue;
        if (!isNear(item.y, item.height) && !isNear(*item.drawnY, item.height)) {
            if (item.slide)
                item.slide->jumpTo(0);
            continue;
        }
        if (!item.slide) {
            item.slide = std::make_unique<Motion::Value>();
            m_sliding.insert(std::lower_bound(m_sliding.begin(), m_sliding.end(), i), i);
        }
        slide(*item.slide, *item.drawnY, item.y);
    }
    slide(m_composerSlide, previousComposerY, m_composerY);
    // Placed before its slide began: it must start where it was, with the rows.
    placeComposer();
}

int TaskListView::slideOffset(Item& item, double now)
{
    return item.slide ? int(std::lround(item.slide->value(now))) : 0;
}

void TaskListView::relayout()
{
    measureAndPlace();
    materialize();
}

void TaskListView::measureAndPlace()
{
    const int width = layoutWidth();
    if (width <= 0) {
        // Not placed yet: nothing is measured for a width no one will see.
        m_layoutWidth = -1;
        return;
    }
    const bool widthChanged = width != m_layoutWidth;
    m_layoutWidth = width;
    // Rows far from view get a cheap estimate; materialize() measures a row
    // when it comes near, so a long list costs no text shaping up front.
    for (Item& item : m_items) {
        if (!item.heightValid || widthChanged) {
            item.height = TaskRowView::estimatedHeight(rowInputs(item));
            item.heightValid = true;
            item.measured = false;
        }
    }
    placeItems();
}

void TaskListView::placeItems()
{
    const auto& layout = m_inputs.configuration.layout;
    const int spacing = int(std::lround(layout.taskListSpacing));
    int y = 0;
    for (Item& item : m_items) {
        item.y = y;
        y += item.height + spacing;
    }
    if (!m_items.empty())
        y -= spacing;
    const int composerTop = y + int(std::lround(layout.addTaskRowTopSpacing));
    const int composerHeight = TemplateStyle::widgetExtent(layout.inputHeight);
    m_composerY = composerTop;
    m_contentHeight = composerTop + composerHeight;
    placeComposer();
}

void TaskListView::placeComposer()
{
    const QRect frame =
        composerRestingFrame().translated(0, int(std::lround(m_composerSlide.value(Motion::animationClock()))));
    if (m_composer->geometry() != frame)
        m_composer->setGeometry(frame);
    // While the composer slides up from below, the content keeps room for it.
    const QSize size(m_layoutWidth, std::max(m_contentHeight, frame.y() + frame.height()));
    if (m_content->size() != size)
        m_content->resize(size);
}

void TaskListView::placeRows()
{
    const double now = Motion::animationClock();
    for (const qsizetype index : m_built) {
        Item& item = m_items[size_t(index)];
        if (!item.row)
            continue;
        const QRect frame(0, item.y + slideOffset(item, now), m_layoutWidth, item.height);
        if (item.row->geometry() != frame)
            item.row->setGeometry(frame);
        if (!item.row->isVisible())
            item.row->show();
    }
}

bool TaskListView::isSliding()
{
    const double now = Motion::animationClock();
    m_composerSlide.value(now);
    bool sliding = m_composerSlide.isMoving();
    std::erase_if(m_sliding, [&](qsizetype index) {
        std::unique_ptr<Motion::Value>& slide = m_items[size_t(index)].slide;
        if (!slide)
            return true;
        slide->value(now);
        if (slide->isMoving()) {
            sliding = true;
            return false;
        }
        slide.reset(); // at rest on its place
        return true;
    });
    return sliding;
}

std::pair<int, int> TaskListView::nearSpan() const
{
    const int top = verticalScrollBar()->value();
    // The list's own height: the viewport's is only right once the list has been shown.
    const int span = std::max(1, height());
    return {top - span, top + 2 * span};
}

bool TaskListView::isPinned(const Item& item) const
{
    // A row with an open popover or a running completion is kept wherever it is.
    return item.row
           && (item.row->isShowingActions() || item.row->isShowingReminderEditor()
               || m_completion.isCompleting(taskOf(item).id));
}

void TaskListView::materialize()
{
    // Rows wait until the list is on screen: a collapsed panel builds none.
    if (m_layoutWidth <= 0 || !isVisible())
        return;
    // Measuring rows that come near can move the ones below; a few passes settle it.
    for (int pass = 0; pass < 4; ++pass) {
        // One screen of rows above and below stays built, so scrolling finds them ready.
        // The items lie top to bottom, so the near ones are found by halving.
        const auto [from, to] = nearSpan();
        const auto begin = m_items.begin();
        const auto nearBegin =
            std::partition_point(begin, m_items.end(), [from](const Item& item) { return item.y + item.height < from; });
        const auto nearEnd =
            std::partition_point(nearBegin, m_items.end(), [to](const Item& item) { return item.y <= to; });
        const qsizetype first = nearBegin - begin, last = nearEnd - begin;
        const auto isNear = [first, last](qsizetype index) { return index >= first && index < last; };

        bool moved = false;
        const auto measure = [&](Item& item) {
            if (item.measured)
                return;
            const int measured = TaskRowView::preferredHeight(rowInputs(item), m_layoutWidth);
            item.measured = true;
            moved = moved || measured != item.height;
            item.height = measured;
        };
        for (const qsizetype index : m_built) {
            if (!isNear(index) && isPinned(m_items[size_t(index)]))
                measure(m_items[size_t(index)]);
        }
        for (qsizetype index = first; index < last; ++index)
            measure(m_items[size_t(index)]);
        if (moved) {
            placeItems();
            if (pass < 3)
                continue;
        }

        std::vector<qsizetype> built;
        for (const qsizetype index : m_built) {
            Item& item = m_items[size_t(index)];
            if (isNear(index) || !item.row)
                continue;
            if (isPinned(item))
                built.push_back(index);
            else
                dropRow(item, false);
        }
        for (qsizetype index = first; index < last; ++index)
            built.push_back(index);
        std::sort(built.begin(), built.end());
        m_built = std::move(built);
        for (const qsizetype index : m_built) {
            Item& item = m_items[size_t(index)];
            if (!item.row)
                item.row = makeRow();
            item.row->setInputs(rowInputs(item));
        }
        placeRows();
        return;
    }
}
