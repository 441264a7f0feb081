#pragma once

#include "ControlPanel/PersistedOnboardingVideoCache.h"

#include <QWidget>
#include <memory>

class LoopingVideoPlayerController;
class OnboardingPlaceholderView;

// Plays one slide's video, muted and looping, filling the view (cropping to
// keep its shape). It plays while shown and pauses while hidden; a video that
// cannot be played gives way to the "Onboarding Video Missing" placeholder.
class LoopingOnboardingVideoView : public QWidget {
    Q_OBJECT
public:
    explicit LoopingOnboardingVideoView(const OnboardingVideoSource& source, QWidget* parent = nullptr);
    ~LoopingOnboardingVideoView() override;

    LoopingVideoPlayerController* playerController() const { return m_controller.get(); }
    bool isShowingPlaceholder() const { return m_placeholder != nullptr; }

    static QString failureTitle();
    static QString failureMessage();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showPlaceholder();

    std::unique_ptr<LoopingVideoPlayerController> m_controller;
    OnboardingPlaceholderView* m_placeholder = nullptr;
};
