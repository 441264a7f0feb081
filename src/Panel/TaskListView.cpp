#include "Panel/TaskListView.h"

#include "Panel/AddTaskRow.h"
#include "Panel/TransparentTaskTextField.h"
#include "UI/TemplateStyle.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kScrollToComposerDuration = 0.18;
} // namespace

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
      m_drag(*this, {[this] { return rowFrames(); },
                     [this](const QSet<qsizetype>& offsets, qsizetype destination) {
                         if (m_callbacks.onMoveTasks)
                             m_callbacks.onMoveTasks(offsets, destination);
                     },
                     [this](std::optional<double> y) {
                         m_indicatorY = y;
                         m_content->update();
                     }}),
      m_markSync([this] { markChanged(); }),
      m_slideAnimator(std::make_unique<Motion::Animator>(
          [this] {
              placeRows();
              placeComposer();
          },
          [this] { return isSliding(); })),
      m_scrollAnimator(std::make_unique<Motion::Animator>(
          [this] {
              verticalScrollBar()->setValue(int(std::lround(m_scroll.value(Motion::animationClock()))));
              // Rows measured on the way may have moved the composer from where the scroll aimed.
              if (!m_scroll.isMoving())
                  revealComposer();
          },
          [this] {
              m_scroll.value(Motion::animationClock());
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
    // Typing into the composer brings it into view, before the typed text is drawn.
    connect(composerField(), &QLineEdit::textEdited, this, [this] { revealComposer(); });
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
                                   m_markSync.request();
                               }});
}

TaskListView::~TaskListView()
{
    // Rows may outlive nothing they report to: silence them first.
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
    const bool styleChanged = first || inputs.configuration != m_inputs.configuration;
    const bool submitted = !first && inputs.taskSubmissionID != m_inputs.taskSubmissionID;
    // Most updates (every keystroke in the composer) hand over the very same
    // list, which compares equal at once: then no row needs matching or placing.
    const bool listChanged = styleChanged || inputs.tasks != m_inputs.tasks || inputs.sections != m_inputs.sections
        || inputs.selectedWorkspaceID != m_inputs.selectedWorkspaceID;
    // The old items point into the old list until they are replaced below.
    const TaskList previousTasks = std::move(m_inputs.tasks);
    m_inputs = std::move(inputs);
    m_hasInputs = true;
    if (styleChanged)
        m_style = TaskRowView::makeStyle(m_inputs.configuration);
    m_drag.setEnabled(m_inputs.canMoveTasks);

    if (listChanged) {
        // Where everything is drawn now, so that what moves can slide from there.
        const double now = Motion::animationClock();
        const int previousComposerY = m_composer->y();
        const int previousWidth = m_layoutWidth;
        const bool orderChanged = matchRows(previousTasks, styleChanged, now);
        // The rows under the pointer are not the ones a drag started on.
        if (orderChanged)
            m_drag.cancelIfArmed();
        measureAndPlace();
        if (orderChanged && previousWidth > 0 && previousWidth == m_layoutWidth)
            slideFrom(previousComposerY, now);
    }
    materialize();
    // Last: the composer may take the keyboard now. Taking it scrolls nothing:
    // the panel opens on its top tasks, and the first keystroke shows the composer.
    updateComposer();
    if (submitted) {
        // After the new row has been laid out.
        QTimer::singleShot(0, this, [this] { scrollToComposer(); });
    }
}

void TaskListView::updateComposer()
{
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
}

TaskRowView::Inputs TaskListView::rowInputs(const Item& item) const
{
    return {m_style, taskOf(item), m_completion.isCompleting(taskOf(item).id), item.sectionTitle, m_inputs.reduceMotion};
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
    for (const qsizetype index : m_built) {
        const Item& item = m_items[size_t(index)];
        if (item.row)
            item.row->setInputs(rowInputs(item));
    }
    materialize();
}

void TaskListView::willRemove()
{
    m_completion.flush();
    for (TaskRowView* row : rows())
        row->willRemove();
}

void TaskListView::closePopovers()
{
    for (TaskRowView* row : rows()) {
        row->setShowingActions(false);
        row->setShowingReminderEditor(false);
    }
}

QList<TaskRowView*> TaskListView::rows() const
{
    QList<TaskRowView*> rows;
    for (const qsizetype index : m_built) {
        if (TaskRowView* row = m_items[size_t(index)].row)
            rows.append(row);
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
    for (const qsizetype index : m_built) {
        if (m_items[size_t(index)].row == row)
            return index;
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
    // A composer that was whole stays whole when the list gives up height
    // (a status line above it), so the keyboard never types out of sight.
    const QSize old = event->oldSize();
    const bool composerWasWhole = old.isValid() && isComposerWhole(verticalScrollBar()->value(), old.height());
    QScrollArea::resizeEvent(event);
    if (!m_hasInputs)
        return;
    if (layoutWidth() != m_layoutWidth)
        relayout();
    else
        materialize();
    if (composerWasWhole && event->size().height() < old.height())
        revealComposer();
}

QRect TaskListView::composerRestingFrame() const
{
    // Where it ends up, not where a slide draws it now.
    return {0, m_composerY, m_layoutWidth, TemplateStyle::widgetExtent(m_inputs.configuration.layout.inputHeight)};
}

bool TaskListView::isComposerWhole(int scrollTop, int viewHeight) const
{
    const QRect composer = composerRestingFrame();
    return composer.top() >= scrollTop && composer.bottom() < scrollTop + viewHeight;
}

void TaskListView::scrollToComposer()
{
    QScrollBar* bar = verticalScrollBar();
    if (m_inputs.reduceMotion || !isVisible()) {
        revealComposer();
        return;
    }
    const int target = bar->maximum();
    const double now = Motion::animationClock();
    m_scroll.jumpTo(bar->value());
    m_scroll.setTarget(target, Motion::Animation::timed(Motion::Curve::EaseOut, kScrollToComposerDuration), now);
    m_scrollAnimator->start();
}

void TaskListView::revealComposer()
{
    if (m_layoutWidth <= 0)
        return;
    m_scrollAnimator->stop();
    QScrollBar* bar = verticalScrollBar();
    // Rows measured as they come into view can move the composer; a few passes settle it.
    for (int pass = 0; pass < 4; ++pass) {
        const QRect composer = composerRestingFrame();
        const int span = std::max(1, height());
        int top = bar->value();
        if (composer.bottom() >= top + span)
            top = composer.bottom() + 1 - span;
        if (composer.top() < top)
            top = composer.top();
        if (top == bar->value())
            return;
        bar->setValue(top);
    }
}

// MARK: Dragging

bool TaskListView::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* row = qobject_cast<TaskRowView*>(watched); row && m_drag.handleRowEvent(indexOfRow(row), *row, event))
        return true;
    return QScrollArea::eventFilter(watched, event);
}
