#include "Panel/TaskCompletionFlow.h"
#include "Panel/TaskDragReorder.h"
#include "Support/EventLoopWait.h"

#include <gtest/gtest.h>

namespace {
TaskItem task(const char* title)
{
    TaskItem item;
    item.id = QUuid::createUuid();
    item.title = QString::fromUtf8(title);
    return item;
}

struct FlowLog {
    QStringList events;
    TaskCompletionFlow flow;
    FlowLog()
    {
        flow.setCallbacks({[this](const TaskItem& t) { events << "report " + t.title; },
                           [this](const QUuid&, bool on) { events << (on ? "mark" : "unmark"); }});
    }
};
} // namespace

TEST(TaskCompletionFlow, ReportsOnceAfterTheDelayOrAtOnceUnderReducedMotion)
{
    FlowLog animated;
    TaskItem milk = task("Buy milk");
    EXPECT_TRUE(animated.flow.begin(milk, 0.05, false));
    milk.title = "renamed meanwhile";
    EXPECT_FALSE(animated.flow.begin(milk, 0.05, false)); // a second tap during the animation
    EXPECT_EQ(animated.events, QStringList{"mark"});
    EXPECT_TRUE(animated.flow.isCompleting(milk.id));
    ASSERT_TRUE(waitUntil([&] { return animated.events.size() == 3; }));
    // Reported with the task as tapped, while still marked.
    EXPECT_EQ(animated.events, (QStringList{"mark", "report Buy milk", "unmark"}));
    runEventLoopFor(80);
    EXPECT_EQ(animated.events.size(), 3);

    FlowLog reduced;
    EXPECT_TRUE(reduced.flow.begin(task("Call mum"), 10, true));
    EXPECT_EQ(reduced.events, (QStringList{"mark", "report Call mum", "unmark"}));
    EXPECT_TRUE(reduced.flow.isEmpty());

    // A teardown reports what is still pending, in tap order, and nothing later.
    FlowLog torn;
    torn.flow.begin(task("first"), 10, false);
    torn.flow.begin(task("second"), 10, false);
    torn.flow.flush();
    EXPECT_EQ(torn.events, (QStringList{"mark", "mark", "report first", "unmark", "report second", "unmark"}));

    // A report that flushes again (a re-entrant teardown) reports nothing twice.
    TaskCompletionFlow reentrant;
    int reports = 0;
    reentrant.setCallbacks({[&](const TaskItem&) { ++reports; reentrant.flush(); }, {}});
    reentrant.begin(task("once"), 10, false);
    reentrant.flush();
    EXPECT_EQ(reports, 1);
}

TEST(TaskDragReorder, ReportsMovesInTheRowsIndexingBeforeTheMove)
{
    // Four rows of 58 with 12 between them.
    QList<QRectF> rows;
    for (int i = 0; i < 4; ++i)
        rows << QRectF(0, i * 70, 300, 58);
    struct Case {
        const char* name;
        qsizetype source;
        double dropY;
        std::optional<std::pair<qsizetype, qsizetype>> expected;
    };
    const Case cases[] = {
        {"first row to the end", 0, 400, std::pair<qsizetype, qsizetype>{0, 4}},
        {"last row to the top", 3, -20, std::pair<qsizetype, qsizetype>{3, 0}},
        {"second row below the third", 1, 200, std::pair<qsizetype, qsizetype>{1, 3}},
        {"dropped on its own upper half", 2, 145, std::nullopt},
        {"dropped just below itself", 2, 185, std::nullopt},
    };
    for (const Case& c : cases) {
        std::optional<std::pair<qsizetype, qsizetype>> moved;
        QList<std::optional<double>> lines;
        TaskDragReorder drag({[&] { return rows; },
                              [&](const QSet<qsizetype>& offsets, qsizetype destination) {
                                  ASSERT_EQ(offsets.size(), 1);
                                  moved = std::pair{*offsets.begin(), destination};
                              },
                              [&](std::optional<double> y) { lines << y; }});
        const QPointF start = rows.at(c.source).center();
        drag.press(c.source, start);
        EXPECT_FALSE(drag.move(start + QPointF(2, 2))) << c.name; // within the drag distance: a click
        EXPECT_TRUE(drag.move(QPointF(start.x(), c.dropY))) << c.name;
        EXPECT_TRUE(drag.release()) << c.name;
        EXPECT_EQ(moved, c.expected) << c.name;
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(), std::nullopt) << c.name; // the insertion line goes away
    }

    // Escape (cancel), a disabled list and a plain click move nothing.
    int moves = 0;
    TaskDragReorder drag({[&] { return rows; }, [&](const QSet<qsizetype>&, qsizetype) { ++moves; }, {}});
    drag.press(0, {10, 10});
    drag.move({10, 300});
    EXPECT_EQ(drag.destination(), 4);
    drag.cancel();
    EXPECT_FALSE(drag.release());
    drag.setEnabled(false);
    drag.press(0, {10, 10});
    EXPECT_FALSE(drag.move({10, 300}));
    drag.setEnabled(true);
    drag.press(1, {10, 80});
    EXPECT_FALSE(drag.release());
    // The list lost the dragged row meanwhile: the drag ends without a move.
    drag.press(3, {10, 230});
    rows.removeLast();
    drag.move({10, 0});
    EXPECT_FALSE(drag.isDragging());
    EXPECT_EQ(moves, 0);

    EXPECT_EQ(TaskDragReorder::indicatorY(rows, 1), 64);
    EXPECT_LT(TaskDragReorder::autoScrollSpeed(2, 300), -600);
    EXPECT_EQ(TaskDragReorder::autoScrollSpeed(150, 300), 0);
    EXPECT_GT(TaskDragReorder::autoScrollSpeed(290, 300), 0);
    EXPECT_EQ(TaskDragReorder::autoScrollSpeed(10, 0), 0);
}
