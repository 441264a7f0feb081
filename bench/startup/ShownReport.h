#pragma once

// What every start-up child prints: "shown" once its window is exposed, then,
// after a second of idling, its peak and resident memory ("peak P rss R", kB).
// Header-only and on Qt Widgets alone, so the bare window links nothing else.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <functional>

namespace startup_bench {

// "VmRSS" (resident now) or "VmHWM" (the peak so far), in kB.
inline qint64 memoryKilobytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Reports once `window` is exposed, idles a second, reports memory and quits.
inline int reportWhenShown(QApplication& app, const std::function<QWidget*()>& window)
{
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* widget = window();
        if (!widget || !widget->windowHandle() || !widget->windowHandle()->isExposed())
            return;
        poll.stop();
        std::printf("shown\n");
        std::fflush(stdout);
        QTimer::singleShot(1000, &app, [] {
            std::printf("peak %lld rss %lld\n", static_cast<long long>(memoryKilobytes("VmHWM")),
                        static_cast<long long>(memoryKilobytes("VmRSS")));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    });
    poll.start();
    return QApplication::exec();
}

} // namespace startup_bench
