#include "Platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

bool isValidUserDefaultsKey(const QString& key)
{
    if (key.isEmpty() || key.size() > 200 || key == QLatin1String(".") || key == QLatin1String(".."))
        return false;
    for (QChar c : key) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return !key.startsWith(QLatin1Char('.'));
}

QString FileUserDefaults::standardDirectory()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/QuaverLoom");
}

FileUserDefaults::FileUserDefaults() : FileUserDefaults(standardDirectory()) {}

FileUserDefaults::FileUserDefaults(QString directory) : m_directory(std::move(directory)) {}

QString FileUserDefaults::pathFor(const QString& key) const
{
    return m_directory + QLatin1Char('/') + key;
}

std::optional<QByteArray> FileUserDefaults::data(const QString& key, QString* error) const
{
    auto unreadable = [error](const QString& reason) -> std::optional<QByteArray> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (!isValidUserDefaultsKey(key))
        return std::nullopt;
    const QString path = pathFor(key);
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        return unreadable(QStringLiteral("cannot read %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (!S_ISREG(info.st_mode))
        return unreadable(QStringLiteral("cannot read %1: not a regular file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return bytes;
}

std::optional<UserDefaults::Stamp> FileUserDefaults::stamp(const QString& key) const
{
    if (!isValidUserDefaultsKey(key))
        return std::nullopt;
    struct stat info {};
    if (::stat(QFile::encodeName(pathFor(key)).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return Stamp{static_cast<qint64>(info.st_size),
                 static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool FileUserDefaults::setData(const QString& key, const QByteArray& bytes, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!isValidUserDefaultsKey(key))
        return fail(QStringLiteral("invalid key \"%1\"").arg(key));
    if (!QDir().mkpath(m_directory))
        return fail(QStringLiteral("cannot create %1").arg(m_directory));

    QSaveFile file(pathFor(key));
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

QStringList FileUserDefaults::keys() const
{
    QStringList result;
    for (const QString& name : QDir(m_directory).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (isValidUserDefaultsKey(name))
            result << name;
    }
    return result;
}
