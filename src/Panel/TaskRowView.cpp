#include "Panel/TaskRowView.h"

#include "Platform/Text.h"
#include "UI/PopoverFrame.h"
#include "UI/SymbolPainter.h"
#include "UI/TemplateStyle.h"
#include "UI/ToolTipText.h"
#include "Reminders/TaskReminderEditor.h"

#include <QAbstractButton>
#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kColumnSpacing = 12;
constexpr double kTextSpacing = 4;
constexpr double kActionsWidth = 30;
constexpr double kActionsHeight = 28;
constexpr double kCheckboxTop = 2;
constexpr double kActionsTop = 1;

// A button that draws nothing: the row paints it, so that it scales and fades
// with the row, while the widget keeps it clickable and findable by name.
class RowHitButton final : public QAbstractButton {
public:
    RowHitButton(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent)
    {
        setAccessibleName(accessibleName);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
};

// One choice of the actions popover: symbol and title, the whole row clickable.
class ActionRowButton final : public QAbstractButton {
public:
    ActionRowButton(const QString& title, const QString& symbol, const QColor& symbolColor, const QFont& font,
                    QWidget* parent)
        : QAbstractButton(parent), m_title(title), m_symbol(symbol), m_symbolColor(symbolColor), m_font(font)
    {
        setAccessibleName(title);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        const int height = std::max(16, int(std::ceil(QFontMetricsF(m_font).height())));
        setFixedHeight(height);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {196, height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor text = palette().color(QPalette::WindowText);
        if (isDown())
            text = TemplateStyle::withOpacity(text, 0.6);
        else if (underMouse())
            painter.fillRect(rect().adjusted(-4, -3, 4, 3), QColor(255, 255, 255, 18));
        const double symbolSide = 13;
        SymbolPainter::paint(painter, m_symbol, QRectF((16 - symbolSide) / 2, (height() - symbolSide) / 2, symbolSide, symbolSide),
                             isDown() ? TemplateStyle::withOpacity(m_symbolColor, 0.6) : m_symbolColor, QFont::DemiBold);
        painter.setFont(m_font);
        painter.setPen(text);
        const QRectF titleRect(16 + 10, 0, width() - 26, height());
        painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QFontMetricsF(m_font).elidedText(m_title, Qt::ElideRight, titleRect.width()));
    }

private:
    QString m_title;
    QString m_symbol;
    QColor m_symbolColor;
    QFont m_font;
};

QColor mix(const QColor& from, const QColor& to, double p)
{
    const auto lerp = [p](float a, float b) { return a + (b - a) * float(p); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}
} // namespace

std::shared_ptr<const TaskRowView::Style> TaskRowView::makeStyle(const NotchTemplateConfiguration& configuration)
{
    auto style = std::make_shared<Style>();
    style->configuration = configuration;
    const auto& typography = configuration.typography;
    style->badgeFont = TemplateStyle::font(typography.sectionBadgeFont);
    style->titleFont = TemplateStyle::font(typography.taskFont);
    style->reasonFont = TemplateStyle::font(typography.reasonFont);
    NotchTemplateConfiguration::Font reminder = typography.reasonFont;
    reminder.weight = NotchTemplateConfiguration::Font::Weight::Medium;
    style->reminderFont = TemplateStyle::font(reminder);
    style->badgeMetrics = QFontMetricsF(style->badgeFont);
    style->titleMetrics = QFontMetricsF(style->titleFont);
    style->reasonMetrics = QFontMetricsF(style->reasonFont);
    style->reminderMetrics = QFontMetricsF(style->reminderFont);
    style->calendar = std::make_shared<const LocalCalendar>();
    return style;
}

TaskRowView::TaskRowView(Environment environment, QWidget* parent)
    : QWidget(parent), m_environment(std::move(environment))
{
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    m_reminderDraft = currentDate();

    m_checkButton = new RowHitButton(QStringLiteral("Complete task"), this);
    connect(m_checkButton, &QAbstractButton::clicked, this, [this] {
        if (m_callbacks.onCompleteTask)
            m_callbacks.onCompleteTask();
    });
    m_actionsButton = new RowHitButton(QStringLiteral("Task actions"), this);
    connect(m_actionsButton, &QAbstractButton::clicked, this, [this] { setShowingActions(!m_isShowingActions); });
}

TaskRowView::~TaskRowView() = default;

double TaskRowView::now() const
{
    return m_environment.animationClock ? m_environment.animationClock() : Motion::animationClock();
}

Date TaskRowView::currentDate() const
{
    return (m_environment.clock ? m_environment.clock : &SystemClock::shared())->now();
}

void TaskRowView::setInputs(Inputs inputs)
{
    if (m_hasInputs && inputs == m_inputs)
        return;
    const bool first = !m_hasInputs;
    const bool wasDone = isDone();
    const bool titleChanged = first || inputs.task.title != m_inputs.task.title || inputs.style != m_inputs.style;
    m_inputs = std::move(inputs);
    m_hasInputs = true;
    if (titleChanged)
        m_titleLayoutWidth = -1;
    m_reminderText = m_inputs.task.reminder ? reminderText(*m_inputs.style, m_inputs.task.reminder->scheduledAt) : QString();

    const TaskItem& task = m_inputs.task;
    // The title is user text: escaped so that a tooltip never renders it as markup.
    setToolTip(plainTextToolTip(task.title));
    const QString shownTitle = Text::displayPrefix(task.title);
    setAccessibleName(shownTitle);
    m_checkButton->setAccessibleDescription(shownTitle);
    m_actionsButton->setAccessibleDescription(shownTitle);
    // While completing the row takes no clicks: a second tap cannot land.
    setAttribute(Qt::WA_TransparentForMouseEvents, m_inputs.isCompleting);

    const bool done = isDone();
    if (first) {
        m_done.jumpTo(done ? 1 : 0);
    } else if (done != wasDone) {
        const auto& interaction = m_inputs.style->configuration.interaction;
        animate(m_done, done ? 1 : 0,
                m_inputs.reduceMotion
                    ? Motion::Animation::timed(Motion::Curve::Linear, interaction.reducedMotionDuration)
                    : Motion::Animation::timed(Motion::Curve::EaseOut, interaction.taskCompletionPressDuration));
    }
    placeButtons();
    update();
    // An open editor follows the task: a reminder that has flown leaves it setting a new one.
    if (auto* editor = qobject_cast<TaskReminderEditor*>(reminderEditorContent()))
        editor->setHasReminder(m_inputs.task.reminder.has_value());
}

void TaskRowView::animate(Motion::Value& value, double target, const Motion::Animation& animation)
{
    if (!isVisible()) {
        value.jumpTo(target);
        return;
    }
    value.setTarget(target, animation, now());
    if (!m_animator) {
        m_animator = std::make_unique<Motion::Animator>([this] { update(); },
                                                        [this] {
                                                            const double t = now();
                                                            m_done.value(t);
                                                            m_hover.value(t);
                                                            return m_done.isMoving() || m_hover.isMoving();
                                                        });
    }
    m_animator->start();
}

bool TaskRowView::isAIReasonCurrent(const TaskItem& task)
{
    return !task.reasonText.isEmpty() && task.aiReasonSourceTitle && *task.aiReasonSourceTitle == task.title;
}

QColor TaskRowView::accentColor(const Style& style, const TaskItem& task)
{
    const auto& appearance = style.configuration.appearance;
    return isAIReasonCurrent(task) ? TemplateStyle::priorityColor(appearance, task.priority)
                                   : TemplateStyle::color(appearance.chromeColor);
}

QString TaskRowView::actionsHoldReason(const QUuid& taskID)
{
    return QStringLiteral("task-actions-") + taskID.toString(QUuid::WithoutBraces).toUpper();
}

QString TaskRowView::reminderHoldReason(const QUuid& taskID)
{
    return QStringLiteral("task-reminder-") + taskID.toString(QUuid::WithoutBraces).toUpper();
}

QString TaskRowView::reminderText(const Style& style, Date scheduledAt)
{
    return style.calendar->format(scheduledAt, LocalCalendar::yearMonthDay + LocalCalendar::hourMinute);
}

double TaskRowView::textColumnWidth(const Style& style, int rowWidth)
{
    const auto& layout = style.configuration.layout;
    // checkbox, text, spacer, actions button: three gaps between four items.
    return std::max(0.0, rowWidth - 2 * layout.sidebarContentHorizontalInset - layout.taskCheckboxWidth
                             - kActionsWidth - 3 * kColumnSpacing);
}

WrappedText TaskRowView::layoutTitle(const Style& style, const QString& title, double width)
{
    const int lineLimit = std::max(1, style.configuration.layout.taskTitleLineLimit);
    return WrappedText::layout(title, style.titleFont, width, lineLimit);
}

const WrappedText& TaskRowView::titleLayout()
{
    if (m_hasInputs && m_titleLayoutWidth != width()) {
        m_title = layoutTitle(*m_inputs.style, m_inputs.task.title, textColumnWidth(*m_inputs.style, width()));
        m_titleLayoutWidth = width();
    }
    return m_title;
}

namespace {
double columnHeight(const TaskRowView::Style& style, const TaskRowView::Inputs& inputs, qsizetype titleLines)
{
    double height = 0;
    if (inputs.sectionTitle)
        height += style.badgeMetrics.height() + kTextSpacing;
    height += titleLines * style.titleMetrics.lineSpacing();
    if (TaskRowView::isAIReasonCurrent(inputs.task))
        height += kTextSpacing + style.reasonMetrics.height();
    if (inputs.task.reminder)
        height += kTextSpacing + style.reminderMetrics.height();
    return std::max(std::ceil(height), double(TemplateStyle::widgetExtent(style.configuration.layout.taskRowHeight)));
}
} // namespace

int TaskRowView::preferredHeight(const Inputs& inputs, int width)
{
    const Style& style = *inputs.style;
    const WrappedText title = layoutTitle(style, inputs.task.title, textColumnWidth(style, width));
    return int(columnHeight(style, inputs, title.lines.size()));
}

int TaskRowView::estimatedHeight(const Inputs& inputs)
{
    return int(columnHeight(*inputs.style, inputs, 1));
}

void TaskRowView::placeButtons()
{
    if (!m_hasInputs)
        return;
    const auto& layout = m_inputs.style->configuration.layout;
    const int inset = int(std::lround(layout.sidebarContentHorizontalInset));
    m_checkButton->setGeometry(inset, int(kCheckboxTop), TemplateStyle::widgetExtent(layout.taskCheckboxWidth),
                               TemplateStyle::widgetExtent(layout.taskCheckboxHeight));
    m_actionsButton->setGeometry(width() - inset - int(kActionsWidth), int(kActionsTop), int(kActionsWidth),
                                 int(kActionsHeight));
}

void TaskRowView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void TaskRowView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_isHovered = true;
    animate(m_hover, 1, Motion::Animation::timed(Motion::Curve::EaseOut, 0.14));
}

void TaskRowView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_isHovered = false;
    animate(m_hover, 0, Motion::Animation::timed(Motion::Curve::EaseOut, 0.14));
}

void TaskRowView::paintEvent(QPaintEvent*)
{
    if (!m_hasInputs)
        return;
    const Style& style = *m_inputs.style;
    const auto& layout = style.configuration.layout;
    const auto& interaction = style.configuration.interaction;
    const double t = now();
    const double done = std::clamp(m_done.value(t), 0.0, 1.0);
    const double hover = std::clamp(m_hover.value(t), 0.0, 1.0);
    const double scale = 1 - (1 - interaction.taskCompletionScale) * done;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The done look: shrunk about the leading edge, shifted, faded.
    painter.setOpacity(1 - 0.28 * done);
    painter.translate(interaction.taskCompletionOffset * done, height() / 2.0);
    painter.scale(scale, scale);
    painter.translate(0, -height() / 2.0);

    paintCheckbox(painter, accentColor(style, m_inputs.task), done, scale);
    // The text column, top to bottom.
    const double x = layout.sidebarContentHorizontalInset + layout.taskCheckboxWidth + kColumnSpacing;
    const double columnWidth = textColumnWidth(style, width());
    double y = paintBadge(painter, x, columnWidth);
    y = paintTitle(painter, x, y, done);
    y = paintReason(painter, x, y, columnWidth);
    paintReminder(painter, x, y, columnWidth);
    paintActionsButton(painter, hover);
}

void TaskRowView::paintCheckbox(QPainter& painter, const QColor& accent, double done, double scale) const
{
    const auto& appearance = m_inputs.style->configuration.appearance;
    const auto& layout = m_inputs.style->configuration.layout;
    const QRectF box(layout.sidebarContentHorizontalInset, kCheckboxTop, layout.taskCheckboxWidth,
                     layout.taskCheckboxHeight);
    painter.save();
    // Scaled about its own centre as well as with the row.
    painter.translate(box.center());
    painter.scale(scale, scale);
    painter.translate(-box.center());
    const double radius = appearance.taskCheckboxCornerRadius;
    const QColor fill = mix(TemplateStyle::color(appearance.taskCheckboxFillColor),
                            TemplateStyle::withOpacity(accent, 0.92), done);
    const QColor stroke = TemplateStyle::withOpacity(
        accent, appearance.taskCheckboxBorderOpacity + (0.98 - appearance.taskCheckboxBorderOpacity) * done);
    const double lineWidth = appearance.taskCheckboxBorderLineWidth;
    QPainterPath path;
    path.addRoundedRect(box.adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2), radius, radius);
    painter.fillPath(path, fill);
    painter.setPen(QPen(stroke, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    if (done > 0) {
        const double side = 10 * (0.8 + 0.2 * done);
        painter.setOpacity(painter.opacity() * done);
        SymbolPainter::paint(painter, QStringLiteral("checkmark"),
                             QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side),
                             TemplateStyle::color(appearance.taskCheckboxCheckmarkColor), QFont::Bold);
    }
    painter.restore();
}

// Each text step returns the top of what comes below it.
double TaskRowView::paintBadge(QPainter& painter, double x, double columnWidth) const
{
    if (!m_inputs.sectionTitle)
        return 0;
    const Style& style = *m_inputs.style;
    painter.setFont(style.badgeFont);
    painter.setPen(TemplateStyle::color(style.configuration.appearance.chromeColor));
    const QString badge = Text::displayPrefix(*m_inputs.sectionTitle).toUpper();
    painter.drawText(QPointF(x, style.badgeMetrics.ascent()),
                     style.badgeMetrics.elidedText(badge, Qt::ElideRight, columnWidth));
    return style.badgeMetrics.height() + kTextSpacing;
}

double TaskRowView::paintTitle(QPainter& painter, double x, double y, double done)
{
    const Style& style = *m_inputs.style;
    const auto& appearance = style.configuration.appearance;
    const QFontMetricsF& metrics = style.titleMetrics;
    const WrappedText& title = titleLayout();
    const QColor primary = TemplateStyle::color(appearance.primaryTextColor);
    painter.setPen(TemplateStyle::withOpacity(primary, 0.98 - (0.98 - 0.52) * done));
    title.draw(painter, style.titleFont, QPointF(x, y), metrics.lineSpacing());
    if (done > 0) {
        // The strike line is our own so that it takes its own colour.
        const QColor secondary = TemplateStyle::color(appearance.secondaryTextColor);
        const QColor strike = TemplateStyle::withOpacity(secondary, 0.4 * done);
        painter.save();
        painter.setPen(QPen(strike, std::max(1.0, metrics.lineWidth())));
        double strikeY = y + metrics.ascent() - metrics.xHeight() / 2;
        for (const WrappedText::Line& line : title.lines) {
            if (line.width > 0)
                painter.drawLine(QPointF(x, strikeY), QPointF(x + line.width, strikeY));
            strikeY += metrics.lineSpacing();
        }
        painter.restore();
    }
    return y + title.lines.size() * metrics.lineSpacing();
}

double TaskRowView::paintReason(QPainter& painter, double x, double y, double columnWidth) const
{
    const TaskItem& task = m_inputs.task;
    if (!isAIReasonCurrent(task))
        return y;
    const Style& style = *m_inputs.style;
    y += kTextSpacing;
    painter.setFont(style.reasonFont);
    painter.setPen(TemplateStyle::color(style.configuration.appearance.secondaryTextColor));
    painter.drawText(QPointF(x, y + style.reasonMetrics.ascent()),
                     style.reasonMetrics.elidedText(Text::displayPrefix(task.reasonText), Qt::ElideRight, columnWidth));
    return y + style.reasonMetrics.height();
}

void TaskRowView::paintReminder(QPainter& painter, double x, double y, double columnWidth) const
{
    if (!m_inputs.task.reminder)
        return;
    const Style& style = *m_inputs.style;
    y += kTextSpacing;
    const QColor blue =
        TemplateStyle::withOpacity(TemplateStyle::color(style.configuration.appearance.sectionAccentBlue), 0.92);
    const QFontMetricsF& metrics = style.reminderMetrics;
    const double side = style.configuration.typography.reasonFont.pointSize;
    SymbolPainter::paint(painter, QStringLiteral("timer"), QRectF(x, y + (metrics.height() - side) / 2, side, side),
                         blue, QFont::Medium);
    painter.setFont(style.reminderFont);
    painter.setPen(blue);
    painter.drawText(QPointF(x + side + 5, y + metrics.ascent()),
                     metrics.elidedText(m_reminderText, Qt::ElideRight, std::max(0.0, columnWidth - side - 5)));
}

void TaskRowView::paintActionsButton(QPainter& painter, double hover) const
{
    const auto& appearance = m_inputs.style->configuration.appearance;
    const double inset = m_inputs.style->configuration.layout.sidebarContentHorizontalInset;
    const QRectF button(width() - inset - kActionsWidth, kActionsTop, kActionsWidth, kActionsHeight);
    painter.save();
    // Grown a little under the pointer.
    const double grow = 1 + 0.03 * hover;
    painter.translate(button.center());
    painter.scale(grow, grow);
    painter.translate(-button.center());
    const double radius = std::max(0.0, appearance.buttonCornerRadius - 2);
    QPainterPath path;
    path.addRoundedRect(button, radius, radius);
    painter.fillPath(path, TemplateStyle::withOpacity(TemplateStyle::color(appearance.buttonFillColor),
                                                      0.56 + (0.88 - 0.56) * hover));
    const double side = 15;
    SymbolPainter::paint(painter, QStringLiteral("ellipsis"),
                         QRectF(button.center().x() - side / 2, button.center().y() - side / 2, side, side),
                         TemplateStyle::withOpacity(TemplateStyle::color(appearance.primaryTextColor), 0.95),
                         QFont::Bold);
    painter.restore();
}

// MARK: Popovers and holds

void TaskRowView::reportHold(bool isHeld, const QString& reason)
{
    if (!m_removed && m_callbacks.onSetExpansionHold)
        m_callbacks.onSetExpansionHold(isHeld, reason);
}

void TaskRowView::setShowingActions(bool isShowing)
{
    // Built on every opening: the reminder rows follow the task.
    present(m_isShowingActions, m_actionsPopover, isShowing, &TaskRowView::setShowingActions,
            &TaskRowView::makeActionsContent, actionsHoldReason(m_inputs.task.id));
}

void TaskRowView::setShowingReminderEditor(bool isShowing)
{
    present(m_isShowingReminderEditor, m_reminderPopover, isShowing, &TaskRowView::setShowingReminderEditor,
            &TaskRowView::makeReminderEditorContent, reminderHoldReason(m_inputs.task.id));
}

void TaskRowView::present(bool& flag, QPointer<PopoverFrame>& frame, bool isShowing, void (TaskRowView::*setter)(bool),
                          QWidget* (TaskRowView::*makeContent)(), const QString& holdReason)
{
    if (isShowing == flag || (isShowing && m_removed))
        return;
    flag = isShowing;
    if (isShowing) {
        if (!frame) {
            // Both hang on the actions button, arrow on the trailing edge.
            frame = new PopoverFrame(m_actionsButton, {[&flag] { return flag; }, [this, setter](bool v) { (this->*setter)(v); }},
                                     PopoverEdge::Trailing);
        }
        frame->setContent((this->*makeContent)());
    }
    if (frame)
        frame->sync();
    reportHold(isShowing, holdReason);
}

QWidget* TaskRowView::actionsPopoverContent() const
{
    return m_actionsPopover && m_isShowingActions ? m_actionsPopover->content() : nullptr;
}

QWidget* TaskRowView::reminderEditorContent() const
{
    return m_reminderPopover && m_isShowingReminderEditor ? m_reminderPopover->content() : nullptr;
}

void TaskRowView::resetReminderDraft()
{
    m_reminderDraft = m_inputs.task.reminder ? m_inputs.task.reminder->scheduledAt : currentDate();
}

void TaskRowView::openReminderEditor()
{
    resetReminderDraft();
    setShowingActions(false);
    setShowingReminderEditor(true);
}

QWidget* TaskRowView::makeActionsContent()
{
    const Style& style = *m_inputs.style;
    const auto& appearance = style.configuration.appearance;
    const auto& content = style.configuration.content;
    const bool hasReminder = m_inputs.task.reminder.has_value();

    auto* menu = new QWidget;
    menu->setAccessibleName(QStringLiteral("Task actions menu"));
    menu->setFixedWidth(220);
    auto* column = new QVBoxLayout(menu);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    const auto add = [&](const QString& title, const char* symbol, const NotchTemplateConfiguration::Color& color,
                         std::function<void()> action) {
        auto* row = new ActionRowButton(title, QString::fromLatin1(symbol), TemplateStyle::color(color),
                                        style.titleFont, menu);
        connect(row, &QAbstractButton::clicked, this, std::move(action));
        column->addWidget(row);
    };
    // Every choice closes the menu first, then acts.
    const auto closingThen = [this](std::function<void()> Callbacks::*callback) {
        return [this, callback] {
            setShowingActions(false);
            if (m_callbacks.*callback)
                (m_callbacks.*callback)();
        };
    };
    add(hasReminder ? content.reminderChangeTitle : content.reminderSetTitle, "timer", appearance.sectionAccentBlue,
        [this] { openReminderEditor(); });
    if (hasReminder)
        add(content.reminderClearTitle, "timer.slash", appearance.mediumPriorityColor,
            closingThen(&Callbacks::onClearReminder));
    add(QStringLiteral("Test Flight"), "airplane", appearance.sectionAccentBlue,
        closingThen(&Callbacks::onPreviewReminder));
    add(QStringLiteral("Delete Task"), "trash", appearance.highPriorityColor, closingThen(&Callbacks::onDeleteTask));
    return menu;
}

QWidget* TaskRowView::makeReminderEditorContent()
{
    ReminderEditorRequest request;
    request.configuration = &m_inputs.style->configuration;
    request.reminderDraft = {[this] { return m_reminderDraft; }, [this](Date date) { m_reminderDraft = date; }};
    request.hasReminder = m_inputs.task.reminder.has_value();
    // Clear is the row's own clear callback, nothing added.
    request.onClear = [this] {
        if (m_callbacks.onClearReminder)
            m_callbacks.onClearReminder();
    };
    request.onCancel = [this] {
        resetReminderDraft();
        setShowingReminderEditor(false);
    };
    request.onSave = [this] {
        if (m_callbacks.onSaveReminder)
            m_callbacks.onSaveReminder(m_reminderDraft);
        setShowingReminderEditor(false);
    };
    if (m_environment.reminderEditorFactory)
        return m_environment.reminderEditorFactory(request);
    return new TaskReminderEditor(request.configuration ? *request.configuration : NotchTemplateConfiguration::defaults(),
                                  request.reminderDraft, request.hasReminder,
                                  {request.onClear, request.onCancel, request.onSave},
                                  m_environment.clock ? *m_environment.clock : SystemClock::shared());
}

void TaskRowView::willRemove()
{
    if (m_removed)
        return;
    // Popovers close silently; the two releases below are the only reports.
    m_removed = true;
    m_isShowingActions = false;
    m_isShowingReminderEditor = false;
    if (m_actionsPopover)
        m_actionsPopover->sync();
    if (m_reminderPopover)
        m_reminderPopover->sync();
    if (m_callbacks.onSetExpansionHold) {
        m_callbacks.onSetExpansionHold(false, actionsHoldReason(m_inputs.task.id));
        m_callbacks.onSetExpansionHold(false, reminderHoldReason(m_inputs.task.id));
    }
}
