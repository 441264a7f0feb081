#include "RootViewFixture.h"

#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelStyle.h"
#include "ControlPanel/HistoryPage.h"
#include "ControlPanel/OverviewChartCard.h"
#include "ControlPanel/OverviewMetricCard.h"
#include "ControlPanel/OverviewPage.h"
#include "ControlPanel/PageHeader.h"
#include "ControlPanel/SettingsPage.h"
#include "ControlPanel/SidebarListRow.h"
#include "Support/EventLoopWait.h"
#include "UI/TemplateStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {
// Counts the paint events each widget receives.
class PaintLog final : public QObject {
public:
    PaintLog() { qApp->installEventFilter(this); }
    ~PaintLog() override { qApp->removeEventFilter(this); }
    QList<QPointer<QWidget>> painted;
    bool contains(const QWidget* widget) const
    {
        return std::any_of(painted.cbegin(), painted.cend(), [&](const QPointer<QWidget>& w) { return w == widget; });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            painted.append(static_cast<QWidget*>(watched));
        return false;
    }
};
} // namespace

TEST(ControlPanelRootView, PageContentIsAtMost960WideInsideItsPaddingAndCentred)
{
    // The detail column is the window less the 248-point sidebar.
    for (const auto& [windowWidth, contentLeft, contentWidth] : {std::tuple{1280, 248 + 4 + 32, 960},
                                                                  std::tuple{1600, 248 + 164 + 32, 960},
                                                                  std::tuple{1040, 248 + 32, 1040 - 248 - 64}}) {
        RootFixture fixture(windowWidth);
        OverviewPage* page = fixture.root->overviewPage();
        const QRect chart = fixture.inRoot(page->chartCard(), page->chartCard()->cardRect());
        EXPECT_EQ(chart.left(), contentLeft) << windowWidth;
        EXPECT_EQ(chart.width(), contentWidth) << windowWidth;
        const QRect completed = fixture.inRoot(page->completedTile(), page->completedTile()->rect());
        const QRect remaining = fixture.inRoot(page->remainingTile(), page->remainingTile()->rect());
        EXPECT_EQ(completed.left(), contentLeft) << windowWidth;
        EXPECT_EQ(remaining.right(), contentLeft + contentWidth - 1) << windowWidth;
        QLabel* title = fixture.root->pageHeader()->titleLabel();
        EXPECT_EQ(fixture.inRoot(title, title->rect()).left(), contentLeft) << windowWidth;
    }
}

TEST(ControlPanelRootView, ClearingHistoryOffersTheDestructiveChoiceInRedWithCancelAsDefault)
{
    RootFixture fixture(1280, {completedTask("Done", localDate(RootFixture::zone, 2026, 12, 7, 9))});
    fixture.select(ControlPanelDestination::completed);
    QTest::mouseClick(fixture.root->historyAccessory()->clearButton(), Qt::LeftButton);
    QMessageBox* dialog = fixture.root->confirmationDialog();
    ASSERT_NE(dialog, nullptr);
    QAbstractButton* clear = nullptr;
    QAbstractButton* cancel = nullptr;
    for (QAbstractButton* button : dialog->buttons())
        (button->text() == "Clear All History" ? clear : cancel) = button;
    ASSERT_NE(clear, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(dialog->buttonRole(clear), QMessageBox::DestructiveRole);
    EXPECT_EQ(clear->palette().color(QPalette::Active, QPalette::ButtonText), SystemColors::red());
    EXPECT_NE(cancel->palette().color(QPalette::Active, QPalette::ButtonText), SystemColors::red());
    EXPECT_EQ(dialog->defaultButton(), cancel);
    EXPECT_EQ(dialog->escapeButton(), cancel);
    cancel->click();
    EXPECT_TRUE(waitUntil([&] { return !fixture.root->isConfirmingHistoryClear(); }));
    EXPECT_EQ(fixture.models.taskViewModel->allTasks().size(), 1);
}

TEST(ControlPanelRootView, OnlyTheSelectedSidebarRowKeepsTheFocusAfterTheOnboardingIsReplayed)
{
    RootFixture fixture;
    ControlPanelRootView& root = *fixture.root;
    QTest::mouseClick(root.sidebarRow(ControlPanelDestination::settings), Qt::LeftButton);
    ASSERT_TRUE(root.settingsPage()->isVisible());
    QTest::mouseClick(root.settingsPage()->findChild<QPushButton*>(), Qt::LeftButton);
    root.syncNow();
    ASSERT_NE(root.modalContent(), nullptr);
    QTest::mouseClick(fixture.onboardingButton("Learn How to Use"), Qt::LeftButton);
    QAbstractButton* close = fixture.onboardingButton("Close onboarding");
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !fixture.models.viewModel->activeModal(); }));
    root.syncNow();
    ASSERT_TRUE(waitUntil([&] { return !root.modalLayer()->isVisible(); }));

    EXPECT_EQ(fixture.models.viewModel->selectedDestination(), ControlPanelDestination::overview);
    for (auto destination : {ControlPanelDestination::overview, ControlPanelDestination::completed,
                             ControlPanelDestination::settings}) {
        SidebarListRow* row = root.sidebarRow(destination);
        const bool selected = destination == ControlPanelDestination::overview;
        EXPECT_EQ(row->isChecked(), selected) << row->accessibleName().toStdString();
        EXPECT_TRUE(selected || !row->hasFocus()) << row->accessibleName().toStdString() << " holds the focus";
        // Tab reaches the list on its selected row only.
        EXPECT_EQ(bool(row->focusPolicy() & Qt::TabFocus), selected) << row->accessibleName().toStdString();
    }
}

TEST(ControlPanelRootView, ANewVideoFrameRepaintsNothingButTheSlidesPicture)
{
    // The slides' video areas are placeholders here: no player is needed to
    // ask for a repaint of the picture as every video frame does.
    RootFixture fixture;
    fixture.models.viewModel->setActiveModal(ControlPanelViewModel::ActiveModal::onboarding);
    fixture.root->syncNow();
    QTest::mouseClick(fixture.onboardingButton("Learn How to Use"), Qt::LeftButton);
    auto* onboarding = qobject_cast<ControlPanelOnboardingView*>(fixture.root->modalContent());
    ASSERT_NE(onboarding, nullptr);
    QWidget* video = onboarding->currentVideoArea();
    ASSERT_NE(video, nullptr);
    // Past the fades in and out: the sheet's, the push's, and the intro's over the
    // first slide, whose effect repaints whatever lies under the intro.
    const auto fading = [onboarding] {
        const QList<QWidget*> children = onboarding->findChildren<QWidget*>();
        return std::any_of(children.begin(), children.end(), [](QWidget* child) { return child->graphicsEffect(); });
    };
    ASSERT_TRUE(waitUntil([&] {
        return !fixture.root->modalLayer()->graphicsEffect() && !onboarding->isTransitioning() && !fading();
    }));
    runEventLoopFor(300);

    for (int frame = 0; frame < 3; ++frame) {
        PaintLog log;
        // What a new video frame does.
        video->update();
        ASSERT_TRUE(waitUntil([&] { return log.contains(video); }, 2000));
        for (const QPointer<QWidget>& widget : log.painted) {
            if (!widget || widget == video)
                continue;
            // Only a control lying over the picture may be drawn again.
            const bool overVideo = onboarding->isAncestorOf(widget) && widget->isVisible()
                                   && QRect(widget->mapToGlobal(QPoint()), widget->size())
                                          .intersects(QRect(video->mapToGlobal(QPoint()), video->size()))
                                   && qobject_cast<QAbstractButton*>(widget);
            EXPECT_TRUE(overVideo) << widget->metaObject()->className() << " " << widget->accessibleName().toStdString()
                                   << " repainted with a video frame";
        }
    }
}

TEST(ControlPanelRootView, TheHistoryAccessoryGoesWithTheViewEvenIfHistoryWasNeverShown)
{
    QPointer<HistoryHeaderAccessory> accessory;
    {
        RootFixture fixture;
        accessory = fixture.root->historyAccessory();
    }
    EXPECT_TRUE(accessory.isNull());
}
