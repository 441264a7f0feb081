#include "ControlPanel/LoopingVideoPlayerController.h"

#include "Platform/Logger.h"

#include <QBuffer>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

namespace {
const Logger& log()
{
    static const Logger logger(QStringLiteral("LoopingVideoPlayerController"));
    return logger;
}
} // namespace

LoopingVideoPlayerController::LoopingVideoPlayerController(const OnboardingVideoSource& source, QObject* parent)
    : QObject(parent), m_sink(std::make_unique<QVideoSink>()), m_player(std::make_unique<QMediaPlayer>())
{
    m_player->setVideoSink(m_sink.get());
    m_player->setLoops(QMediaPlayer::Infinite);
    connect(m_sink.get(), &QVideoSink::videoFrameChanged, this, &LoopingVideoPlayerController::handleFrame);
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& message) { fail(message); });
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::InvalidMedia)
            fail(QStringLiteral("The video cannot be decoded."));
    });

    if (source.isFile()) {
        m_player->setSource(QUrl::fromLocalFile(source.filePath));
    } else {
        m_memory = std::make_unique<QBuffer>();
        m_memory->setData(source.data);
        m_memory->open(QIODevice::ReadOnly);
        m_player->setSourceDevice(m_memory.get(), QUrl(QStringLiteral("onboarding.mp4")));
    }
}

LoopingVideoPlayerController::~LoopingVideoPlayerController()
{
    // The player goes before the sink and the buffer it reads.
    m_player->stop();
    m_player.reset();
}

void LoopingVideoPlayerController::play()
{
    if (!m_failed)
        m_player->play();
}

void LoopingVideoPlayerController::pause()
{
    m_player->pause();
}

void LoopingVideoPlayerController::handleFrame(const QVideoFrame& frame)
{
    if (m_failed || !frame.isValid())
        return;
    // The sink hands a frame over while its streaming thread waits on it, and
    // a wait of more than 300 ms ends the stream with an error; converting
    // and repainting here on a busy machine can take that long. The newest
    // frame is kept and converted on the next turn of the event loop.
    const bool queued = m_pendingFrame.isValid();
    m_pendingFrame = frame;
    if (!queued)
        QMetaObject::invokeMethod(this, &LoopingVideoPlayerController::showPendingFrame, Qt::QueuedConnection);
}

void LoopingVideoPlayerController::showPendingFrame()
{
    if (m_failed || !m_pendingFrame.isValid())
        return;
    m_frame = m_pendingFrame.toImage();
    m_pendingFrame = QVideoFrame();
    emit frameChanged();
}

void LoopingVideoPlayerController::fail(const QString& reason)
{
    if (m_failed)
        return;
    m_failed = true;
    log().error(QStringLiteral("Onboarding video playback failed: %1").arg(reason));
    m_player->stop();
    m_pendingFrame = QVideoFrame();
    m_frame = QImage();
    emit failed();
}
