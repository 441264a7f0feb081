#include "Reminders/TaskReminderEditor.h"

#include "UI/TemplateStyle.h"
#include "Reminders/ReminderDateTime.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>

ReminderDateTimeFields::ReminderDateTimeFields(Binding<Date> selection, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_selection(std::move(selection)), m_clock(clock)
{
    m_day = new QDateEdit(this);
    m_day->setAccessibleName(QStringLiteral("Timer day"));
    m_day->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    m_day->setFixedWidth(228);
    m_time = new QTimeEdit(this);
    m_time->setAccessibleName(QStringLiteral("Timer time"));
    m_time->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    m_time->setDisplayFormat(ReminderDateTime::hourMinuteFormat());
    m_time->setFixedWidth(132);

    // A quiet field with a small stepper that fits the popover's dark material.
    setStyleSheet(QStringLiteral(
        "QAbstractSpinBox { background: rgba(255,255,255,18); color: rgba(255,255,255,235);"
        " border: 1px solid rgba(255,255,255,36); border-radius: 6px; padding: 3px 6px; }"
        "QAbstractSpinBox:focus { border-color: rgba(10,132,255,200); }"
        "QAbstractSpinBox::up-button, QAbstractSpinBox::down-button { width: 16px; border: none; background: transparent; }"
        "QAbstractSpinBox::up-arrow { width: 0; height: 0; border-left: 4px solid transparent;"
        " border-right: 4px solid transparent; border-bottom: 5px solid rgba(255,255,255,170); }"
        "QAbstractSpinBox::down-arrow { width: 0; height: 0; border-left: 4px solid transparent;"
        " border-right: 4px solid transparent; border-top: 5px solid rgba(255,255,255,170); }"));

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
    const QDateTime local = ReminderDateTime::localDateTime(m_selection.value());
    const QSignalBlocker dayBlocker(m_day);
    const QSignalBlocker timeBlocker(m_time);
    // Today is the earliest day; an earlier time on it is brought to now when combined.
    const QDate today = ReminderDateTime::localDateTime(m_clock.now()).date();
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
    : MaterialPopoverCard(300, parent), m_callbacks(std::move(callbacks))
{
    setAccessibleName(QStringLiteral("Timer editor"));
    const auto& content = configuration.content;
    const auto& typography = configuration.typography;

    auto* title = new QLabel(hasReminder ? content.reminderChangeTitle : content.reminderSetTitle, this);
    title->setTextFormat(Qt::PlainText);
    NotchTemplateConfiguration::Font titleFont = typography.taskFont;
    titleFont.weight = NotchTemplateConfiguration::Font::Weight::Semibold;
    title->setFont(TemplateStyle::font(titleFont));
    addContent(title);

    m_fields = new ReminderDateTimeFields(std::move(reminderDraft), clock, this);
    addContent(m_fields);

    auto* buttons = new QWidget(this);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    NotchTemplateConfiguration::Font buttonFont = typography.reasonFont;
    buttonFont.weight = NotchTemplateConfiguration::Font::Weight::Medium;
    const auto button = [&](const QString& text, std::function<void()> TaskReminderEditor::Callbacks::*action) {
        auto* b = new QPushButton(buttons);
        // Shown as typed: no mnemonic is taken from the text.
        b->setText(QString(text).replace(QLatin1Char('&'), QLatin1String("&&")));
        b->setAccessibleName(text);
        b->setFlat(true);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::PointingHandCursor);
        b->setFont(TemplateStyle::font(buttonFont));
        connect(b, &QPushButton::clicked, this, [this, action] {
            if (m_callbacks.*action)
                (m_callbacks.*action)();
        });
        return b;
    };
    if (hasReminder) {
        QPushButton* clear = button(content.reminderClearTitle, &Callbacks::onClear);
        QPalette destructive = clear->palette();
        destructive.setColor(QPalette::ButtonText, SystemColors::red());
        clear->setPalette(destructive);
        row->addWidget(clear);
    }
    row->addStretch(1);
    row->addWidget(button(content.reminderCancelTitle, &Callbacks::onCancel));
    QPushButton* save = button(content.reminderSaveTitle, &Callbacks::onSave);
    save->setDefault(true);
    row->addWidget(save);
    addContent(buttons);
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
