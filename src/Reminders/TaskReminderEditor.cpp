#include "Reminders/TaskReminderEditor.h"

#include "UI/TemplateStyle.h"
#include "Reminders/ReminderDateTime.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <tuple>
#include <utility>

namespace {
// A day or time field whose stepper shows an up and a down arrow in the text
// colour of its palette, dimmed where it cannot step.
template <typename Field>
class SteppedField final : public Field {
public:
    explicit SteppedField(QWidget* parent) : Field(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        Field::paintEvent(event);
        QStyleOptionSpinBox option;
        this->initStyleOption(&option);
        const auto steps = this->stepEnabled();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (const auto& [control, up, enabled] :
             {std::tuple{QStyle::SC_SpinBoxUp, true, bool(steps & QAbstractSpinBox::StepUpEnabled)},
              std::tuple{QStyle::SC_SpinBoxDown, false, bool(steps & QAbstractSpinBox::StepDownEnabled)}}) {
            const QRectF button = this->style()->subControlRect(QStyle::CC_SpinBox, &option, control, this);
            QColor color = this->palette().color(QPalette::Text);
            color.setAlphaF(color.alphaF() * (enabled && this->isEnabled() ? 0.7f : 0.25f));
            // A small triangle, its point towards the direction it steps.
            const QPointF centre = button.center();
            const double half = 4, rise = up ? -2.5 : 2.5;
            const QPolygonF arrow{centre + QPointF(-half, -rise), centre + QPointF(half, -rise),
                                  centre + QPointF(0, rise)};
            painter.setBrush(color);
            painter.drawPolygon(arrow);
        }
    }
};

QString rgba(QColor color, int alpha)
{
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(color.red()).arg(color.green()).arg(color.blue()).arg(alpha);
}
} // namespace

ReminderDateTimeFields::ReminderDateTimeFields(Binding<Date> selection, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_selection(std::move(selection)), m_clock(clock)
{
    m_day = new SteppedField<QDateEdit>(this);
    m_day->setAccessibleName(QStringLiteral("Timer day"));
    m_day->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    m_day->setDisplayFormat(ReminderDateTime::dayFormat());
    m_day->setFixedWidth(228);
    m_time = new SteppedField<QTimeEdit>(this);
    m_time->setAccessibleName(QStringLiteral("Timer time"));
    m_time->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    m_time->setDisplayFormat(ReminderDateTime::hourMinuteFormat());
    m_time->setFixedWidth(132);
    applyStyle();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(m_day, 0, Qt::AlignLeft);
    column->addWidget(m_time, 0, Qt::AlignLeft);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    // A click picks the whole day, month, hour or minute under it, as a date
    // picker's segment, so the digits typed next replace it; a bare caret
    // would make every typed digit an insertion the field rejects.
    for (QDateTimeEdit* field : {static_cast<QDateTimeEdit*>(m_day), static_cast<QDateTimeEdit*>(m_time)}) {
        if (QLineEdit* line = field->findChild<QLineEdit*>())
            line->installEventFilter(this);
    }

    refresh();
    connect(m_day, &QDateEdit::dateChanged, this, &ReminderDateTimeFields::dayChanged);
    connect(m_time, &QTimeEdit::timeChanged, this, &ReminderDateTimeFields::timeChanged);
}

void ReminderDateTimeFields::applyStyle()
{
    // A quiet field with a small stepper, in the colours of the palette it is
    // shown in (the popover's dark material, or a light window).
    const QColor text = palette().color(QPalette::Text);
    const QString sheet =
        QStringLiteral("QAbstractSpinBox { background: %1; color: %2; border: 1px solid %3; border-radius: 6px;"
                       " padding: 3px 6px; }"
                       "QAbstractSpinBox:focus { border-color: rgba(10,132,255,200); }"
                       "QAbstractSpinBox::up-button, QAbstractSpinBox::down-button { width: 16px; border: none;"
                       " background: transparent; }"
                       "QAbstractSpinBox::up-arrow, QAbstractSpinBox::down-arrow { width: 0; height: 0; }")
            .arg(rgba(text, 18), rgba(text, 235), rgba(text, 36));
    // On the fields themselves: a sheet on this widget would reset its palette to the application's.
    for (QAbstractSpinBox* field : {static_cast<QAbstractSpinBox*>(m_day), static_cast<QAbstractSpinBox*>(m_time)}) {
        if (field->styleSheet() != sheet)
            field->setStyleSheet(sheet);
    }
}

void ReminderDateTimeFields::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        applyStyle();
    QWidget::changeEvent(event);
}

bool ReminderDateTimeFields::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* line = qobject_cast<QLineEdit*>(watched);
        auto* field = line ? qobject_cast<QDateTimeEdit*>(line->parentWidget()) : nullptr;
        // The press has placed the caret; a dragged selection is kept.
        if (field && !line->hasSelectedText())
            field->setSelectedSection(field->currentSection());
    }
    return QWidget::eventFilter(watched, event);
}

void ReminderDateTimeFields::refresh()
{
    // Now is the earliest the fields show, as a picker's minimum.
    const Date now = m_clock.now();
    if (m_selection.value() < now)
        m_selection.setValue(now);
    const QDateTime local = ReminderDateTime::localDateTime(m_selection.value());
    const QSignalBlocker dayBlocker(m_day);
    const QSignalBlocker timeBlocker(m_time);
    // Today is the earliest day; an earlier time on it is brought to now when combined.
    const QDate today = ReminderDateTime::localDateTime(now).date();
    m_day->setMinimumDate(std::min(today, local.date()));
    if (m_day->date() != local.date())
        m_day->setDate(local.date());
    const QTime minute(local.time().hour(), local.time().minute());
    if (m_time->time() != minute)
        m_time->setTime(minute);
    m_day->setMinimumDate(today);
}

void ReminderDateTimeFields::dayChanged()
{
    apply(ReminderDateTime::combine(m_day->date(), ReminderDateTime::localDateTime(m_selection.value()).time(),
                                    m_clock.now()));
}

void ReminderDateTimeFields::timeChanged()
{
    apply(ReminderDateTime::combine(ReminderDateTime::localDateTime(m_selection.value()).date(), m_time->time(),
                                    m_clock.now()));
}

void ReminderDateTimeFields::apply(const std::optional<Date>& result)
{
    if (result)
        m_selection.setValue(*result);
    // Both fields show the selection again, also when nothing changed.
    refresh();
}

TaskReminderEditor::TaskReminderEditor(const NotchTemplateConfiguration& configuration, Binding<Date> reminderDraft,
                                       bool hasReminder, Callbacks callbacks, const Clock& clock, QWidget* parent)
    : MaterialPopoverCard(300, parent), m_content(configuration.content), m_callbacks(std::move(callbacks))
{
    setAccessibleName(QStringLiteral("Timer editor"));
    const auto& typography = configuration.typography;

    m_title = new QLabel(this);
    m_title->setTextFormat(Qt::PlainText);
    NotchTemplateConfiguration::Font titleFont = typography.taskFont;
    titleFont.weight = NotchTemplateConfiguration::Font::Weight::Semibold;
    m_title->setFont(TemplateStyle::font(titleFont));
    addContent(m_title);

    m_fields = new ReminderDateTimeFields(std::move(reminderDraft), clock, this);
    addContent(m_fields);

    m_buttons = new QWidget(this);
    auto* row = new QHBoxLayout(m_buttons);
    row->setContentsMargins(0, 0, 0, 0);
    NotchTemplateConfiguration::Font buttonFont = typography.reasonFont;
    buttonFont.weight = NotchTemplateConfiguration::Font::Weight::Medium;
    m_buttonFont = TemplateStyle::font(buttonFont);
    row->addStretch(1);
    row->addWidget(makeButton(m_content.reminderCancelTitle, &Callbacks::onCancel));
    QPushButton* save = makeButton(m_content.reminderSaveTitle, &Callbacks::onSave);
    save->setDefault(true);
    row->addWidget(save);
    addContent(m_buttons);

    m_hasReminder = !hasReminder;
    setHasReminder(hasReminder);
}

QPushButton* TaskReminderEditor::makeButton(const QString& text, std::function<void()> Callbacks::*action)
{
    auto* b = new QPushButton(m_buttons);
    // Shown as typed: no mnemonic is taken from the text.
    b->setText(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
    b->setAccessibleName(text);
    b->setFlat(true);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    b->setFont(m_buttonFont);
    connect(b, &QPushButton::clicked, this, [this, action] {
        if (m_callbacks.*action)
            (m_callbacks.*action)();
    });
    return b;
}

void TaskReminderEditor::setHasReminder(bool hasReminder)
{
    // The fields first: a reminder that has just flown leaves a draft in the past.
    m_fields->refresh();
    if (hasReminder == m_hasReminder)
        return;
    m_hasReminder = hasReminder;
    m_title->setText(hasReminder ? m_content.reminderChangeTitle : m_content.reminderSetTitle);
    if (hasReminder && !m_clear) {
        m_clear = makeButton(m_content.reminderClearTitle, &Callbacks::onClear);
        QPalette destructive = m_clear->palette();
        destructive.setColor(QPalette::ButtonText, SystemColors::red());
        m_clear->setPalette(destructive);
        static_cast<QHBoxLayout*>(m_buttons->layout())->insertWidget(0, m_clear);
        // First among the buttons for a reader too, as it is on screen.
        m_clear->lower();
    } else if (!hasReminder && m_clear) {
        // Taken out at once but deleted later: this may run inside its own click.
        QPushButton* clear = std::exchange(m_clear, nullptr);
        m_buttons->layout()->removeWidget(clear);
        clear->hide();
        clear->setParent(nullptr);
        clear->deleteLater();
    }
}

void TaskReminderEditor::keyPressEvent(QKeyEvent* event)
{
    // Return saves, as the default button of the card.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_callbacks.onSave) {
        m_callbacks.onSave();
        return;
    }
    MaterialPopoverCard::keyPressEvent(event);
}
