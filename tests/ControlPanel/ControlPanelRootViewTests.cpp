#include "ControlPanelFixture.h"

#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/LoopingOnboardingVideoView.h"
#include "ControlPanel/OnboardingAssetCatalog.h"
#include "Support/EventLoopWait.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPaintEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const char* const zone = "Europe/Berlin";

// The root view alone, at the size it has in the default window; onboarding
// videos are placeholders unless a resolver is given.
struct RootFixture {
    explicit RootFixture(int width = 1280, TaskList tasks = {},
                         ControlPanelOnboardingView::VideoResolver videos = [](const QString&) {
                             return std::optional<OnboardingVideoSource>();
                         })
        : models(zone, localDate(zone, 2026, 12, 7, 10), std::move(tasks))
    {
        root = std::make_unique<ControlPanelRootView>(NotchTemplateConfiguration::defaults(), *models.viewModel, true);
        root->setOnboardingFactory(ControlPanelRootView::onboardingView(std::move(videos)));
        root->resize(width, 900);
        root->show();
        QApplication::setActiveWindow(root.get());
        QCoreApplication::processEvents();
    }

    void select(ControlPanelDestination destination)
    {
        models.viewModel->setSelectedDestination(destination);
        root->syncNow();
        QCoreApplication::processEvents();
    }
    QAbstractButton* onboardingButton(const QString& name) const
    {
        if (!root->modalContent())
            return nullptr;
        for (QAbstractButton* button : root->modalContent()->findChildren<QAbstractButton*>())
            if (button->accessibleName() == name && button->isVisibleTo(root->modalContent()))
                return button;
        return nullptr;
    }
    QRect inRoot(const QWidget* widget, QRectF rect) const
    {
        return rect.toAlignedRect().translated(widget->mapTo(root.get(), QPoint()));
    }

    ControlPanelFixture models;
    std::unique_ptr<ControlPanelRootView> root;
};

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

TEST(ControlPanelRootView, APlayingOnboardingVideoRepaintsNothingButItself)
{
    RootFixture fixture(1280, {}, [](const QString& name) -> std::optional<OnboardingVideoSource> {
        return OnboardingVideoSource{{}, OnboardingAssetCatalog::bundled().videoData(name).value_or(QByteArray())};
    });
    fixture.models.viewModel->setActiveModal(ControlPanelViewModel::ActiveModal::onboarding);
    fixture.root->syncNow();
    QTest::mouseClick(fixture.onboardingButton("Learn How to Use"), Qt::LeftButton);
    auto* onboarding = qobject_cast<ControlPanelOnboardingView*>(fixture.root->modalContent());
    ASSERT_NE(onboarding, nullptr);
    QWidget* video = onboarding->currentVideoArea();
    ASSERT_NE(qobject_cast<LoopingOnboardingVideoView*>(video), nullptr);
    // Past the fades in and out.
    ASSERT_TRUE(waitUntil([&] { return !fixture.root->modalLayer()->graphicsEffect() && !onboarding->isTransitioning(); }));
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
