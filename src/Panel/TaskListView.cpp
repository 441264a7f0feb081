#include "Panel/TaskListView.h"

#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"
#include "Panel/TransparentTaskTextField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
const QString kAllWorkspaceID = QStringLiteral("workspace.all");
constexpr double kScrollToComposerDuration = 0.18;

// Sees every key press of the application while a drag runs, so Escape
// cancels it wherever the keyboard focus is.
class EscapeFilter final : public QObject {
public:
    explicit EscapeFilter(std::function<bool()> onEscape, QObject* parent)
        : QObject(parent), m_onEscape(std::move(onEscape))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
            && m_onEscape())
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool()> m_onEscape;
};

bool sameConfiguration(const NotchTemplateConfiguration& a, const NotchTemplateConfiguration& b)
{
    return a.appearance == b.appearance && a.layout == b.layout && a.interaction == b.interaction
           && a.content == b.content && a.typography == b.typography;
}
} // namespace

// The composer row: the plus symbol in the workspace's accent and the field on
// its rounded fill.
class AddTaskRow final : public QWidget {
public:
    struct Inputs {
        NotchTemplateConfiguration configuration;
        QString placeholder;
        std::optional<TaskSectionAccent> accent;
        Binding<QString> draftTask;
        bool isFocused = false;
        std::function<void()> onSubmit;
    };

    explicit AddTaskRow(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_NoSystemBackground);
        setAccessibleName(QStringLiteral("add-task-row"));
        m_field = new TransparentTaskTextField(this);
        m_field->setAccessibleName(QStringLiteral("New task"));
        m_field->setAccessibleDescription(QStringLiteral("Type a task name and press Return to save it."));
        m_field->setTextMargins(12, 0, 12, 0);
    }

    void setInputs(Inputs inputs)
    {
        m_inputs = std::move(inputs);
        const auto& appearance = m_inputs.configuration.appearance;
        TransparentTaskTextField::Inputs field;
        field.text = m_inputs.draftTask;
        field.placeholder = m_inputs.placeholder;
        field.textColor = TemplateStyle::withOpacity(TemplateStyle::color(appearance.primaryTextColor), 0.95);
        field.placeholderColor = TemplateStyle::withOpacity(TemplateStyle::color(appearance.secondaryTextColor), 0.9);
        field.font = TemplateStyle::systemFont(17, QFont::DemiBold);
        field.isFocused = m_inputs.isFocused;
        field.onSubmit = m_inputs.onSubmit;
        m_field->setInputs(field);
        placeField();
        update();
    }

    TransparentTaskTextField* field() const { return m_field; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        placeField();
    }

    void paintEvent(QPaintEvent*) override
    {
        const auto& appearance = m_inputs.configuration.appearance;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF fieldRect = m_field->geometry();
        const double radius = appearance.inputCornerRadius;
        QPainterPath fill;
        fill.addRoundedRect(fieldRect, radius, radius);
        painter.fillPath(fill, TemplateStyle::color(appearance.inputFillColor));
        const double inset = m_inputs.configuration.layout.sidebarContentHorizontalInset;
        const QRectF plus(inset, (height() - kPlusSide) / 2, kPlusSide, kPlusSide);
        SymbolPainter::paint(painter, QStringLiteral("plus"), plus,
                             TemplateStyle::accentColor(appearance, m_inputs.accent, appearance.highPriorityColor));
    }

private:
    static constexpr double kPlusSide = 18;
    static constexpr double kSpacing = 14;

    void placeField()
    {
        const auto& layout = m_inputs.configuration.layout;
        const double inset = layout.sidebarContentHorizontalInset;
        const int x = int(std::lround(inset + kPlusSide + kSpacing));
        // The trailing spacer (minimum 0) still has its spacing before it.
        const int w = std::max(0, int(std::lround(width() - x - kSpacing - inset)));
        m_field->setGeometry(x, 0, w, height());
    }

    Inputs m_inputs;
    TransparentTaskTextField* m_field = nullptr;
};

// The scrolled surface: places rows and composer and draws the insertion line.
class TaskListView::Content final : public QWidget {
public:
    explicit Content(TaskListView& list) : QWidget(nullptr), m_list(list)
    {
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_list.m_indicatorY)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const auto& configuration = m_list.m_inputs.configuration;
        const double inset = configuration.layout.sidebarContentHorizontalInset;
        const QColor color = TemplateStyle::color(configuration.appearance.sectionAccentBlue);
        painter.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
        const double y = *m_list.m_indicatorY;
        painter.drawLine(QPointF(inset, y), QPointF(width() - inset, y));
        painter.setBrush(color);
        painter.drawEllipse(QPointF(inset, y), 3, 3);
    }

private:
    TaskListView& m_list;
};

TaskListView::TaskListView(TaskRowView::Environment environment, QWidget* parent)
    : QScrollArea(parent),
      m_environment(std::move(environment)),
      m_drag({[this] { return rowFrames(); },
              [this](const QSet<qsizetype>& offsets, qsizetype destination) {
                  if (m_callbacks.onMoveTasks)
                      m_callbacks.onMoveTasks(offsets, destination);
              },
              [this](std::optional<double> y) {
                  m_indicatorY = y;
                  m_content->update();
              }}),
      m_slideAnimator(std::make_unique<Motion::Animator>(
          [this] {
              placeRows();
              placeComposer();
          },
          [this] { return isSliding(); })),
      m_scrollAnimator(std::make_unique<Motion::Animator>(
          [this] { verticalScrollBar()->setValue(int(std::lround(m_scroll.value(Motion::wallClock())))); },
          [this] {
              m_scroll.value(Motion::wallClock());
              return m_scroll.isMoving();
          }))
{
    setAccessibleName(QStringLiteral("Tasks"));
    // A click on the list's empty space must not take the keyboard from the composer.
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    // Nothing of the list paints a background: the panel's surface shows through.
    QPalette clear = palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
        clear.setColor(role, Qt::transparent);
    setPalette(clear);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    // Styled on the bar alone: a sheet on the list would restyle the composer field too.
    verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: %1px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,60); border-radius: 3px; min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
                                          .arg(kScrollBarWidth));

    m_content = new Content(*this);
    m_composer = new AddTaskRow(m_content);
    setWidget(m_content);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { materialize(); });

    m_completion.setCallbacks({[this](const TaskItem& task) {
                                   if (m_callbacks.onCompleteTask)
                                       m_callbacks.onCompleteTask(task);
                               },
                               [this](const QUuid&, bool isCompleting) {
                                   if (isCompleting) {
                                       markChanged();
                                       return;
                                   }
                                   // Cleared after the report: the panel drops the row on its next
                                   // update, queued before this one, so the row never flashes back.
                                   if (m_marksPending)
                                       return;
                                   m_marksPending = true;
                                   QTimer::singleShot(0, this, [this] {
                                       m_marksPending = false;
                                       markChanged();
                                   });
                               }});

    m_escapeFilter = new EscapeFilter(
        [this] {
            if (!m_drag.isDragging())
                return false;
            m_drag.cancel();
            endDrag();
            return true;
        },
        this);

    m_autoScroll = new QTimer(this);
    m_autoScroll->setInterval(16);
    connect(m_autoScroll, &QTimer::timeout, this, &TaskListView::autoScrollTick);
}

TaskListView::~TaskListView()
{
    // Rows may outlive nothing they report to: silence them first.
    if (qApp)
        qApp->removeEventFilter(m_escapeFilter);
    m_callbacks = {};
    m_completion.setCallbacks({});
}

double TaskListView::maximumHeight(const NotchTemplateConfiguration::Layout& layout)
{
    const double n = std::max(layout.preferredVisibleTaskRows, 0);
    return layout.addTaskRowTopSpacing + layout.inputHeight + layout.taskRowHeight * n
           + layout.taskListSpacing * std::max(n - 1, 0.0);
}

void TaskListView::setInputs(Inputs inputs)
{
    const bool first = !m_hasInputs;
    const bool styleChanged = first || !sameConfiguration(inputs.configuration, m_inputs.configuration);
    const bool submitted = !first && inputs.taskSubmissionID != m_inputs.taskSubmissionID;
    // The old items point into the old list until they are replaced below.
    const TaskList previousTasks = std::move(m_inputs.tasks);
    m_inputs = std::move(inputs);
    m_hasInputs = true;
    if (styleChanged)
        m_style = TaskRowView::makeStyle(m_inputs.configuration);
    m_drag.setEnabled(m_inputs.canMoveTasks);

    // Section titles only in the aggregate workspace; the first section of an id wins.
    QHash<QString, QString> sectionTitles;
    const bool showsSections = m_inputs.selectedWorkspaceID == kAllWorkspaceID;
    if (showsSections) {
        for (const TaskSection& section : m_inputs.sections) {
            if (!sectionTitles.contains(section.id))
                sectionTitles.insert(section.id, section.title);
        }
    }

    // Old rows by (id, occurrence).
    QHash<QPair<QUuid, int>, qsizetype> oldIndex;
    oldIndex.reserve(qsizetype(m_items.size()));
    for (qsizetype i = 0; i < qsizetype(m_items.size()); ++i)
        oldIndex.insert({previousTasks.at(m_items[size_t(i)].taskIndex).id, m_items[size_t(i)].occurrence}, i);

    // Where each row is drawn now, so rows that move can slide from there.
    const double now = Motion::wallClock();
    QHash<QPair<QUuid, int>, int> previousY;
    const int previousComposerY = m_composer->y();
    const bool wasLaidOut = m_layoutWidth > 0;

    std::vector<Item> items;
    items.reserve(size_t(m_inputs.tasks.size()));
    QHash<QUuid, int> seen;
    bool orderChanged = qsizetype(m_items.size()) != m_inputs.tasks.size();
    // Read through a const list: a detached copy of every task would double what the list holds.
    const TaskList& tasks = m_inputs.tasks;
    for (qsizetype index = 0; index < tasks.size(); ++index) {
        const TaskItem& task = tasks.at(index);
        Item item;
        item.occurrence = seen[task.id]++;
        if (showsSections) {
            const auto title = sectionTitles.constFind(task.sectionID);
            if (title != sectionTitles.cend())
                item.sectionTitle = *title;
        }
        const auto old = oldIndex.constFind({task.id, item.occurrence});
        if (old != oldIndex.cend()) {
            Item& previous = m_items[size_t(*old)];
            const TaskItem& previousTask = previousTasks.at(previous.taskIndex);
            item.row = previous.row;
            previous.row = nullptr;
            item.heightValid = !styleChanged && previous.heightValid && previousTask.title == task.title
                               && previous.sectionTitle == item.sectionTitle
                               && TaskRowView::isAIReasonCurrent(previousTask) == TaskRowView::isAIReasonCurrent(task)
                               && previousTask.reminder.has_value() == task.reminder.has_value();
            item.height = previous.height;
            item.measured = item.heightValid && previous.measured;
            previousY.insert({task.id, item.occurrence}, previous.y + slideOffset(previous, now));
            item.slide = std::move(previous.slide);
            if (*old != qsizetype(items.size()))
                orderChanged = true;
        } else {
            orderChanged = true;
        }
        item.taskIndex = index;
        items.push_back(std::move(item));
    }
    for (Item& gone : m_items) {
        if (gone.row)
            dropRow(gone, true);
    }
    m_items = std::move(items);
    if (orderChanged && m_drag.isArmed()) {
        // The rows under the pointer are not the ones the drag started on.
        m_drag.cancel();
        endDrag();
    }

    AddTaskRow::Inputs composer;
    composer.configuration = m_inputs.configuration;
    composer.placeholder = m_inputs.inputPlaceholder;
    composer.accent = m_inputs.selectedWorkspaceAccent;
    composer.draftTask = m_inputs.draftTask;
    composer.isFocused = m_inputs.isComposerFocused;
    composer.onSubmit = [this] {
        if (m_callbacks.onSubmit)
            m_callbacks.onSubmit();
    };
    m_composer->setInputs(std::move(composer));

    const int width = m_layoutWidth;
    measureAndPlace();
    if (orderChanged && wasLaidOut && width == m_layoutWidth) {
        const Motion::Animation animation =
            m_inputs.reduceMotion
                ? Motion::Animation::timed(Motion::Curve::Linear, m_inputs.configuration.interaction.reducedMotionDuration)
                : Motion::Animation::spring(m_inputs.configuration.interaction.taskListAnimationResponse,
                                            m_inputs.configuration.interaction.taskListAnimationDamping);
        const auto slide = [&](Motion::Value& value, int from, int to) {
            if (from == to || !isVisible())
                return;
            value.jumpTo(from - to);
            value.setTarget(0, animation, now);
            m_slideAnimator->start();
        };
        for (Item& item : m_items) {
            const auto from = previousY.constFind({taskOf(item).id, item.occurrence});
            if (from == previousY.cend() || *from == item.y)
                continue;
            if (!item.slide)
                item.slide = std::make_unique<Motion::Value>();
            slide(*item.slide, *from, item.y);
        }
        slide(m_composerSlide, previousComposerY, m_composerY);
        // Placed above before its slide began: it must start where it was, with the rows.
        placeComposer();
    }
    materialize();
    if (submitted) {
        // After the new row has been laid out.
        QTimer::singleShot(0, this, [this] { scrollToComposer(); });
    }
}

int TaskListView::slideOffset(Item& item, double now)
{
    return item.slide ? int(std::lround(item.slide->value(now))) : 0;
}

TaskRowView::Inputs TaskListView::rowInputs(const Item& item) const
{
    return {m_style, taskOf(item), m_completion.isCompleting(taskOf(item).id), item.sectionTitle, m_inputs.reduceMotion};
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
    const int y = m_composerY + int(std::lround(m_composerSlide.value(Motion::wallClock())));
    const QRect frame(0, y, m_layoutWidth,
                      TemplateStyle::widgetExtent(m_inputs.configuration.layout.inputHeight));
    if (m_composer->geometry() != frame)
        m_composer->setGeometry(frame);
    // While the composer slides up from below, the content keeps room for it.
    const QSize size(m_layoutWidth, std::max(m_contentHeight, frame.y() + frame.height()));
    if (m_content->size() != size)
        m_content->resize(size);
}

void TaskListView::placeRows()
{
    const double now = Motion::wallClock();
    for (Item& item : m_items) {
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
    const double now = Motion::wallClock();
    m_composerSlide.value(now);
    bool sliding = m_composerSlide.isMoving();
    for (Item& item : m_items) {
        if (!item.slide)
            continue;
        item.slide->value(now);
        if (item.slide->isMoving())
            sliding = true;
        else
            item.slide.reset(); // at rest on its place
    }
    return sliding;
}

void TaskListView::materialize()
{
    // Rows wait until the list is on screen: a collapsed panel builds none.
    if (m_layoutWidth <= 0 || !isVisible())
        return;
    // Measuring rows that come near can move the ones below; a few passes settle it.
    for (int pass = 0; pass < 4; ++pass) {
        const int top = verticalScrollBar()->value();
        // The list's own height: the viewport's is only right once the list has been shown.
        const int span = std::max(1, height());
        // One screen of rows above and below stays built, so scrolling finds them ready.
        const int from = top - span;
        const int to = top + 2 * span;
        bool moved = false;
        for (Item& item : m_items) {
            const bool near = item.y + item.height >= from && item.y <= to;
            // A row with an open popover or a running completion is kept wherever it is.
            const bool pinned = item.row
                                && (item.row->isShowingActions() || item.row->isShowingReminderEditor()
                                    || m_completion.isCompleting(taskOf(item).id));
            if (!near && !pinned) {
                if (item.row)
                    dropRow(item, false);
                continue;
            }
            if (!item.measured) {
                const int measured = TaskRowView::preferredHeight(rowInputs(item), m_layoutWidth);
                item.measured = true;
                moved = moved || measured != item.height;
                item.height = measured;
            }
            if (!item.row)
                item.row = makeRow();
            item.row->setInputs(rowInputs(item));
        }
        if (moved) {
            placeItems();
            continue;
        }
        placeRows();
        return;
    }
}

TaskRowView* TaskListView::makeRow()
{
    auto* row = new TaskRowView(m_environment, m_content);
    row->installEventFilter(this);
    // Each callback reads the row's task when it fires, so it always reports the task as shown.
    TaskRowView::Callbacks callbacks;
    callbacks.onCompleteTask = [this, row] {
        m_completion.begin(row->inputs().task, m_inputs.configuration.interaction.taskCompletionRemovalDelay,
                           m_inputs.reduceMotion);
    };
    callbacks.onDeleteTask = [this, row] {
        if (m_callbacks.onDeleteTask)
            m_callbacks.onDeleteTask(row->inputs().task);
    };
    callbacks.onSaveReminder = [this, row](Date date) {
        if (m_callbacks.onSaveReminder)
            m_callbacks.onSaveReminder(row->inputs().task, date);
    };
    callbacks.onClearReminder = [this, row] {
        if (m_callbacks.onClearReminder)
            m_callbacks.onClearReminder(row->inputs().task);
    };
    callbacks.onPreviewReminder = [this, row] {
        if (m_callbacks.onPreviewReminder)
            m_callbacks.onPreviewReminder(row->inputs().task);
    };
    callbacks.onSetExpansionHold = [this](bool isHeld, const QString& reason) {
        if (m_callbacks.onSetExpansionHold)
            m_callbacks.onSetExpansionHold(isHeld, reason);
    };
    row->setCallbacks(std::move(callbacks));
    return row;
}

void TaskListView::dropRow(Item& item, bool removed)
{
    TaskRowView* row = item.row;
    item.row = nullptr;
    if (!row)
        return;
    // Never deleted here: this may run inside one of the row's own handlers.
    if (removed)
        row->willRemove();
    row->removeEventFilter(this);
    row->hide();
    row->deleteLater();
}

void TaskListView::markChanged()
{
    for (Item& item : m_items) {
        if (item.row)
            item.row->setInputs(rowInputs(item));
    }
    materialize();
}

void TaskListView::willRemove()
{
    m_completion.flush();
    for (Item& item : m_items) {
        if (item.row)
            item.row->willRemove();
    }
}

void TaskListView::closePopovers()
{
    for (Item& item : m_items) {
        if (item.row) {
            item.row->setShowingActions(false);
            item.row->setShowingReminderEditor(false);
        }
    }
}

QList<TaskRowView*> TaskListView::rows() const
{
    QList<TaskRowView*> rows;
    for (const Item& item : m_items) {
        if (item.row)
            rows.append(item.row);
    }
    return rows;
}

TaskRowView* TaskListView::rowForTask(const QUuid& taskID) const
{
    for (const Item& item : m_items) {
        if (taskOf(item).id == taskID)
            return item.row;
    }
    return nullptr;
}

TransparentTaskTextField* TaskListView::composerField() const
{
    return m_composer->field();
}

qsizetype TaskListView::indexOfRow(const QObject* row) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].row == row)
            return qsizetype(i);
    }
    return -1;
}

QList<QRectF> TaskListView::rowFrames() const
{
    QList<QRectF> frames;
    frames.reserve(qsizetype(m_items.size()));
    for (const Item& item : m_items)
        frames.append(QRectF(0, item.y, m_layoutWidth, item.height));
    return frames;
}

int TaskListView::layoutWidth() const
{
    // Rows always leave room for the scroll bar, so its coming and going never
    // re-measures every row; width() is current even before the list is shown.
    return std::max(0, width() - kScrollBarWidth);
}

void TaskListView::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    materialize();
}

void TaskListView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (!m_hasInputs)
        return;
    if (layoutWidth() != m_layoutWidth)
        relayout();
    else
        materialize();
}

void TaskListView::scrollToComposer()
{
    QScrollBar* bar = verticalScrollBar();
    const int target = bar->maximum();
    if (m_inputs.reduceMotion || !isVisible()) {
        m_scrollAnimator->stop();
        bar->setValue(target);
        return;
    }
    const double now = Motion::wallClock();
    m_scroll.jumpTo(bar->value());
    m_scroll.setTarget(target, Motion::Animation::timed(Motion::Curve::EaseOut, kScrollToComposerDuration), now);
    m_scrollAnimator->start();
}

// MARK: Dragging

bool TaskListView::eventFilter(QObject* watched, QEvent* event)
{
    if (!qobject_cast<TaskRowView*>(watched))
        return QScrollArea::eventFilter(watched, event);
    auto* row = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            m_drag.press(indexOfRow(row), row->mapTo(m_content, mouse->position()));
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            break;
        m_pointerContentPos = row->mapTo(m_content, mouse->position());
        m_pointerViewportY = row->mapTo(viewport(), mouse->position()).y();
        const bool wasDragging = m_drag.isDragging();
        if (m_drag.move(m_pointerContentPos)) {
            if (!wasDragging && m_drag.isDragging()) {
                qApp->installEventFilter(m_escapeFilter);
                m_lastAutoScrollTime = Motion::wallClock();
                m_autoScroll->start();
            }
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        const bool dragged = m_drag.release();
        endDrag();
        if (dragged)
            return true;
        break;
    }
    default:
        break;
    }
    return QScrollArea::eventFilter(watched, event);
}

void TaskListView::autoScrollTick()
{
    if (!m_drag.isDragging()) {
        endDrag();
        return;
    }
    const double now = Motion::wallClock();
    const double dt = std::clamp(now - m_lastAutoScrollTime, 0.0, 0.1);
    m_lastAutoScrollTime = now;
    const double speed = TaskDragReorder::autoScrollSpeed(m_pointerViewportY, viewport()->height());
    if (speed == 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int before = bar->value();
    bar->setValue(before + int(std::lround(speed * dt)));
    const int moved = bar->value() - before;
    if (moved == 0)
        return;
    // The pointer stays put in the viewport while the content slides under it.
    m_pointerContentPos.ry() += moved;
    m_drag.move(m_pointerContentPos);
}

void TaskListView::endDrag()
{
    m_autoScroll->stop();
    if (qApp)
        qApp->removeEventFilter(m_escapeFilter);
}
