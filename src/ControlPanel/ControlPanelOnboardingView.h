#pragma once

#include "ControlPanel/OnboardingPager.h"
#include "ControlPanel/PersistedOnboardingVideoCache.h"
#include "UI/Motion.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;

// The onboarding sequence shown over the control-panel window: an intro screen
// (a full-bleed image and a start button), then a pager of slides, each a
// looping video under a band with a counter, title and text, with previous and
// next controls, a close button, and on the last slide a finishing button.
class ControlPanelOnboardingView : public QWidget {
    Q_OBJECT
public:
    using Slide = NotchTemplateConfiguration::Content::OnboardingSlide;
    using SlideDirection = OnboardingPager::SlideDirection;
    // Finds what a slide's video plays from; none when the asset is missing.
    using VideoResolver = std::function<std::optional<OnboardingVideoSource>(const QString& assetName)>;

    // onClose is called, after the current event, by the close button and by
    // the finishing button; the creator may delete the view from it.
    // Without a resolver the bundled videos play through the shared cache.
    ControlPanelOnboardingView(const NotchTemplateConfiguration& configuration, const QList<Slide>& slides,
                               const QString& closeAccessibilityLabel, std::function<void()> onClose,
                               QWidget* parent = nullptr, VideoResolver resolveVideo = {});
    ~ControlPanelOnboardingView() override;

    bool isShowingIntroScreen() const { return m_isShowingIntroScreen; }
    int selectedSlideIndex() const { return m_pager.selectedSlideIndex(); }
    SlideDirection slideDirection() const { return m_pager.slideDirection(); }
    // True while a push between two slides is still moving.
    bool isTransitioning() const { return m_outgoing.video != nullptr; }
    // The current slide's video area (a video view or a placeholder).
    QWidget* currentVideoArea() const { return m_current.video; }

    static QString videoMissingTitle();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Page {
        QPointer<QWidget> video;
        QPointer<QWidget> text;
    };

    void buildIntroScreen();
    QAbstractButton* makeCloseButton();
    QAbstractButton* makeFinishButton();
    void start();
    void showPreviousSlide();
    void showNextSlide();
    void handleDragEnd(const QPointF& translation);
    QAbstractButton* navigationIconButton(bool pointsLeft, const QString& accessibleName,
                                          void (ControlPanelOnboardingView::*action)());
    void close();
    void updateIntroFade();

    void showCurrentSlide(bool animated);
    Page makePage(int index);
    QWidget* makeVideoArea(int index);
    void dropPage(Page& page);
    void layoutScreens();
    void layoutPages();
    void updateNavigation();
    double bandHeight() const;

    NotchTemplateConfiguration m_configuration;
    QList<Slide> m_slides;
    QString m_closeAccessibilityLabel;
    std::function<void()> m_onClose;
    VideoResolver m_resolveVideo;

    bool m_isShowingIntroScreen = true;
    OnboardingPager m_pager;
    QPixmap m_introImage;

    QWidget* m_introScreen = nullptr;
    QAbstractButton* m_startButton = nullptr;
    QWidget* m_pagerScreen = nullptr;
    QWidget* m_slideLayer = nullptr;
    QWidget* m_band = nullptr;
    QAbstractButton* m_closeButton = nullptr;
    QAbstractButton* m_previousButton = nullptr;
    QAbstractButton* m_nextButton = nullptr;
    QAbstractButton* m_finishButton = nullptr;

    QPointer<QWidget> m_preparedFirstVideo;
    Page m_current;
    Page m_outgoing;
    SlideDirection m_pushDirection = SlideDirection::forward;
    Motion::Value m_pushProgress{1};
    Motion::Value m_introOpacity{1};
    std::unique_ptr<Motion::Animator> m_animator;

    std::optional<QPointF> m_dragStart;
    bool m_isDragging = false;
};
