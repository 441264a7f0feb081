#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <functional>

// Runs the event loop until `done` holds or `timeoutMs` pass; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!done())
            QThread::msleep(1);
    }
    return done();
}

// Runs the event loop for `ms` milliseconds, e.g. to show that nothing more arrives.
inline void runEventLoopFor(int ms)
{
    waitUntil([] { return false; }, ms);
}
