#include "UI/DeferredSync.h"

DeferredSync::DeferredSync(std::function<void()> apply)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, std::move(apply));
}

void DeferredSync::request()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void DeferredSync::cancel()
{
    m_timer.stop();
}
