#include "ControlPanelFixture.h"

#include "ControlPanel/HistoryPage.h"
#include "ControlPanel/OverviewActionRow.h"
#include "ControlPanel/OverviewMetricCard.h"
#include "ControlPanel/OverviewPage.h"
#include "Platform/XdgAutostartLoginItem.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeLanguageModel.h"

#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {
using Section = ControlPanelViewModel::CompletedSection;
using Item = ControlPanelViewModel::CompletedItem;

Item item(const QString& title)
{
    return {QUuid::createUuidV5(QUuid(), title), title, QStringLiteral("Work"), QStringLiteral("3:42 PM")};
}
} // namespace

TEST(OverviewPage, ShowsCountsAndTheModelStateReadInTheBackground)
{
    const char* zone = "America/New_York";
    TaskItem open = completedTask("Open", Date{0});
    open.isCompleted = false;
    open.completedAt.reset();
    ControlPanelFixture fixture(zone, localDate(zone, 2026, 12, 7, 10),
                                {completedTask("A", localDate(zone, 2026, 12, 7, 9)),
                                 completedTask("B", localDate(zone, 2026, 12, 1, 9), "section.health"), open});
    FakeLanguageModel model(LanguageModel::Availability::notEnabled);
    model.serverAddress = QStringLiteral("127.0.0.1:8080");
    ControlPanelViewModel viewModel(*fixture.taskViewModel, *fixture.session,
                                    {fixture.clock, fixture.calendar, fixture.router, fixture.infoDictionary, &model,
                                     nullptr});
    OverviewPage page(viewModel);
    page.refresh();
    EXPECT_EQ(page.completedTile()->inputs().value, "2");
    EXPECT_EQ(page.remainingTile()->inputs().value, "1");

    page.show();
    EXPECT_TRUE(waitUntil([&] { return page.modelRow()->inputs().badgeTitle == QStringLiteral("Disabled"); }));
    EXPECT_EQ(page.modelRow()->inputs().badgeTint, ControlPanelStatusTint::critical);
    EXPECT_EQ(page.modelRow()->inputs().subtitle, "No model server answers at 127.0.0.1:8080.");
    // Nothing answers there: the row says where the setup is explained instead of opening the address.
    QTest::mouseClick(page.modelRow(), Qt::LeftButton);
    EXPECT_EQ(fixture.router.openCount, 0);
    ASSERT_NE(page.modelHelp(), nullptr);
    EXPECT_TRUE(page.modelHelp()->informativeText().contains("listening at 127.0.0.1:8080"));
    EXPECT_TRUE(page.modelHelp()->informativeText().contains("README"));
    page.modelHelp()->close();
    model.setAvailability(LanguageModel::Availability::available);
    EXPECT_EQ(page.modelRow()->inputs().subtitle, "Available on this computer");

    QTest::mouseClick(page.modelRow(), Qt::LeftButton);
    EXPECT_EQ(fixture.router.openCount, 1);
}

TEST(HistoryPage, RowsComeInStaggeredAndKeepTheirStateByTaskId)
{
    HistoryPage page(true);
    page.resize(700, 400);
    page.show();
    const Section today{QStringLiteral("2026-12-07"), QStringLiteral("Today"), {item("a"), item("b")}};
    const Section yesterday{QStringLiteral("2026-12-06"), QStringLiteral("Yesterday"), {item("c")}};
    page.setSections({today, yesterday});
    page.grab(); // draws, and so makes, the rows on screen
    ASSERT_NE(page.row(item("c").id), nullptr);
    EXPECT_DOUBLE_EQ(page.row(item("b").id)->appearanceDelay, 0.028);
    EXPECT_DOUBLE_EQ(page.row(item("c").id)->appearanceDelay, 6 * 0.028);
    EXPECT_TRUE(page.row(item("a").id)->hasAppeared);

    const QRect rowB = page.rowRect(item("b").id);
    QTest::mouseMove(&page, rowB.center());
    EXPECT_TRUE(page.row(item("b").id)->isHovered);
    EXPECT_EQ(page.rowAt(QPoint(rowB.center().x(), page.dayHeaderRect(today.id).center().y())), std::nullopt);

    // A newly completed task joins today; the others keep their rows.
    Section newer = today;
    newer.items.prepend(item("new"));
    page.setSections({newer, yesterday});
    EXPECT_TRUE(page.row(item("b").id)->isHovered);
    EXPECT_EQ(page.rowAt(page.rowRect(item("new").id).center()), item("new").id);

    page.setSections({});
    EXPECT_TRUE(page.isEmptyState());
}

TEST(XdgAutostartLoginItem, ExecLineQuotesThePathForTheDesktop)
{
    const std::pair<QString, QByteArray> cases[] = {
        {"/usr/bin/quaverloom", "Exec=\"/usr/bin/quaverloom\""},
        {"/opt/my apps/quaver loom", "Exec=\"/opt/my apps/quaver loom\""},
        {"/opt/50%/ql", "Exec=\"/opt/50%%/ql\""},
        {"/opt/a\"b`c/ql", "Exec=\"/opt/a\\\\\"b\\\\`c/ql\""},
        {"/opt/back\\slash/ql", "Exec=\"/opt/back\\\\\\\\slash/ql\""},
    };
    for (const auto& [path, line] : cases)
        EXPECT_TRUE(XdgAutostartLoginItem::desktopEntry(path).contains(line + "\n")) << path.toStdString();
}

TEST(HistoryPage, ShowingThePageAgainBringsTheRowsInAgain)
{
    HistoryPage page(false);
    page.resize(700, 400);
    page.show();
    page.setSections({{QStringLiteral("2026-12-07"), QStringLiteral("Today"), {item("a"), item("b")}}});
    page.grab();
    ASSERT_NE(page.row(item("a").id), nullptr);
    EXPECT_TRUE(waitUntil([&] { return page.row(item("b").id)->hasAppeared; }));
    page.hide();
    EXPECT_EQ(page.row(item("b").id), nullptr); // made afresh, hidden, when next drawn
    page.show();
    page.grab();
    ASSERT_NE(page.row(item("b").id), nullptr);
    EXPECT_TRUE(waitUntil([&] { return !page.isAnimating(); }));
    EXPECT_TRUE(page.row(item("b").id)->hasAppeared);
}
