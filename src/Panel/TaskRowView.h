#pragma once

#include "Model/TaskItem.h"
#include "UI/Binding.h"
#include "UI/Motion.h"
#include "UI/WrappedText.h"
#include "Platform/Date.h"
#include "Platform/LocalCalendar.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class PopoverFrame;
class QAbstractButton;
class QPainter;

// What a task row hands to the reminder editor it opens.
struct TaskReminderEditorRequest {
    const NotchTemplateConfiguration* configuration = nullptr;
    Binding<Date> reminderDraft;
    bool hasReminder = false;
    std::function<void()> onClear;
    std::function<void()> onCancel;
    std::function<void()> onSave;
};
// Builds the editor's content widget (the popover frame owns it).
using TaskReminderEditorFactory = std::function<QWidget*(const TaskReminderEditorRequest&)>;

// What a task row needs from outside; empty members take the real thing.
struct TaskRowEnvironment {
    TaskReminderEditorFactory reminderEditorFactory; // empty: the real editor
    const Clock* clock = nullptr;                    // empty: the system clock
    std::function<double()> animationClock;          // empty: the wall clock
};

// One task of the notch panel's list: checkbox, optional section badge, title,
// current AI reason, reminder line, and the actions button with its popovers
// (actions menu, reminder editor). Painted in one pass; the two buttons are
// invisible child widgets so they can be found and pressed by name. While a
// popover is open the row holds the panel expanded.
class TaskRowView final : public QWidget {
    Q_OBJECT
public:
    // Fonts, metrics and colours derived once from the template and shared by
    // every row of a list.
    struct Style {
        NotchTemplateConfiguration configuration;
        QFont badgeFont, titleFont, reasonFont, reminderFont;
        QFontMetricsF badgeMetrics{QFont()}, titleMetrics{QFont()}, reasonMetrics{QFont()},
            reminderMetrics{QFont()};
        // The user's zone and locale, for the reminder line.
        std::shared_ptr<const LocalCalendar> calendar;
    };
    static std::shared_ptr<const Style> makeStyle(const NotchTemplateConfiguration& configuration);

    struct Inputs {
        std::shared_ptr<const Style> style;
        TaskItem task;
        bool isCompleting = false;
        std::optional<QString> sectionTitle;
        bool reduceMotion = false;

        friend bool operator==(const Inputs&, const Inputs&) = default;
    };
    struct Callbacks {
        std::function<void()> onCompleteTask;
        std::function<void()> onDeleteTask;
        std::function<void(Date)> onSaveReminder;
        std::function<void()> onClearReminder;
        std::function<void()> onPreviewReminder;
        std::function<void(bool isHeld, const QString& reason)> onSetExpansionHold;
    };

    using ReminderEditorRequest = TaskReminderEditorRequest;
    using ReminderEditorFactory = TaskReminderEditorFactory;
    using Environment = TaskRowEnvironment;

    explicit TaskRowView(Environment environment = {}, QWidget* parent = nullptr);
    ~TaskRowView() override;

    void setInputs(Inputs inputs);
    const Inputs& inputs() const { return m_inputs; }
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The height the row needs at a width (at least taskRowHeight).
    static int preferredHeight(const Inputs& inputs, int width);
    // The same for a one-line title, without measuring any text.
    static int estimatedHeight(const Inputs& inputs);

    // Called once before the list drops the row: closes its popovers and
    // releases both holds, the actions reason first, whether held or not.
    void willRemove();

    bool isShowingActions() const { return m_isShowingActions; }
    bool isShowingReminderEditor() const { return m_isShowingReminderEditor; }
    Date reminderDraft() const { return m_reminderDraft; }
    void setShowingActions(bool isShowing);
    void setShowingReminderEditor(bool isShowing);
    // The open popover's content (for tests and accessibility), or null.
    QWidget* actionsPopoverContent() const;
    QWidget* reminderEditorContent() const;

    // The row's derived values.
    static bool isAIReasonCurrent(const TaskItem& task);
    static QColor accentColor(const Style& style, const TaskItem& task);
    static QString actionsHoldReason(const QUuid& taskID);
    static QString reminderHoldReason(const QUuid& taskID);
    // The locale's abbreviated date and short time ("Dec 8, 2027, 11:06 PM").
    static QString reminderText(const Style& style, Date scheduledAt);
    // The title as the row shows it at its current width.
    const WrappedText& titleLayout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    static WrappedText layoutTitle(const Style& style, const QString& title, double width);
    static double textColumnWidth(const Style& style, int rowWidth);
    // The steps of a paint, each in the row's scaled and shifted coordinates.
    void paintCheckbox(QPainter& painter, const QColor& accent, double done, double scale) const;
    double paintBadge(QPainter& painter, double x, double columnWidth) const;
    double paintTitle(QPainter& painter, double x, double y, double done);
    double paintReason(QPainter& painter, double x, double y, double columnWidth) const;
    void paintReminder(QPainter& painter, double x, double y, double columnWidth) const;
    void paintActionsButton(QPainter& painter, double hover) const;

    bool isDone() const { return m_inputs.task.isCompleted || m_inputs.isCompleting; }
    double now() const;
    Date currentDate() const;
    void animate(Motion::Value& value, double target, const Motion::Animation& animation);
    void placeButtons();
    void openReminderEditor();
    void resetReminderDraft();
    void reportHold(bool isHeld, const QString& reason);
    void present(bool& flag, QPointer<PopoverFrame>& frame, bool isShowing, void (TaskRowView::*setter)(bool),
                 QWidget* (TaskRowView::*makeContent)(), const QString& holdReason);
    QWidget* makeActionsContent();
    QWidget* makeReminderEditorContent();

    Environment m_environment;
    Inputs m_inputs;
    Callbacks m_callbacks;
    bool m_hasInputs = false;
    bool m_removed = false;

    bool m_isHovered = false;
    bool m_isShowingActions = false;
    bool m_isShowingReminderEditor = false;
    Date m_reminderDraft;

    QAbstractButton* m_checkButton = nullptr;
    QAbstractButton* m_actionsButton = nullptr;
    QPointer<PopoverFrame> m_actionsPopover;
    QPointer<PopoverFrame> m_reminderPopover;

    QString m_reminderText;
    WrappedText m_title;
    int m_titleLayoutWidth = -1;

    Motion::Value m_done{0};
    Motion::Value m_hover{0};
    std::unique_ptr<Motion::Animator> m_animator;
};
