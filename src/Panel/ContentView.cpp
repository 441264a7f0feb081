#include "Panel/ContentView.h"

#include "App/AppSessionViewModel.h"
#include "Panel/NotchBorderShape.h"
#include "Panel/NotchShape.h"
#include "Panel/TaskListView.h"
#include "Panel/TemplateStyle.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QPainter>
#include <QTimer>
#include <algorithm>

ContentView::ContentView(NotchTaskViewModel& viewModel, AppSessionViewModel& sessionViewModel, QWidget* parent,
                         std::function<double()> clock)
    : QWidget(parent),
      m_viewModel(viewModel),
      m_sessionViewModel(sessionViewModel),
      m_clock(std::move(clock)),
      m_animator([this] { frame(); }, [this] { return isAnimating(); })
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAccessibleName(QStringLiteral("Notch panel"));

    const auto schedule = [this] { sync(); };
    connect(&m_viewModel, &NotchTaskViewModel::isExpandedChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::focusRequestIDChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::requestedFocusChanged, this, schedule);
    connect(&m_sessionViewModel, &AppSessionViewModel::preferencesChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::tasksChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::sectionsChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::selectedWorkspaceIDChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::draftTaskChanged, this, schedule);
    connect(&m_viewModel, &NotchTaskViewModel::taskSubmissionIDChanged, this, schedule);

    m_taskList = new TaskListView({}, this);
    NotchTaskViewModel& model = m_viewModel;
    m_taskList->setCallbacks({
        [&model] { model.submitDraftTask(); },
        [&model](const TaskItem& task) { model.completeTask(task.id); },
        [&model](const TaskItem& task) { model.deleteTask(task.id); },
        [&model](const QSet<qsizetype>& offsets, qsizetype destination) { model.moveTasks(offsets, destination); },
        [&model](const TaskItem& task, Date date) { model.saveReminder(task.id, date); },
        [&model](const TaskItem& task) { model.clearReminder(task.id); },
        [this](const TaskItem& task) {
            if (m_callbacks.onPreviewReminder)
                m_callbacks.onPreviewReminder(task.title);
        },
        [&model](bool isHeld, const QString& reason) { model.setExpansionHold(isHeld, reason); },
    });

    // The first state is taken as it is, without animation or focus changes.
    m_isExpanded = m_viewModel.isExpanded();
    m_focusRequestID = m_viewModel.focusRequestID();
    m_expansion.jumpTo(m_isExpanded ? 1 : 0);
    m_progress = m_expansion.target();
    syncTaskList();
}

ContentView::~ContentView()
{
    // A tap still animating is reported, and holds released, while the view model is there.
    m_taskList->willRemove();
}

void ContentView::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    syncTaskList();
    publishShape();
    update();
}

void ContentView::setCallbacks(Callbacks callbacks)
{
    m_callbacks = std::move(callbacks);
}

void ContentView::sync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_syncPending)
            syncNow();
    });
}

void ContentView::syncNow()
{
    m_syncPending = false;

    if (m_focusRequestID != m_viewModel.focusRequestID()) {
        m_focusRequestID = m_viewModel.focusRequestID();
        m_composerFocused = m_viewModel.requestedFocus() == NotchTaskViewModel::FocusTarget::composer;
        if (m_composerFocused)
            emit keyboardFocusRequested();
    }

    const bool expanded = m_viewModel.isExpanded();
    if (expanded != m_isExpanded) {
        m_isExpanded = expanded;
        if (!expanded) {
            m_composerFocused = false;
            m_taskList->closePopovers();
            emit keyboardFocusReleased();
        }
        const double now = m_clock();
        if (isVisible()) {
            m_expansion.setTarget(expanded ? 1 : 0, expansionAnimation(), now);
            m_animator.start();
        } else {
            // Nothing animates while nobody can see it.
            m_expansion.jumpTo(expanded ? 1 : 0);
        }
        advance(now);
        publishShape();
        update();
    }
    syncTaskList();
}

void ContentView::syncTaskList()
{
    // Placed and shown first: the composer takes focus only while visible.
    placeTaskList();
    TaskListView::Inputs list;
    list.configuration = m_inputs.configuration;
    list.tasks = m_viewModel.tasks();
    list.sections = m_viewModel.sections();
    list.selectedWorkspaceID = m_viewModel.selectedWorkspaceID();
    list.selectedWorkspaceAccent = m_viewModel.selectedSectionAccent();
    const std::optional<TaskSection> target = m_viewModel.composerTargetSection();
    list.inputPlaceholder = QStringLiteral("Add a task to ") + (target ? target->title : QStringLiteral("Personal"));
    list.canMoveTasks = m_viewModel.selectedWorkspaceID() != QStringLiteral("workspace.all");
    NotchTaskViewModel& model = m_viewModel;
    list.draftTask = {[&model] { return model.draftTask(); }, [&model](QString text) { model.setDraftTask(text); }};
    list.taskSubmissionID = m_viewModel.taskSubmissionID();
    list.isComposerFocused = m_composerFocused;
    list.reduceMotion = m_inputs.reduceMotion;
    m_taskList->setInputs(std::move(list));
    m_taskList->setEnabled(m_sessionViewModel.preferences().hasCompletedOnboarding);
}

QRect ContentView::taskListFrame() const
{
    // Laid out once at the expanded size; the notch outline reveals it as it grows.
    const NotchOverlayMetrics& metrics = m_inputs.metrics;
    const auto& layout = m_inputs.configuration.layout;
    const double left = (metrics.panelSize.width - metrics.expandedSize.width) / 2 + layout.contentHorizontalPadding;
    // The header band's tab strip sits above the list.
    const double tabStrip = layout.sectionTabLabelLaneHeight + layout.sectionTabIndicatorLaneHeight + 6;
    const double top = layout.panelGlowTopPadding + layout.contentTopPadding + metrics.expandedContentSafeTopInset + tabStrip;
    const double bottom = layout.panelGlowTopPadding + metrics.expandedSize.height - layout.contentBottomPadding;
    const double height = std::min(TaskListView::maximumHeight(layout), bottom - top);
    return QRectF(left, top, std::max(0.0, metrics.expandedSize.width - 2 * layout.contentHorizontalPadding),
                  std::max(0.0, height))
        .toRect();
}

void ContentView::placeTaskList()
{
    const QRect frame = taskListFrame();
    if (m_taskList->geometry() != frame)
        m_taskList->setGeometry(frame);
    // Shown from the start of an expansion, so the composer can take the keyboard at once.
    const bool shown = (m_isExpanded || m_progress > 0.001) && !frame.isEmpty();
    if (shown && isAnimating()) {
        // Clipped to the growing outline while the surface moves.
        QRegion clip(visibleShape().translated(-frame.topLeft()).toFillPolygon().toPolygon());
        clip &= QRegion(0, 0, frame.width(), frame.height());
        // An empty mask would mean no mask at all; one pixel outside shows nothing.
        m_taskList->setMask(clip.isEmpty() ? QRegion(-1, -1, 1, 1) : clip);
    } else {
        m_taskList->clearMask();
    }
    if (m_taskList->isVisibleTo(this) != shown)
        m_taskList->setVisible(shown);
}

Motion::Animation ContentView::expansionAnimation() const
{
    const auto& interaction = m_inputs.configuration.interaction;
    if (m_inputs.reduceMotion)
        return Motion::Animation::timed(Motion::Curve::EaseOut, interaction.reducedMotionDuration);
    return Motion::Animation::spring(interaction.animationResponse, interaction.animationDamping);
}

void ContentView::advance(double now)
{
    m_progress = m_expansion.value(now);
}

QRectF ContentView::surfaceRect(double progress) const
{
    const NotchOverlayMetrics& metrics = m_inputs.metrics;
    const double width = std::max(
        0.0, metrics.collapsedSize.width + (metrics.expandedSize.width - metrics.collapsedSize.width) * progress);
    const double height = std::max(
        0.0, metrics.collapsedSize.height + (metrics.expandedSize.height - metrics.collapsedSize.height) * progress);
    return QRectF((metrics.panelSize.width - width) / 2, m_inputs.configuration.layout.panelGlowTopPadding, width,
                  height);
}

double ContentView::surfaceCornerRadius(double progress) const
{
    const auto& appearance = m_inputs.configuration.appearance;
    return std::max(0.0, appearance.collapsedCornerRadius
                             + (appearance.expandedCornerRadius - appearance.collapsedCornerRadius) * progress);
}

QPainterPath ContentView::visibleShape() const
{
    return NotchShape{surfaceCornerRadius(), 0}.path(surfaceRect());
}

void ContentView::frame()
{
    advance(m_clock());
    placeTaskList();
    publishShape();
    update();
}

void ContentView::publishShape()
{
    const QPainterPath shape = visibleShape();
    if (shape == m_publishedShape)
        return;
    m_publishedShape = shape;
    emit visibleShapeChanged(shape);
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    publishShape();
}

void ContentView::paintEvent(QPaintEvent*)
{
    const auto& appearance = m_inputs.configuration.appearance;
    // The state of the latest frame, so the drawing matches the published shape.
    const QRectF rect = surfaceRect();
    if (rect.isEmpty())
        return;
    const double radius = surfaceCornerRadius();
    const double p = std::clamp(m_progress, 0.0, 1.0);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = NotchShape{radius, 0}.path(rect);
    // Everything of the surface, rim and shadow included, lies inside the notch
    // outline; with an opaque fill the shadow never shows, so it is not drawn.
    painter.setClipPath(shape);
    painter.fillPath(shape, TemplateStyle::color(appearance.panelColor));

    QPen border(TemplateStyle::color(appearance.borderColor), appearance.borderLineWidth, Qt::SolidLine,
                Qt::FlatCap, Qt::MiterJoin);
    border.setMiterLimit(10);
    painter.strokePath(NotchBorderShape{radius}.path(rect), border);

    QColor rim = TemplateStyle::color(appearance.innerGlowColor);
    rim.setAlphaF(float(rim.alphaF() * (0.75 + 0.25 * p)));
    painter.setPen(QPen(rim, 0.6));
    painter.setBrush(Qt::NoBrush);
    const double rimRadius = std::max(0.0, radius - 1);
    painter.drawRoundedRect(rect, rimRadius, rimRadius);
}
