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
      m_executable(executable.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(executable))
{
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
    const QByteArray bytes = desktopEntry(m_executable);
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
