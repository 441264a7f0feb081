#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the error-level log lines ("category: message") written while it is alive.
class LogCapture {
public:
    LogCapture() { s_lines.clear(); m_previous = qInstallMessageHandler(&record); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    const QStringList& lines() const { return s_lines; }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtCriticalMsg)
            s_lines.append(QString::fromUtf8(context.category) + QStringLiteral(": ") + message);
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
