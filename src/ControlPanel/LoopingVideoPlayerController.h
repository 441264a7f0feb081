#pragma once

#include "ControlPanel/PersistedOnboardingVideoCache.h"

#include <QImage>
#include <QObject>
#include <QVideoFrame>
#include <memory>

class QBuffer;
class QMediaPlayer;
class QVideoSink;

// One slide's player: muted (no audio output at all), looping without end, its
// frames delivered to a video sink for our own painting. Success is never read
// from the player's state: a decoding error leaves it "playing", so errors and
// invalid media are caught as they are reported and turn into failed().
class LoopingVideoPlayerController : public QObject {
    Q_OBJECT
public:
    explicit LoopingVideoPlayerController(const OnboardingVideoSource& source, QObject* parent = nullptr);
    ~LoopingVideoPlayerController() override;

    void play();
    void pause();

    bool hasFailed() const { return m_failed; }
    const QImage& currentFrame() const { return m_frame; }
    QMediaPlayer* player() const { return m_player.get(); }

signals:
    void frameChanged();
    void failed();

private:
    void handleFrame(const QVideoFrame& frame);
    void showPendingFrame();
    void fail(const QString& reason);

    std::unique_ptr<QBuffer> m_memory;
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QMediaPlayer> m_player;
    QVideoFrame m_pendingFrame;
    QImage m_frame;
    bool m_failed = false;
};
