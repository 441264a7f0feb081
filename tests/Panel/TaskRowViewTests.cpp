#include "Panel/TaskRowView.h"
#include "Platform/Text.h"
#include "Reminders/ReminderDateTime.h"
#include "Reminders/TaskReminderEditor.h"
#include "Support/ManualClock.h"
#include "Support/QtTestPrinters.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QTest>
#include <QTimeEdit>
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
} // namespace

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
