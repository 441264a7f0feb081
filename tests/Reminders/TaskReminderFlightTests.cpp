#include "Model/TaskWorkspaceState.h"
#include "Platform/OverlayWindow.h"
#include "Reminders/OpaqueCutout.h"
#include "Reminders/TaskReminderAirplaneSpriteView.h"
#include "Reminders/TaskReminderFlightView.h"
#include "Reminders/TaskReminderOverlayPresenter.h"
#include "Reminders/TaskReminderScheduler.h"
#include "Support/EventLoopWait.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/ScopedCompositing.h"
#include "UI/Motion.h"
#include "Workspace/NotchTaskViewModel.h"
#include "Workspace/TaskBuilders.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTransform>
#include <gtest/gtest.h>
#include <memory>

namespace {
// A flight that ends about 0.13 s after it appears.
NotchTemplateConfiguration quickFlight(double duration = 0)
{
    NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
    configuration.interaction.reminderFlightDuration = duration;
    return configuration;
}

// Counts the paint events a widget gets.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(int& count) : m_count(count) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_count;
        return false;
    }

private:
    int& m_count;
};

class PresenterTest : public ::testing::Test {
protected:
    PresenterTest()
    {
        TaskReminderOverlayPresenter::Environment environment;
        environment.screenGeometries = [this] { return screens; };
        environment.mouseLocation = [] { return QPointF(10, 10); };
        presenter = std::make_unique<TaskReminderOverlayPresenter>(environment);
    }
    std::function<void()> counting(int& count)
    {
        return [&count] { ++count; };
    }

    QList<QRect> screens{QRect(0, 0, 640, 480)};
    std::unique_ptr<TaskReminderOverlayPresenter> presenter;
};
} // namespace

TEST_F(PresenterTest, AScheduledFlightDuringAPreviewFliesAfterIt)
{
    int finished = 0;
    presenter->present(QStringLiteral("preview"), quickFlight());
    ASSERT_TRUE(presenter->isShowing());
    EXPECT_EQ(presenter->panel()->geometry(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(presenter->panel()->ignoresMouseEvents());

    presenter->present(QStringLiteral("due"), quickFlight(), counting(finished));
    presenter->present(QStringLiteral("second preview"), quickFlight());
    EXPECT_EQ(presenter->waitingCount(), 1u) << "a preview during a flight is dropped";

    ASSERT_TRUE(waitUntil([&] { return presenter->waitingCount() == 0; }));
    EXPECT_TRUE(presenter->isShowing()) << "the waiting flight starts when the preview ends";
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    runEventLoopFor(250);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(presenter->isShowing());
}

TEST_F(PresenterTest, AReminderDueDuringAPreviewIsClearedAfterItsOwnFlight)
{
    TaskItem task = makeTask("due", QStringLiteral("section.work"), 0);
    task.reminder = TaskReminder{SystemClock::shared().now().addingSeconds(-1), false};
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.tasks = {task};
    InMemoryTaskStore store(state);
    FakeTaskSortingService sorting;
    NotchTaskViewModel viewModel(store, sorting, SystemClock::shared());

    presenter->present(QStringLiteral("preview"), quickFlight(0.2));
    TaskReminderScheduler scheduler(viewModel, *presenter, quickFlight(), SystemClock::shared(),
                                    std::make_unique<QtOneShotTimer>());
    EXPECT_EQ(scheduler.activeReminderTaskID(), task.id);
    ASSERT_TRUE(waitUntil([&] { return !viewModel.allTasks().first().reminder; }))
        << "the scheduler is not left waiting for a flight that never comes";
    EXPECT_FALSE(scheduler.activeReminderTaskID());
}

TEST_F(PresenterTest, WithoutAScreenTheFlightWaitsForOne)
{
    screens.clear();
    int finished = 0;
    presenter->present(QStringLiteral("preview"), quickFlight());
    presenter->present(QStringLiteral("due"), quickFlight(), counting(finished));
    EXPECT_FALSE(presenter->isShowing());
    EXPECT_EQ(finished, 0) << "an unseen reminder is not cleared";

    presenter->screensChanged();
    EXPECT_FALSE(presenter->isShowing());
    screens = {QRect(0, 0, 800, 600), QRect(800, 0, 1024, 768)};
    presenter->screensChanged();
    ASSERT_TRUE(presenter->isShowing());
    EXPECT_EQ(presenter->panel()->geometry(), QRect(0, 0, 800, 600));
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
}

TEST_F(PresenterTest, AFlightWindowHiddenFromOutsideEndsTheFlightOnce)
{
    int finished = 0;
    presenter->present(QStringLiteral("due"), quickFlight(30), counting(finished));
    ASSERT_TRUE(presenter->isShowing());
    presenter->panel()->close();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(presenter->isShowing());
    runEventLoopFor(200);
    EXPECT_EQ(finished, 1);
}

TEST_F(PresenterTest, AFlightFollowsTheCompositorAsItStopsAndStarts)
{
    ScopedCompositing compositor(false);
    presenter->present(QStringLiteral("due"), quickFlight(3), [] {});
    const QPointer<OverlayWindow> panel = presenter->panel();
    TaskReminderFlightView* view = presenter->flightView();
    ASSERT_TRUE(panel && view);
    const auto shut = [&] { return !panel->mask().isEmpty() && !panel->mask().intersects(panel->rect()); };
    EXPECT_FALSE(view->isTranslucent());
    EXPECT_TRUE(shut()) << "nothing shows before the group is painted";

    compositor.set(true);
    EXPECT_TRUE(view->isTranslucent());
    EXPECT_TRUE(panel->mask().isEmpty()) << "blended whole";

    // Losing the compositor shuts the window at once; the next frame shows the group alone.
    compositor.set(false);
    EXPECT_FALSE(view->isTranslucent());
    EXPECT_TRUE(shut());
    // Well inside, so that the last frame ticked has the group on screen too.
    ASSERT_TRUE(waitUntil([&] { return panel && view->groupBounds(Motion::wallClock()).right() > 200; }));
    QImage frame(panel->size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    view->render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_TRUE(panel->mask().intersects(panel->rect())) << "the group's shape";
    EXPECT_LT(panel->mask().boundingRect().height(), 200) << "the group alone, not the screen";
}

TEST(TaskReminderFlightView, ReportsItsEndOnceAndNothingWhenHiddenFirst)
{
    struct Case {
        double duration;
        int hideAfterMs; // -1: left alone
        int completions;
    } cases[] = {{0, -1, 1}, {0.2, -1, 1}, {0.2, 50, 0}};
    for (const Case& c : cases) {
        int completions = 0;
        TaskReminderFlightView view(quickFlight(c.duration), QStringLiteral("Title"), [&] { ++completions; }, false);
        view.resize(800, 600);
        view.show();
        ASSERT_TRUE(view.flightStartDate());
        EXPECT_EQ(view.isTicking(), c.duration > 0) << "a zero-length flight is at its end at once";
        EXPECT_EQ(view.flagWidth(), 196) << "a short title gets the narrowest cloth";
        if (c.hideAfterMs >= 0) {
            runEventLoopFor(c.hideAfterMs);
            view.hide();
            EXPECT_FALSE(view.flightStartDate());
        }
        runEventLoopFor(int(c.duration * 1000) + 350);
        EXPECT_EQ(completions, c.completions) << c.duration << " " << c.hideAfterMs;
        EXPECT_FALSE(view.isTicking()) << "nothing ticks after the flight";
    }
}

TEST(TaskReminderFlightView, RepaintsOnlyAroundTheGroup)
{
    TaskReminderFlightView view(quickFlight(10), QStringLiteral("Title"), nullptr, false);
    view.resize(1920, 1080);
    view.show();
    const double start = *view.flightStartDate();
    const QRect middle = view.groupBounds(start + 5);
    EXPECT_LT(middle.width() * middle.height(), 1920 * 1080 / 20);
    EXPECT_TRUE(middle.contains(QPoint(middle.center().x(), 540)));
    EXPECT_TRUE(view.groupBounds(start - 1).isEmpty()) << "waits off the left edge";
}

TEST(TaskReminderAirplaneSpriteView, SheetIsCutOnceAndAMissingOneLeavesTheAreaEmpty)
{
    EXPECT_EQ(TaskReminderAirplaneSpriteView::frames().size(), 12) << "the bundled sheet";
    QImage sheet(12 * 20 + 7, 10, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::red);
    const auto frames = TaskReminderAirplaneSpriteView::cutSheet(sheet);
    ASSERT_EQ(frames.size(), 12);
    EXPECT_EQ(frames.last().size(), QSize(20, 10));
    EXPECT_TRUE(TaskReminderAirplaneSpriteView::cutSheet(QImage()).isEmpty());

    TaskReminderAirplaneSpriteView airplane(NotchTemplateConfiguration::defaults(), false);
    airplane.setFrames({});
    EXPECT_FALSE(airplane.hasFrame(0));
    QImage canvas(200, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    airplane.paint(painter, QRectF(0, 0, 112, 62), 0, true);
    painter.end();
    EXPECT_EQ(canvas.pixel(56, 31), qRgba(0, 0, 0, 0));
}

TEST(OpaqueCutout, KeepsPixelsAtLeastHalfCoveredOpaqueInTheirOwnColourAndClearsTheRest)
{
    // Rows 0 and 1 alike, row 2 different: two bands.
    QImage image(6, 3, QImage::Format_ARGB32_Premultiplied);
    const int alphas[] = {0, 100, 127, 128, 200, 255};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qPremultiply(qRgba(200, 100, 40, y == 2 ? 255 - alphas[x] : alphas[x])));
    }
    const QRegion kept = OpaqueCutout::cut(image);
    EXPECT_EQ(kept, QRegion(3, 0, 3, 2) + QRegion(0, 2, 3, 1));
    EXPECT_EQ(kept.rectCount(), 2) << "rows with the same runs share a band";
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 6; ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (kept.contains(QPoint(x, y))) {
                EXPECT_EQ(qAlpha(pixel), 255) << x << "," << y;
                EXPECT_NEAR(qRed(pixel), 200, 2) << "not darkened by its coverage";
                EXPECT_NEAR(qBlue(pixel), 40, 2);
            } else {
                EXPECT_EQ(pixel, 0u) << x << "," << y;
            }
        }
    }
}

TEST(OpaqueCutout, LongStretchesAreCutAsPixelByPixel)
{
    // Stretches of clear and of opaque pixels, of every length, with odd ones among them.
    QImage image(61, 7, QImage::Format_ARGB32_Premultiplied);
    unsigned seed = 3;
    const int alphas[] = {0, 0, 0, 30, 127, 128, 200, 255, 255, 255};
    int alpha = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            if ((seed >> 16) % 5 == 0) // a stretch goes on four times in five
                alpha = alphas[(seed >> 8) % 10];
            image.setPixel(x, y, qPremultiply(qRgba(90, 160, 220, alpha)));
        }
    }
    const QImage before = image.copy();
    const QRegion kept = OpaqueCutout::cut(image);
    QRegion expected;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb was = before.pixel(x, y);
            if (qAlpha(was) >= 128) {
                expected += QRect(x, y, 1, 1);
                EXPECT_EQ(qAlpha(image.pixel(x, y)), 255) << x << "," << y;
                EXPECT_NEAR(qBlue(image.pixel(x, y)), 220, 2) << x << "," << y;
            } else {
                EXPECT_EQ(image.pixel(x, y), 0u) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(kept, expected);
}

TEST(TaskReminderFlightView, WithoutTranslucencyEachFrameReshapesOnceAndShowsOnlyOpaquePixels)
{
    TaskReminderFlightView view(quickFlight(3), QStringLiteral("Title"), nullptr, false);
    int reshapes = 0;
    QRegion shape;
    view.setOnShapeChanged([&](const QRegion& region) {
        EXPECT_NE(region, shape) << "reshaped to the same shape";
        shape = region;
        ++reshapes;
    });
    view.setTranslucent(false);
    int paints = 0;
    PaintCounter counter(paints);
    view.installEventFilter(&counter);
    view.resize(1280, 400);
    view.show();
    ASSERT_TRUE(waitUntil([&] { return !shape.isEmpty() && shape.boundingRect().left() > 10; }))
        << "the whole group on screen";
    view.removeEventFilter(&counter);
    EXPECT_LE(reshapes, paints) << "at most once a frame";
    EXPECT_GE(reshapes, paints / 2) << "a moving group changes the shape";

    // The frame as painted: every pixel the shape keeps is opaque, every other one is untouched.
    const int before = reshapes;
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    view.render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(reshapes, before) << "painting the same frame again keeps its shape";
    int kept = 0;
    int title = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb pixel = frame.pixel(x, y);
            if (shape.contains(QPoint(x, y))) {
                ASSERT_EQ(qAlpha(pixel), 255) << x << "," << y;
                ++kept;
                title += qGray(pixel) < 80;
            } else {
                ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
            }
        }
    }
    EXPECT_GT(kept, 196 * 60) << "the cloth at least";
    EXPECT_GT(title, 275) << "the title is on the cloth (the airplane alone has some 120 dark pixels)";
}

TEST(TaskReminderFlightView, BlendedFramesShowTheGroupOfOpaqueFramesWithSoftEdgesAndShadows)
{
    TaskReminderFlightView view(quickFlight(3), QStringLiteral("Title"), nullptr, false);
    ASSERT_TRUE(view.isTranslucent()) << "blended unless told otherwise";
    view.resize(1280, 400);
    view.show();
    ASSERT_TRUE(waitUntil([&] {
        const QRect bounds = view.groupBounds(Motion::wallClock());
        return bounds.left() > 300 && bounds.right() < 1000;
    })) << "the whole group on screen";
    const auto rendered = [&] {
        QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::transparent);
        view.render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
        return frame;
    };
    // The same moment both ways: no frame ticks between the two.
    const QImage soft = rendered();
    view.setTranslucent(false);
    const QImage hard = rendered();

    QRect hardBounds, softBounds;
    int differ = 0, hardPixels = 0, smooth = 0, shadow = 0;
    for (int y = 0; y < soft.height(); ++y) {
        for (int x = 0; x < soft.width(); ++x) {
            const QRgb s = soft.pixel(x, y), h = hard.pixel(x, y);
            if (qAlpha(h) == 255) {
                hardBounds |= QRect(x, y, 1, 1);
                ++hardPixels;
            }
            if (qAlpha(s))
                softBounds |= QRect(x, y, 1, 1);
            differ += (qAlpha(s) >= 128) != (qAlpha(h) == 255);
            smooth += qAlpha(s) > 40 && qAlpha(s) < 215;
            shadow += qAlpha(h) == 0 && qAlpha(s) > 0 && qAlpha(s) < 40 && qGray(qUnpremultiply(s)) < 40;
        }
    }
    ASSERT_GT(hardPixels, 196 * 60) << "the cloth at least";
    // Every piece in its place: the two silhouettes part only along their edges.
    EXPECT_LT(differ, hardPixels / 28) << differ << " of " << hardPixels;
    EXPECT_TRUE(hardBounds.adjusted(-16, -16, 16, 24).contains(softBounds)) << "shadows stay within the margins";
    EXPECT_GT(smooth, 400) << "smoothed edges";
    EXPECT_GT(shadow, 2000) << "soft shadows under the cloth and the airplane";
}

TEST(TaskReminderFlightView, WithoutTranslucencyTheShapeKeepsEveryOpaqueDevicePixelAtAnyScale)
{
    // A cut made in points loses every band of pixels thinner than a point: at
    // 2x little but slivers of the cloth would show.
    TaskReminderFlightView view(quickFlight(3), QStringLiteral("Title"), nullptr, false);
    QRegion shape;
    view.setOnShapeChanged([&](const QRegion& pixels) { shape = pixels; });
    view.setTranslucent(false);
    view.resize(1280, 400);
    view.show();
    ASSERT_TRUE(waitUntil([&] {
        const QRect bounds = view.groupBounds(Motion::wallClock());
        return bounds.left() > 100 && bounds.right() < 1100;
    })) << "the whole group on screen";

    double areaAtOne = 0;
    QRectF boundsAtOne;
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage frame((QSizeF(view.size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        frame.setDevicePixelRatio(ratio);
        frame.fill(Qt::transparent);
        view.render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
        // No frame ticks between the renders: the group stands where it stood at 1x.
        ASSERT_FALSE(shape.isEmpty());
        const QRectF bounds = QTransform::fromScale(1 / ratio, 1 / ratio).mapRect(QRectF(shape.boundingRect()));
        if (ratio == 1)
            boundsAtOne = bounds;
        EXPECT_NEAR(bounds.left(), boundsAtOne.left(), 1);
        EXPECT_NEAR(bounds.top(), boundsAtOne.top(), 1);
        EXPECT_NEAR(bounds.right(), boundsAtOne.right(), 1);
        EXPECT_NEAR(bounds.bottom(), boundsAtOne.bottom(), 1);

        double area = 0;
        int title = 0;
        for (const QRect& r : shape)
            area += double(r.width()) * r.height();
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                const QRgb pixel = frame.pixel(x, y);
                if (shape.contains(QPoint(x, y))) {
                    ASSERT_EQ(qAlpha(pixel), 255) << x << "," << y;
                    title += qGray(pixel) < 80;
                } else {
                    ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
                }
            }
        }
        if (ratio == 1)
            areaAtOne = area;
        EXPECT_NEAR(area / (ratio * ratio), areaAtOne, areaAtOne * 0.03) << "the same group, in finer pixels";
        EXPECT_GT(title, 275 * ratio * ratio) << "the title is on the cloth";
    }
}
