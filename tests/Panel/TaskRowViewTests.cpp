#include "Panel/TaskRowView.h"
#include "Platform/Text.h"
#include "Reminders/ReminderDateTime.h"
#include "Reminders/TaskReminderEditor.h"
#include "Support/ManualClock.h"
#include "Support/QtTestPrinters.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QTest>
#include <QTimeEdit>
#include <cmath>
#include <gtest/gtest.h>

namespace {
const QChar kEllipsis(0x2026);

TaskRowView::Inputs rowInputs(const QString& title)
{
    TaskRowView::Inputs inputs;
    inputs.style = TaskRowView::makeStyle(NotchTemplateConfiguration::defaults());
    inputs.task.id = QUuid::createUuid();
    inputs.task.title = title;
    inputs.task.sectionID = QStringLiteral("section.work");
    return inputs;
}

QString lastTitleLine(TaskRowView& row)
{
    return row.titleLayout().lines.last().text;
}

// The buttons of an open popover, by accessible name, top to bottom.
QStringList buttonNames(QWidget* content)
{
    QStringList names;
    if (!content)
        return names;
    for (QAbstractButton* button : content->findChildren<QAbstractButton*>())
        names << button->accessibleName();
    return names;
}

QAbstractButton* buttonNamed(QWidget* content, const QString& name)
{
    for (QAbstractButton* button : content->findChildren<QAbstractButton*>()) {
        if (button->accessibleName() == name)
            return button;
    }
    return nullptr;
}
} // namespace

TEST(TaskRowView, AccentAndReasonFollowOnlyACurrentAIResult)
{
    const auto style = TaskRowView::makeStyle(NotchTemplateConfiguration::defaults());
    const auto& appearance = style->configuration.appearance;
    TaskItem task = rowInputs("Ship release").task;
    task.priority = TaskPriority::high;
    struct Case {
        const char* name;
        QString reason;
        std::optional<QString> source;
        NotchTemplateConfiguration::Color expected;
    };
    const Case cases[] = {
        {"current result", "Due today", "Ship release", appearance.highPriorityColor},
        {"title edited after sorting", "Due today", "Ship the release", appearance.chromeColor},
        {"empty reason", "", "Ship release", appearance.chromeColor},
        {"never sorted", "", std::nullopt, appearance.chromeColor},
    };
    for (const Case& c : cases) {
        task.reasonText = c.reason;
        task.aiReasonSourceTitle = c.source;
        EXPECT_EQ(TaskRowView::accentColor(*style, task), TemplateStyle::color(c.expected)) << c.name;
        EXPECT_EQ(TaskRowView::isAIReasonCurrent(task), c.expected == appearance.highPriorityColor) << c.name;
    }
}

TEST(TaskRowView, ActionsPopoverOffersReminderChoicesAndHandsHoldsOver)
{
    std::optional<TaskReminderEditorRequest> editor;
    TaskRowEnvironment environment;
    ManualClock clock;
    environment.clock = &clock;
    environment.reminderEditorFactory = [&](const TaskReminderEditorRequest& request) {
        editor = request;
        return new QWidget;
    };
    QWidget host;
    host.resize(500, 100);
    auto* row = new TaskRowView(environment, &host);
    QStringList events;
    row->setCallbacks({[&] { events << "complete"; }, [&] { events << "delete"; },
                       [&](Date date) { events << "save " + QString::number(date.secondsSinceReferenceDate, 'f', 0); },
                       [&] { events << "clear"; }, [&] { events << "preview"; },
                       [&](bool held, const QString& reason) { events << QString("%1 %2").arg(held).arg(reason); }});
    TaskItem task = rowInputs("Dentist").task;
    task.id = QUuid("{6f1c2a4e-0000-4000-8000-00000000abcd}");
    row->setInputs({TaskRowView::makeStyle(NotchTemplateConfiguration::defaults()), task, false, std::nullopt, false});
    row->setGeometry(0, 0, 500, 58);
    host.show();
    const QString actions = "task-actions-6F1C2A4E-0000-4000-8000-00000000ABCD";
    const QString reminder = "task-reminder-6F1C2A4E-0000-4000-8000-00000000ABCD";

    QAbstractButton* opener = host.findChild<QAbstractButton*>();
    for (QAbstractButton* b : host.findChildren<QAbstractButton*>())
        if (b->accessibleName() == "Task actions")
            opener = b;
    QTest::mouseClick(opener, Qt::LeftButton);
    EXPECT_EQ(buttonNames(row->actionsPopoverContent()), (QStringList{"Set Timer", "Test Flight", "Delete Task"}));
    clock.advance(30);
    QTest::mouseClick(buttonNamed(row->actionsPopoverContent(), "Set Timer"), Qt::LeftButton);
    ASSERT_TRUE(editor);
    EXPECT_FALSE(editor->hasReminder);
    EXPECT_EQ(editor->reminderDraft.value(), clock.now()); // a task without a reminder starts at now
    editor->reminderDraft.setValue(Date{700009000});
    editor->onSave();
    EXPECT_EQ(events, (QStringList{"1 " + actions, "0 " + actions, "1 " + reminder, "save 700009000", "0 " + reminder}));
    EXPECT_FALSE(row->isShowingReminderEditor());

    // With a reminder: four rows; cancelling the editor resets the draft to the stored time.
    task.reminder = TaskReminder{Date{700050000}, false};
    row->setInputs({row->inputs().style, task, false, std::nullopt, false});
    events.clear();
    row->setShowingActions(true);
    EXPECT_EQ(buttonNames(row->actionsPopoverContent()),
              (QStringList{"Change Timer", "Clear Timer", "Test Flight", "Delete Task"}));
    QTest::mouseClick(buttonNamed(row->actionsPopoverContent(), "Change Timer"), Qt::LeftButton);
    EXPECT_TRUE(editor->hasReminder);
    EXPECT_EQ(editor->reminderDraft.value(), Date{700050000});
    editor->reminderDraft.setValue(Date{700060000});
    editor->onCancel();
    EXPECT_EQ(row->reminderDraft(), Date{700050000});
    row->setShowingActions(true);
    QTest::mouseClick(buttonNamed(row->actionsPopoverContent(), "Test Flight"), Qt::LeftButton);

    // Removal closes whatever is open and releases both reasons, actions first.
    row->setShowingReminderEditor(true);
    events.clear();
    row->willRemove();
    EXPECT_FALSE(row->isShowingReminderEditor());
    EXPECT_EQ(events, (QStringList{"0 " + actions, "0 " + reminder}));
    row->willRemove();
    EXPECT_EQ(events.size(), 2);
}

TEST(TaskRowView, TitleTakesAtMostItsLineLimit)
{
    TaskRowView::Inputs inputs;
    inputs.style = TaskRowView::makeStyle(NotchTemplateConfiguration::defaults());
    const int rowHeight = 58;
    const double line = inputs.style->titleMetrics.lineSpacing();
    inputs.task.title = "Short";
    EXPECT_EQ(TaskRowView::preferredHeight(inputs, 500), rowHeight);
    inputs.task.title = QString("A very long title that keeps going ").repeated(12);
    inputs.task.reminder = TaskReminder{Date{800000000}, false};
    inputs.sectionTitle = "Work";
    const int twoLines = TaskRowView::preferredHeight(inputs, 500);
    EXPECT_EQ(twoLines, int(std::ceil(inputs.style->badgeMetrics.height() + 4 + 2 * line + 4
                                      + inputs.style->reminderMetrics.height())));
    EXPECT_EQ(TaskRowView::preferredHeight(inputs, 220), twoLines); // narrower still elides after two lines
}

TEST(TaskRowView, OnlyACutTitleEndsItsLastLineWithAnEllipsis)
{
    TaskRowView row;
    row.resize(500, 80);
    const int lineLimit = NotchTemplateConfiguration::defaults().layout.taskTitleLineLimit;

    row.setInputs(rowInputs(QStringLiteral("Short")));
    EXPECT_EQ(row.titleLayout().lines.size(), 1);
    EXPECT_EQ(lastTitleLine(row), QStringLiteral("Short"));

    const QString longTitle = QStringLiteral("A very long title that keeps going ").repeated(12);
    row.setInputs(rowInputs(longTitle));
    EXPECT_EQ(row.titleLayout().lines.size(), lineLimit);
    EXPECT_TRUE(lastTitleLine(row).endsWith(kEllipsis)) << lastTitleLine(row).toStdString();
    // Laid out again when the row narrows: still cut, still marked.
    row.resize(260, 80);
    EXPECT_EQ(row.titleLayout().lines.size(), lineLimit);
    EXPECT_TRUE(lastTitleLine(row).endsWith(kEllipsis)) << lastTitleLine(row).toStdString();

    // Two lines that hold the whole title are not marked as cut.
    row.resize(500, 80);
    row.setInputs(rowInputs(QStringLiteral("Water the plants on the balcony and then call the landlord about "
                                           "the broken window")));
    ASSERT_EQ(row.titleLayout().lines.size(), 2);
    EXPECT_FALSE(lastTitleLine(row).endsWith(kEllipsis)) << lastTitleLine(row).toStdString();
}

TEST(TaskRowView, AHugeTitleIsShownFromABoundedPrefixAndKeptWhole)
{
    QString spaced;
    while (spaced.size() < 1 << 20)
        spaced += QStringLiteral("plan the garden ");
    const int lineLimit = NotchTemplateConfiguration::defaults().layout.taskTitleLineLimit;
    for (const QString& title : {QString(1 << 20, u'a'), spaced}) {
        const TaskRowView::Inputs inputs = rowInputs(title);
        TaskRowView row;
        row.resize(500, 80);
        row.setInputs(inputs);
        row.grab(); // paints
        const WrappedText& shown = row.titleLayout();
        EXPECT_LE(shown.measuredLength, lineLimit * Text::displayPrefixLength + 1);
        EXPECT_EQ(shown.lines.size(), lineLimit);
        EXPECT_TRUE(shown.lines.last().text.endsWith(kEllipsis));
        // Everything else that carries the title carries a prefix of it.
        EXPECT_LE(row.accessibleName().size(), Text::displayPrefixLength + 1);
        EXPECT_TRUE(title.startsWith(row.accessibleName().chopped(1)));
        EXPECT_LE(row.toolTip().size(), 2 * Text::displayPrefixLength);
        for (const QAbstractButton* button : row.findChildren<QAbstractButton*>())
            EXPECT_LE(button->accessibleDescription().size(), Text::displayPrefixLength + 1);
        const QString longTitle = QStringLiteral("A long title that goes on ").repeated(20);
        EXPECT_EQ(TaskRowView::preferredHeight(inputs, 500), TaskRowView::preferredHeight(rowInputs(longTitle), 500));
        // The task itself keeps every character.
        EXPECT_EQ(row.inputs().task.title, title);
    }
}

namespace {
// The open editor as a person reads it: its title, then its buttons left to right.
QStringList editorTexts(const TaskRowView& row)
{
    QWidget* editor = row.reminderEditorContent();
    if (!editor)
        return {};
    QStringList texts{editor->findChild<QLabel*>()->text()};
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* button : editor->findChildren<QAbstractButton*>()) {
        if (button->isVisibleTo(editor))
            buttons << button;
    }
    // Laid out as shown after the last change.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    for (QAbstractButton* button : buttons)
        texts << button->accessibleName();
    return texts;
}
} // namespace

// The editor stays open while its reminder flies (marked delivering, then
// cleared, as the scheduler does): afterwards it sets a new timer, and what it
// shows is what Save stores.
TEST(TaskRowView, AnOpenTimerEditorFollowsItsReminderThroughTheFlight)
{
    const Date start = Date::fromDateTime(QDateTime(QDate::currentDate().addDays(40), QTime(12, 0, 5)));
    for (const bool changedFirst : {false, true}) {
        SCOPED_TRACE(changedFirst ? "a later time chosen before the flight" : "the reminder's own time");
        ManualClock clock(start);
        TaskRowEnvironment environment;
        environment.clock = &clock;
        QWidget host;
        host.resize(500, 100);
        auto* row = new TaskRowView(environment, &host);
        QList<Date> saved;
        TaskRowView::Callbacks callbacks;
        callbacks.onSaveReminder = [&](Date date) { saved << date; };
        row->setCallbacks(callbacks);
        TaskRowView::Inputs inputs;
        inputs.style = TaskRowView::makeStyle(NotchTemplateConfiguration::defaults());
        inputs.task.id = QUuid::createUuid();
        inputs.task.title = QStringLiteral("Stretch");
        inputs.task.reminder = TaskReminder{start.addingSeconds(40), false};
        row->setInputs(inputs);
        row->setGeometry(0, 0, 500, 70);
        host.show();

        row->setShowingActions(true);
        for (QAbstractButton* button : row->actionsPopoverContent()->findChildren<QAbstractButton*>()) {
            if (button->accessibleName() == "Change Timer") {
                button->click();
                break;
            }
        }
        ASSERT_TRUE(row->isShowingReminderEditor());
        EXPECT_EQ(editorTexts(*row), (QStringList{"Change Timer", "Clear Timer", "Cancel", "Save"}));
        auto* editor = qobject_cast<TaskReminderEditor*>(row->reminderEditorContent());
        ASSERT_TRUE(editor);
        const QDate day = ReminderDateTime::localDateTime(start).date();
        if (changedFirst)
            editor->fields()->timeField()->setTime(QTime(15, 45));
        const Date chosen = changedFirst ? Date::fromDateTime(QDateTime(day, QTime(15, 45))) : start.addingSeconds(40);
        EXPECT_EQ(row->reminderDraft(), chosen);

        // Due: the flight starts and the reminder is marked, still there.
        clock.advance(40);
        inputs.task.reminder->isDelivering = true;
        row->setInputs(inputs);
        EXPECT_EQ(editorTexts(*row), (QStringList{"Change Timer", "Clear Timer", "Cancel", "Save"}));

        // The flight ends and the reminder is cleared.
        clock.advance(9.5);
        inputs.task.reminder.reset();
        row->setInputs(inputs);
        ASSERT_EQ(row->reminderEditorContent(), editor) << "the open editor is the same card";
        EXPECT_EQ(editorTexts(*row), (QStringList{"Set Timer", "Cancel", "Save"}));
        const Date shown = changedFirst ? chosen : clock.now();
        const QDateTime local = ReminderDateTime::localDateTime(shown);
        EXPECT_EQ(editor->fields()->dayField()->date(), local.date());
        EXPECT_EQ(editor->fields()->timeField()->time(), QTime(local.time().hour(), local.time().minute()));

        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_EQ(saved.size(), 1);
        EXPECT_EQ(saved.first(), shown);
        EXPECT_GE(saved.first(), clock.now()) << "never the time that has already flown";
    }
}
