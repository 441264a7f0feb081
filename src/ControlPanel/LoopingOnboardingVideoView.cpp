#include "ControlPanel/LoopingOnboardingVideoView.h"

#include "ControlPanel/LoopingVideoPlayerController.h"
#include "ControlPanel/OnboardingPlaceholderView.h"

#include <QPainter>

LoopingOnboardingVideoView::LoopingOnboardingVideoView(const OnboardingVideoSource& source, QWidget* parent)
    : QWidget(parent), m_controller(std::make_unique<LoopingVideoPlayerController>(source))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(m_controller.get(), &LoopingVideoPlayerController::frameChanged, this, qOverload<>(&QWidget::update));
    connect(m_controller.get(), &LoopingVideoPlayerController::failed, this,
            &LoopingOnboardingVideoView::showPlaceholder);
}

LoopingOnboardingVideoView::~LoopingOnboardingVideoView() = default;

QString LoopingOnboardingVideoView::failureTitle()
{
    return QStringLiteral("Onboarding Video Missing");
}

QString LoopingOnboardingVideoView::failureMessage()
{
    return QStringLiteral("Could not play the bundled onboarding video asset.");
}

void LoopingOnboardingVideoView::showPlaceholder()
{
    if (m_placeholder)
        return;
    m_placeholder = new OnboardingPlaceholderView(failureTitle(), failureMessage(), this);
    m_placeholder->setGeometry(rect());
    m_placeholder->show();
}

void LoopingOnboardingVideoView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage& frame = m_controller->currentFrame();
    if (frame.isNull() || width() <= 0 || height() <= 0)
        return;
    // Fill the view, cropping the overflowing side equally.
    const QSizeF target = QSizeF(frame.size()).scaled(size(), Qt::KeepAspectRatioByExpanding);
    const QRectF box((width() - target.width()) / 2, (height() - target.height()) / 2, target.width(),
                     target.height());
    // Frames are recorded near the window's size; plain sampling keeps a
    // playing slide cheap and differs little from smooth filtering there.
    painter.drawImage(box, frame);
}

void LoopingOnboardingVideoView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_placeholder)
        m_placeholder->setGeometry(rect());
}

void LoopingOnboardingVideoView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_controller->play();
}

void LoopingOnboardingVideoView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_controller->pause();
}
