#include "Platform/XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

XdgAutostartLoginItem::XdgAutostartLoginItem(QString directory, QString executable)
    : m_directory(directory.isEmpty()
                      ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart")
                      : std::move(directory)),
      m_executable(std::move(executable))
{
}

QString XdgAutostartLoginItem::executable() const
{
    if (!m_executable.isEmpty())
        return m_executable;
    // Looked up when wanted, not at start-up. A copy started from a build tree
    // registers the installed program, which stays where it is.
    const QString installed = installedProgram();
    return installed.isEmpty() ? QCoreApplication::applicationFilePath() : installed;
}

QString XdgAutostartLoginItem::programOf(const QByteArray& entry)
{
    for (const QByteArray& rawLine : entry.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith("Exec="))
            continue;
        // The value's own escapes first, then the quoting of the command line.
        const QString value = QString::fromUtf8(line.mid(5)).replace(QStringLiteral("%%"), QStringLiteral("%"));
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == u'\\' && i + 1 < value.size() && value[i + 1] == u'\\')
                ++i;
            unescaped += value[i];
        }
        if (!unescaped.startsWith(u'"'))
            return unescaped.section(u' ', 0, 0);
        QString program;
        for (qsizetype i = 1; i < unescaped.size(); ++i) {
            if (unescaped[i] == u'"')
                return program;
            if (unescaped[i] == u'\\' && i + 1 < unescaped.size())
                ++i;
            program += unescaped[i];
        }
        return {}; // no closing quote
    }
    return {};
}

QString XdgAutostartLoginItem::installedProgram()
{
    const QStringList entries = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                          QStringLiteral("applications/quaverloom.desktop"));
    for (const QString& path : entries) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString program = programOf(file.read(64 * 1024));
        const QFileInfo info(program);
        if (info.isAbsolute() && info.isFile() && info.isExecutable())
            return program;
    }
    return {};
}

QString XdgAutostartLoginItem::filePath() const
{
    return m_directory + QStringLiteral("/quaverloom.desktop");
}

bool XdgAutostartLoginItem::isEnabled() const
{
    return QFileInfo(filePath()).isFile();
}

QByteArray XdgAutostartLoginItem::desktopEntry(const QString& executable)
{
    // Exec quoting: inside double quotes ", `, $ and \ take a backslash; then
    // the value's own escaping doubles every backslash, and % is doubled for
    // the field codes.
    QString quoted;
    for (const QChar c : executable) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'%', QStringLiteral("%%"));
    quoted.remove(u'\n').remove(u'\r');
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=QuaverLoom\n"
                                         "Exec=\"%1\"\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(quoted);
    return entry.toUtf8();
}

bool XdgAutostartLoginItem::setEnabled(bool enabled, QString* error)
{
    if (!enabled) {
        QFile file(filePath());
        if (!file.exists() || file.remove())
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!QDir().mkpath(m_directory)) {
        if (error)
            *error = QStringLiteral("Cannot create %1").arg(m_directory);
        return false;
    }
    QSaveFile file(filePath());
    file.setDirectWriteFallback(false);
    const QByteArray bytes = desktopEntry(executable());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
