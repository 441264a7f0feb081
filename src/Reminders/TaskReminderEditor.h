#pragma once

#include "UI/Binding.h"
#include "UI/PopoverFrame.h"
#include "Platform/Date.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QWidget>
#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;

// The day and time fields of the reminder editor, bound to one instant. A
// change of either field keeps the other's part, drops the seconds and never
// goes before now; a wall-clock time the zone skips changes nothing.
class ReminderDateTimeFields final : public QWidget {
    Q_OBJECT
public:
    explicit ReminderDateTimeFields(Binding<Date> selection, const Clock& clock = SystemClock::shared(),
                                    QWidget* parent = nullptr);

    // Shows the selection again (written only where it differs) and moves the
    // earliest day to today. A selection that now lies in the past becomes now:
    // what the fields show is what a save stores.
    void refresh();

    QDateEdit* dayField() const { return m_day; }
    QTimeEdit* timeField() const { return m_time; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyStyle();
    void dayChanged();
    void timeChanged();
    void apply(const std::optional<Date>& result);

    Binding<Date> m_selection;
    const Clock& m_clock;
    QDateEdit* m_day = nullptr;
    QTimeEdit* m_time = nullptr;
};

// The card in which a task's reminder ("timer") is set, changed or cleared. It
// stores nothing: the row owns the draft and acts on the three callbacks.
class TaskReminderEditor final : public MaterialPopoverCard {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> onClear;
        std::function<void()> onCancel;
        std::function<void()> onSave;
    };

    TaskReminderEditor(const NotchTemplateConfiguration& configuration, Binding<Date> reminderDraft, bool hasReminder,
                       Callbacks callbacks, const Clock& clock = SystemClock::shared(), QWidget* parent = nullptr);

    ReminderDateTimeFields* fields() const { return m_fields; }

    // Renders the open editor again for the task as it is now: the title and
    // the Clear button follow `hasReminder`, and the fields the draft.
    void setHasReminder(bool hasReminder);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* makeButton(const QString& text, std::function<void()> Callbacks::*action);

    NotchTemplateConfiguration::Content m_content;
    QFont m_buttonFont;
    Callbacks m_callbacks;
    bool m_hasReminder = false;
    QLabel* m_title = nullptr;
    ReminderDateTimeFields* m_fields = nullptr;
    QWidget* m_buttons = nullptr;
    QPushButton* m_clear = nullptr;
};
