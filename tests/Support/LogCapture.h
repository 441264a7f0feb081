#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the error-level log lines ("category: message") written while it is
// alive, and apart from them the info-level ones.
class LogCapture {
public:
    LogCapture()
    {
        s_lines.clear();
        s_infoLines.clear();
        m_previous = qInstallMessageHandler(&record);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    const QStringList& lines() const { return s_lines; }
    const QStringList& infoLines() const { return s_infoLines; }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        const QString line = QString::fromUtf8(context.category) + QStringLiteral(": ") + message;
        if (type == QtCriticalMsg)
            s_lines.append(line);
        else if (type == QtInfoMsg)
            s_infoLines.append(line);
    }
    static inline QStringList s_lines;
    static inline QStringList s_infoLines;
    QtMessageHandler m_previous = nullptr;
};
