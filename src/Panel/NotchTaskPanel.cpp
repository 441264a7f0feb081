#include "Panel/NotchTaskPanel.h"

#include "UI/BlurHelper.h"
#include "Panel/LeadingNotchSlot.h"
#include "Panel/NotchBandSlots.h"
#include "Panel/NotchBorderShape.h"
#include "Panel/NotchShape.h"
#include "Panel/SectionWorkspaceBarView.h"
#include "Panel/SortingEffects.h"
#include "Panel/TaskListView.h"
#include "Panel/TransparentTaskTextField.h"
#include "UI/TemplateStyle.h"
#include "UI/ToolTipText.h"
#include "Panel/WorkspaceMenuControl.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace {
// Below this the panel counts as closed and its content is not drawn at all.
constexpr double closedProgress = 0.001;
constexpr int bottomPaddingUnderBar = 6;
} // namespace

NotchTaskPanel::NotchTaskPanel(QWidget* parent, std::function<double()> clock)
    : QWidget(parent),
      m_clock(std::move(clock)),
      m_highlight(new SortingEdgeHighlight(this, m_clock)),
      m_content(new QWidget(this)),
      m_leading(new LeadingNotchSlot),
      m_menu(new WorkspaceMenuControl),
      m_animator([this] { frame(); }, [this] { return isAnimating(); })
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(QStringLiteral("Notch task panel"));
    m_content->setAccessibleName(QStringLiteral("Workspace"));
    m_band = new NotchBandSlots(m_leading, m_menu, m_content);
    m_bar = new SectionWorkspaceBarView(m_content, m_clock);
    m_status = new QLabel(m_content);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setObjectName(QStringLiteral("status-line"));
    m_status->hide();
    m_list = new TaskListView({}, m_content);
    m_list->setCallbacks({
        .onSubmit = forward(&Callbacks::onSubmit),
        .onCompleteTask = forward(&Callbacks::onCompleteTask),
        .onDeleteTask = forward(&Callbacks::onDeleteTask),
        .onMoveTasks = forward(&Callbacks::onMoveTasks),
        .onSaveReminder = forward(&Callbacks::onSaveTaskReminder),
        .onClearReminder = forward(&Callbacks::onClearTaskReminder),
        .onPreviewReminder = forward(&Callbacks::onPreviewTaskReminder),
        .onSetExpansionHold = forward(&Callbacks::onSetExpansionHold),
    });
    m_content->hide();
    connect(m_bar, &SectionWorkspaceBarView::currentHeightChanged, this, [this] { layoutContent(); });

    m_bar->setCallbacks({
        .onSelectWorkspace = forward(&Callbacks::onSelectWorkspace),
        .onSubmitCustomSection = [this] { submitCustomSection(); },
        .onHandBackKeyboard =
            [this] {
                if (TransparentTaskTextField* composer = m_list->composerField())
                    composer->setFocus(Qt::OtherFocusReason);
            },
    });
    m_leading->setCallbacks({
        .onAISort = forward(&Callbacks::onAISort),
        .onSavePromptOverride = forward(&Callbacks::onSavePromptOverride),
    });
    m_menu->setConfirmationHost(m_content);
    m_menu->setCallbacks({
        .onOpenControlPanel = forward(&Callbacks::onOpenControlPanel),
        .onSetWorkspaceAccent = forward(&Callbacks::onSetWorkspaceAccent),
        .onRenameWorkspace = forward(&Callbacks::onRenameWorkspace),
        .onDeleteWorkspace = forward(&Callbacks::onDeleteWorkspace),
        .onSetExpansionHold = forward(&Callbacks::onSetExpansionHold),
    });
}

NotchTaskPanel::~NotchTaskPanel()
{
    // A tap still animating is reported, and holds released, while the owner is there.
    m_list->willRemove();
}

template <class T>
Binding<T> NotchTaskPanel::stateBinding(T State::*field)
{
    return {[this, field] { return m_state.*field; },
            [this, field](T value) {
                if (m_state.*field == value)
                    return;
                m_state.*field = std::move(value);
                render();
            }};
}

void NotchTaskPanel::setInputs(const Inputs& inputs)
{
    const Inputs previous = m_inputs;
    const bool first = !m_hasInputs;
    // Applying new inputs is a frame: the clock is read once for all of it.
    const double now = m_clock();
    m_inputs = inputs;
    m_hasInputs = true;

    if (first) {
        m_state.promptDraft = inputs.currentWorkspacePrompt;
        m_state.workspaceRenameDraft = inputs.currentWorkspaceTitle;
        m_expansion.jumpTo(inputs.isExpanded ? 1 : 0);
        m_progress = m_expansion.target();
    } else {
        if (inputs.selectedWorkspaceID != previous.selectedWorkspaceID) {
            m_state.promptDraft = inputs.currentWorkspacePrompt;
            m_state.workspaceRenameDraft = inputs.currentWorkspaceTitle;
            closeWorkspaceEditors();
        }
        if (inputs.isExpanded != previous.isExpanded) {
            if (!inputs.isExpanded)
                closeWorkspaceEditors();
            if (!inputs.isExpanded)
                m_list->closePopovers();
            if (isVisible()) {
                m_expansion.setTarget(inputs.isExpanded ? 1 : 0, expansionAnimation(), now);
                m_animator.start();
            } else {
                m_expansion.jumpTo(inputs.isExpanded ? 1 : 0);
            }
        }
        // While the editor is open the user's typing wins.
        if (inputs.currentWorkspacePrompt != previous.currentWorkspacePrompt && !m_state.isShowingPromptEditor)
            m_state.promptDraft = inputs.currentWorkspacePrompt;
    }
    m_progress = m_expansion.value(now);
    m_listStale = true;
    render();
}

void NotchTaskPanel::closeWorkspaceEditors()
{
    m_state.isShowingPromptEditor = false;
    m_state.isShowingWorkspaceDropdown = false;
    m_state.isShowingWorkspaceRename = false;
    m_state.isConfirmingWorkspaceDeletion = false;
}

void NotchTaskPanel::submitCustomSection()
{
    if (m_state.customSectionTitle.trimmed().isEmpty())
        return;
    const QString title = m_state.customSectionTitle;
    if (m_callbacks.onAddCustomSection)
        m_callbacks.onAddCustomSection(title);
    m_state.isAddingCustomSection = false;
    m_state.customSectionTitle.clear();
    m_composerJump = true;
    render();
}

void NotchTaskPanel::render()
{
    // A child's binding may write state while the children are being updated:
    // finish this pass, then run another with the new state.
    if (m_rendering) {
        m_renderAgain = true;
        return;
    }
    m_rendering = true;
    do {
        m_renderAgain = false;
        renderChildren();
    } while (m_renderAgain);
    m_rendering = false;
}

void NotchTaskPanel::renderChildren()
{
    const Inputs& in = m_inputs;
    const auto& configuration = in.configuration;

    m_bar->setInputs({configuration, in.workspaceTabs, in.selectedWorkspaceID,
                      stateBinding(&State::customSectionTitle), stateBinding(&State::isAddingCustomSection),
                      !m_composerJump});
    m_composerJump = false;
    m_leading->setInputs({configuration, in.isSorting, in.currentWorkspaceAccent, in.currentWorkspaceTitle,
                          in.currentWorkspacePrompt, in.hasCompletedOnboarding,
                          stateBinding(&State::isShowingPromptEditor), stateBinding(&State::promptDraft),
                          in.aiTaskRankingEnabled});
    m_menu->setInputs({configuration, in.currentVisibleTaskCount, in.currentWorkspaceTitle, in.currentWorkspaceAccent,
                       in.currentWorkspaceCanRename, in.currentWorkspaceCanDelete, in.reduceMotion,
                       stateBinding(&State::isShowingWorkspaceDropdown), stateBinding(&State::isShowingWorkspaceRename),
                       stateBinding(&State::workspaceRenameDraft),
                       stateBinding(&State::isConfirmingWorkspaceDeletion)});
    m_status->setFont(TemplateStyle::font(configuration.typography.reasonFont));
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, TemplateStyle::color(configuration.appearance.secondaryTextColor));
    m_status->setPalette(palette);
    m_status->setToolTip(plainTextToolTip(in.statusMessage));
    // Drawn cut to one line; heard whole.
    m_status->setAccessibleName(in.statusMessage);
    m_status->setVisible(!in.statusMessage.isEmpty());

    // Laid out and shown first: the composer takes the keyboard only while visible.
    layoutContent();
    updateClip();
    // The panel's own editor state never concerns the list, and a closed
    // panel's list is seen by no one: it catches up when the content opens.
    if (m_listStale && !m_content->isHidden()) {
        m_listStale = false;
        TaskListView::Inputs list;
        list.configuration = configuration;
        list.tasks = in.tasks;
        list.sections = in.sections;
        list.selectedWorkspaceID = in.selectedWorkspaceID;
        list.selectedWorkspaceAccent = in.currentComposerAccent;
        list.inputPlaceholder = QStringLiteral("Add a task to ") + in.composerTargetSectionTitle;
        list.canMoveTasks = in.canMoveVisibleTasks;
        list.draftTask = in.draftTask;
        list.taskSubmissionID = in.taskSubmissionID;
        list.isComposerFocused = in.inputFocus.value() == NotchTaskViewModel::FocusTarget::composer;
        list.reduceMotion = in.reduceMotion;
        m_list->setInputs(std::move(list));
    }
    m_list->setEnabled(in.hasCompletedOnboarding);

    m_highlight->setInputs({in.isSorting, surfaceRect(), cornerRadius(), configuration, in.reduceMotion});
    // Most updates (a keystroke, a changed row) leave the surface as it is:
    // repainting it would repaint every child above it too.
    updateSurface();
}

void NotchTaskPanel::updateSurface()
{
    SurfaceLook look{surfaceRect(), cornerRadius(), progress(), m_inputs.isExpanded, m_inputs.configuration.appearance};
    if (look == m_surfaceLook)
        return;
    m_surfaceLook = std::move(look);
    update();
}

QRectF NotchTaskPanel::expandedRect() const
{
    const Size expanded = m_inputs.expandedSize;
    return {(m_inputs.panelSize.width - expanded.width) / 2, m_inputs.configuration.layout.panelGlowTopPadding,
            expanded.width, expanded.height};
}

void NotchTaskPanel::layoutContent()
{
    const auto& layout = m_inputs.configuration.layout;
    const QRect area = expandedRect().toAlignedRect();
    if (area != m_contentGeometry) {
        m_contentGeometry = area;
        m_content->setGeometry(area);
    }
    m_band->setLayout(m_inputs.notchBandLayout);

    const int left = TemplateStyle::widgetExtent(layout.contentHorizontalPadding);
    const int top = TemplateStyle::widgetExtent(layout.contentTopPadding + m_inputs.expandedContentSafeTopInset);
    const int bottom = TemplateStyle::widgetExtent(layout.contentBottomPadding);
    const int width = std::max(0, area.width() - 2 * left);
    int y = top;
    const int barHeight = m_bar->currentHeight();
    m_bar->setGeometry(left, y, width, barHeight);
    y += barHeight + bottomPaddingUnderBar;
    if (!m_inputs.statusMessage.isEmpty()) {
        // One line; the list gives up the height, the panel keeps its size.
        const int inset = TemplateStyle::widgetExtent(layout.sidebarContentHorizontalInset);
        const QFontMetrics metrics(m_status->font());
        const int lineHeight = metrics.height() + 4;
        m_status->setGeometry(left + inset, y, std::max(0, width - 2 * inset), lineHeight);
        m_status->setText(metrics.elidedText(m_inputs.statusMessage, Qt::ElideRight, m_status->width()));
        y += lineHeight;
    }
    m_listFrame = QRect(left, y, width, std::max(0, area.height() - bottom - y));
    const int listHeight = std::min(m_listFrame.height(), int(std::floor(TaskListView::maximumHeight(layout))));
    const QRect listGeometry(m_listFrame.topLeft(), QSize(width, std::max(0, listHeight)));
    if (m_list->geometry() != listGeometry)
        m_list->setGeometry(listGeometry);
}

Motion::Animation NotchTaskPanel::expansionAnimation() const
{
    const auto& interaction = m_inputs.configuration.interaction;
    if (m_inputs.reduceMotion)
        return Motion::Animation::timed(Motion::Curve::EaseOut, interaction.reducedMotionDuration);
    return Motion::Animation::spring(interaction.animationResponse, interaction.animationDamping);
}

QRectF NotchTaskPanel::surfaceRect() const
{
    const double p = progress();
    const Size collapsed = m_inputs.collapsedSize, expanded = m_inputs.expandedSize;
    const double width = std::max(0.0, collapsed.width + (expanded.width - collapsed.width) * p);
    const double height = std::max(0.0, collapsed.height + (expanded.height - collapsed.height) * p);
    return {(m_inputs.panelSize.width - width) / 2, m_inputs.configuration.layout.panelGlowTopPadding, width, height};
}

double NotchTaskPanel::cornerRadius() const
{
    // The radius is not interpolated: it takes the new state's value at once.
    const auto& appearance = m_inputs.configuration.appearance;
    return std::max(0.0, m_inputs.isExpanded ? appearance.expandedCornerRadius : appearance.collapsedCornerRadius);
}

QPainterPath NotchTaskPanel::visibleShape() const
{
    return NotchShape{cornerRadius(), 0}.path(surfaceRect());
}

void NotchTaskPanel::updateClip()
{
    const bool open = m_inputs.isExpanded || progress() > closedProgress;
    m_content->setVisible(open);
    if (!open)
        return;
    if (!isAnimating() && m_inputs.isExpanded) {
        // At rest and open the content lies well inside the outline.
        if (m_clipped) {
            m_content->clearMask();
            m_clipped = false;
        }
        return;
    }
    const QPainterPath shape = visibleShape().translated(-m_contentGeometry.topLeft());
    QRegion region(shape.toFillPolygon().toPolygon());
    if (region.isEmpty())
        region = QRegion(0, 0, 1, 1);
    m_content->setMask(region);
    m_clipped = true;
}

void NotchTaskPanel::frame()
{
    // The clock is read once: everything drawn and published follows that instant.
    m_progress = m_expansion.value(m_clock());
    updateClip();
    m_highlight->setInputs({m_inputs.isSorting, surfaceRect(), cornerRadius(), m_inputs.configuration,
                            m_inputs.reduceMotion});
    updateSurface();
    emit surfaceChanged();
}

void NotchTaskPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_highlight->setGeometry(rect());
}

void NotchTaskPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    render();
}

QImage NotchTaskPanel::shadowImage(const QPainterPath& shape, const QRectF& area, double progress) const
{
    const auto& appearance = m_inputs.configuration.appearance;
    constexpr int scale = 4;
    QImage small(std::max(1, int(area.width() / scale)), std::max(1, int(area.height() / scale)),
                 QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::transparent);
    {
        QPainter shadow(&small);
        shadow.setRenderHint(QPainter::Antialiasing);
        shadow.scale(1.0 / scale, 1.0 / scale);
        shadow.translate(-area.topLeft() + QPointF(0, appearance.shadowYOffset * progress));
        shadow.fillPath(shape, TemplateStyle::color(appearance.shadowColor));
    }
    // A shadow's radius spreads about twice the blur it names.
    QImage image = BlurHelper::blurred(small, appearance.shadowRadius / 2 * progress / scale, 1)
                       .scaled(area.size().toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter fade(&image);
    fade.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    const double edge = std::min(appearance.shadowRadius, std::min(image.width(), image.height()) / 2.0);
    const QRectF whole(image.rect());
    const auto ramp = [&](QPointF from, QPointF to, const QRectF& band) {
        QLinearGradient gradient(from, to);
        gradient.setColorAt(0, Qt::transparent);
        gradient.setColorAt(1, Qt::black);
        fade.fillRect(band, gradient);
    };
    ramp({0, 0}, {edge, 0}, QRectF(0, 0, edge, whole.height()));
    ramp({whole.width(), 0}, {whole.width() - edge, 0}, QRectF(whole.width() - edge, 0, edge, whole.height()));
    ramp({0, whole.height()}, {0, whole.height() - edge}, QRectF(0, whole.height() - edge, whole.width(), edge));
    return image;
}

void NotchTaskPanel::paintEvent(QPaintEvent* event)
{
    const auto& appearance = m_inputs.configuration.appearance;
    const QRectF rect = surfaceRect();
    if (rect.isEmpty())
        return;
    const double radius = cornerRadius();
    // Under a child's repaint (a keystroke, a row) an opaque surface is plain
    // panel colour, far from its outline, rim and shadow: nothing else to draw.
    const QColor panelColor = TemplateStyle::color(appearance.panelColor);
    const double edge = radius + std::max(2.0, appearance.borderLineWidth + 1);
    const QRect exposed = event->region().boundingRect();
    if (panelColor.alpha() == 255 && rect.adjusted(edge, edge, -edge, -edge).contains(QRectF(exposed))) {
        QPainter(this).fillRect(exposed, panelColor);
        return;
    }
    const double p = std::clamp(progress(), 0.0, 1.0);
    const QPainterPath shape = NotchShape{radius, 0}.path(rect);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The shadow belongs to the expanded panel; it grows and shrinks with the expansion.
    // (Without a compositor the window's mask cuts it away.)
    if (p > closedProgress && appearance.shadowRadius > 0) {
        // The shadow may not reach past the window; it fades out before the
        // window's edges so that none of it is cut straight.
        const QRectF area = QRectF(this->rect()).intersected(
            rect.adjusted(-2 * appearance.shadowRadius, 0, 2 * appearance.shadowRadius,
                          2 * appearance.shadowRadius + appearance.shadowYOffset));
        if (m_shadowRect != rect || m_shadowProgress != p || m_shadow.isNull()) {
            m_shadowRect = rect;
            m_shadowProgress = p;
            m_shadow = shadowImage(shape, area, p);
        }
        painter.save();
        painter.setOpacity(p);
        drawImageInBands(painter, QRectF(area.topLeft(), QSizeF(m_shadow.size())), m_shadow);
        painter.restore();
    }

    painter.fillPath(shape, TemplateStyle::color(appearance.panelColor));
    QPen border(TemplateStyle::color(appearance.borderColor), appearance.borderLineWidth, Qt::SolidLine, Qt::FlatCap,
                Qt::MiterJoin);
    border.setMiterLimit(10);
    painter.strokePath(NotchBorderShape{radius}.path(rect), border);

    painter.setClipPath(shape);
    QColor rim = TemplateStyle::color(appearance.innerGlowColor);
    rim.setAlphaF(float(rim.alphaF() * (m_inputs.isExpanded ? 1.0 : 0.75)));
    painter.setPen(QPen(rim, 0.6));
    painter.setBrush(Qt::NoBrush);
    const double rimRadius = std::max(0.0, radius - 1);
    painter.drawRoundedRect(rect, rimRadius, rimRadius);
}
