#include "Panel/TaskListView.h"
#include "Panel/TaskRowView.h"
#include "Panel/TransparentTaskTextField.h"
#include "Support/EventLoopWait.h"
#include "Support/PanelFixture.h"
#include "Support/QtTestPrinters.h"

#include <QPaintEvent>
#include <QTest>

namespace {
// Every paint event the application delivers while it is installed, as the
// widget and the painted area in the window's coordinates.
class PaintLog final : public QObject {
public:
    PaintLog() { qApp->installEventFilter(this); }
    ~PaintLog() override { qApp->removeEventFilter(this); }

    struct Paint {
        QWidget* widget;
        QRect area;
    };
    QList<Paint> paints;

    // Every paint that reached outside `area` (window coordinates), described.
    QStringList outside(const QRect& area) const
    {
        QStringList found;
        for (const Paint& paint : paints) {
            if (!area.contains(paint.area))
                found << QStringLiteral("%1 \"%2\" at %3,%4 %5x%6")
                             .arg(paint.widget->metaObject()->className(), paint.widget->accessibleName())
                             .arg(paint.area.x())
                             .arg(paint.area.y())
                             .arg(paint.area.width())
                             .arg(paint.area.height());
        }
        return found;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const QRect area = static_cast<QPaintEvent*>(event)->region().boundingRect();
            paints.append({widget, area.translated(widget->mapTo(widget->window(), QPoint()))});
        }
        return false;
    }
};

QRect windowRect(const QWidget* widget)
{
    return {widget->mapTo(widget->window(), QPoint()), widget->size()};
}

// Expanded on six tasks of the selected section, every animation over.
struct SettledPanel : PanelFixture {
    // A blinking text cursor repaints on its own clock; none of these changes asked for that.
    int flashTime = QApplication::cursorFlashTime();
    SettledPanel()
    {
        QApplication::setCursorFlashTime(0);
        for (int i = 0; i < 6; ++i)
            add(QStringLiteral("Task %1").arg(i));
        EXPECT_TRUE(waitUntil([this] { return !view.isAnimating() && !view.taskList().isAnimating(); }, 3000));
        runEventLoopFor(50);
    }
    ~SettledPanel() { QApplication::setCursorFlashTime(flashTime); }
    TransparentTaskTextField* composer() const { return view.taskList().composerField(); }
};
} // namespace

TEST(PanelRepaint, AKeystrokeRepaintsTheComposerFieldAlone)
{
    SettledPanel f;
    f.view.activateWindow();
    QApplication::setActiveWindow(&f.view);
    f.composer()->setFocus();
    runEventLoopFor(50);

    PaintLog log;
    QTest::keyClicks(f.composer(), "x");
    // The view models' change reaches the panel on a later turn of the event loop.
    runEventLoopFor(100);
    ASSERT_EQ(f.viewModel.draftTask(), "x");
    EXPECT_FALSE(log.paints.isEmpty()) << "the typed letter was never drawn";
    const QStringList outside = log.outside(windowRect(f.composer()));
    EXPECT_TRUE(outside.isEmpty()) << "also repainted: " << outside.join("; ").toStdString();
}

TEST(PanelRepaint, ChangingOneTasksReminderRepaintsItsRowAlone)
{
    SettledPanel f;
    const TaskItem task = f.viewModel.tasks().at(2);
    f.viewModel.saveReminder(task.id, Date{800000000});
    f.view.syncNow();
    ASSERT_TRUE(waitUntil([&] { return !f.view.taskList().isAnimating(); }, 3000)); // the rows below made room
    runEventLoopFor(50);
    TaskRowView* row = f.view.taskList().rowForTask(task.id);
    ASSERT_NE(row, nullptr);

    // Another time for the same reminder: the row keeps its lines and its place.
    PaintLog log;
    f.viewModel.saveReminder(task.id, Date{800003600});
    runEventLoopFor(100);
    ASSERT_EQ(row->inputs().task.reminder->scheduledAt, Date{800003600});
    EXPECT_FALSE(log.paints.isEmpty()) << "the new time was never drawn";
    const QStringList outside = log.outside(windowRect(row));
    EXPECT_TRUE(outside.isEmpty()) << "also repainted: " << outside.join("; ").toStdString();
}

namespace {
TaskItem listTask(const QString& title)
{
    TaskItem task;
    task.id = QUuid::createUuid();
    task.title = title;
    task.sectionID = QStringLiteral("section.work");
    return task;
}

// The rows built: the titles they show, top to bottom, and the row of each task.
struct Shown {
    QStringList titles;
    QMap<QUuid, TaskRowView*> rows;
};
Shown shown(const TaskListView& list)
{
    Shown result;
    for (TaskRowView* row : list.rows()) {
        result.titles << row->inputs().task.title;
        result.rows.insert(row->inputs().task.id, row);
    }
    return result;
}
} // namespace

TEST(TaskListView, RowsStayWithTheirTasksThroughAdditionsRemovalsAndMoves)
{
    TaskListView list;
    TaskListView::Inputs inputs;
    for (const char* title : {"A", "B", "C", "D"})
        inputs.tasks.append(listTask(QString::fromLatin1(title)));
    list.resize(500, 600);
    list.setInputs(inputs);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const Shown first = shown(list);
    ASSERT_EQ(first.titles.join(' '), "A B C D");

    struct Step {
        const char* name;
        std::function<void(TaskList&)> change;
        QStringList expected;
    };
    const Step steps[] = {
        {"added at the end", [](TaskList& tasks) { tasks.append(listTask("E")); }, {"A", "B", "C", "D", "E"}},
        {"one removed in the middle", [](TaskList& tasks) { tasks.removeAt(1); }, {"A", "C", "D", "E"}},
        {"the last moved to the top", [](TaskList& tasks) { tasks.move(3, 0); }, {"E", "A", "C", "D"}},
        {"one renamed", [](TaskList& tasks) { tasks[2].title = "C2"; }, {"E", "A", "C2", "D"}},
        {"the first removed", [](TaskList& tasks) { tasks.removeFirst(); }, {"A", "C2", "D"}},
    };
    QMap<QUuid, TaskRowView*> before = first.rows;
    for (const Step& step : steps) {
        step.change(inputs.tasks);
        list.setInputs(inputs);
        const Shown now = shown(list);
        EXPECT_EQ(now.titles.join(' '), step.expected.join(' ')) << step.name;
        // Every task shown before keeps its row, renamed or not.
        for (auto it = now.rows.begin(); it != now.rows.end(); ++it) {
            if (before.contains(it.key())) {
                EXPECT_EQ(it.value(), before.value(it.key())) << step.name << ": " << it.value()->inputs().task.title.toStdString();
            }
        }
        EXPECT_EQ(now.rows.size(), step.expected.size()) << step.name;
        before = now.rows;
    }

    // Damaged data: two tasks share an id. Each keeps its own row while a
    // task before them goes, and what is left shows the right titles.
    TaskItem twin = listTask("Twin 1");
    TaskItem otherTwin = twin;
    otherTwin.title = "Twin 2";
    inputs.tasks = {listTask("X"), twin, listTask("Y"), otherTwin};
    list.setInputs(inputs);
    const QList<TaskRowView*> twins = list.rows();
    ASSERT_EQ(shown(list).titles.join(", "), "X, Twin 1, Y, Twin 2");
    inputs.tasks.removeFirst();
    list.setInputs(inputs);
    EXPECT_EQ(shown(list).titles.join(", "), "Twin 1, Y, Twin 2");
    EXPECT_EQ(list.rows(), twins.mid(1));
    inputs.tasks.removeFirst();
    list.setInputs(inputs);
    EXPECT_EQ(shown(list).titles.join(", "), "Y, Twin 2");
}
