#include "Platform/UserDefaults.h"

#include "Platform/SideBySide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

FileUserDefaults::FileUserDefaults(QString directory, DirectorySync sync)
    : m_directory(std::move(directory)), m_sync(std::move(sync))
{
}

QString FileUserDefaults::pathFor(const QString& key) const
{
    return m_directory + QLatin1Char('/') + key;
}

namespace {
// Qt words some failures as "Unknown error"; errno, read right after the
// call that failed, has the system's reason.
QString reasonFor(int code, const QString& otherwise)
{
    return code != 0 ? QString::fromLocal8Bit(std::strerror(code)) : otherwise;
}

// Why something under a key that is not a regular file is no record.
QString notAFile(mode_t mode)
{
    return S_ISDIR(mode) ? reasonFor(EISDIR, QString()) : QStringLiteral("Not a regular file");
}

// The directory that holds path; "/" holds itself.
QString parentOf(const QString& path)
{
    return QFileInfo(path).dir().path();
}

// The path at the end of path's chain of symbolic links (path itself when it
// is none); nullopt for a chain that does not end, as the system counts.
std::optional<QString> endOfLinks(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    if (info.isSymLink())
        return std::nullopt;
    return info.filePath();
}
} // namespace

bool UserDefaults::remove(const QString& key, QString* error)
{
    Q_UNUSED(key);
    if (error)
        *error = reasonFor(ENOTSUP, QString());
    return false;
}

bool syncDirectory(const QString& directory, QString* error)
{
    const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int code = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (::fsync(fd) != 0)
            code = errno;
        ::close(fd);
    }
    // Some file systems cannot sync a directory, and need not.
    if (code == 0 || code == EINVAL || code == ENOTSUP)
        return true;
    if (error)
        *error = reasonFor(code, QString());
    return false;
}

bool makeDirectoryDurably(const QString& directory, QString* error, const DirectorySync& sync)
{
    QStringList missing;
    for (QString at = QDir::cleanPath(QDir(directory).absolutePath()); !QFileInfo::exists(at); at = parentOf(at)) {
        if (parentOf(at) == at)
            break;
        missing.prepend(at);
    }
    for (const QString& path : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0 && errno != EEXIST) {
            if (error)
                *error = reasonFor(errno, QStringLiteral("cannot create %1").arg(path));
            return false;
        }
        if (!sync(parentOf(path), error))
            return false;
    }
    return true;
}

namespace {
// A record this large is read in pieces side by side.
constexpr qsizetype kReadSideBySideBytes = qsizetype(8) << 20;

// The whole of an open file, read in pieces side by side; nullopt with the
// reason in *error when it cannot be read, or without one when it changed
// size while it was read.
std::optional<QByteArray> readSideBySide(int fd, QString* error)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        *error = reasonFor(errno, QString());
        return std::nullopt;
    }
    const qsizetype size = qsizetype(info.st_size);
    QByteArray bytes(size, Qt::Uninitialized);
    const int pieces = SideBySide::pieces(size);
    std::array<int, SideBySide::maxPieces> failures{}; // an errno, or -1 for an early end
    SideBySide::run(pieces, [&](int i) {
        const qsizetype end = i + 1 == pieces ? size : size / pieces * (i + 1);
        for (qsizetype at = size / pieces * i; at < end;) {
            const ssize_t done = ::pread(fd, bytes.data() + at, size_t(end - at), off_t(at));
            if (done <= 0) {
                if (done < 0 && errno == EINTR)
                    continue;
                failures[size_t(i)] = done < 0 ? errno : -1;
                return;
            }
            at += done;
        }
    });
    for (int i = 0; i < pieces; ++i) {
        if (failures[size_t(i)] > 0) {
            *error = reasonFor(failures[size_t(i)], QString());
            return std::nullopt;
        }
        if (failures[size_t(i)] < 0)
            return std::nullopt;
    }
    char more;
    if (::pread(fd, &more, 1, off_t(size)) != 0)
        return std::nullopt;
    return bytes;
}
} // namespace

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
        return unreadable(reasonFor(errno, QString()));
    }
    if (!S_ISREG(info.st_mode))
        return unreadable(notAFile(info.st_mode));
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(reasonFor(errno, file.errorString()));
    if (info.st_size >= kReadSideBySideBytes) {
        QString reason;
        if (std::optional<QByteArray> bytes = readSideBySide(file.handle(), &reason))
            return bytes;
        if (!reason.isEmpty())
            return unreadable(reason);
    }
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(reasonFor(errno, file.errorString()));
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
    QString reason;
    if (!makeDirectoryDurably(m_directory, &reason, m_sync))
        return fail(reason);

    // QSaveFile would follow a link too; resolving it here names the
    // directory the new file is renamed into, the one to sync.
    const QString path = pathFor(key);
    const std::optional<QString> target = endOfLinks(path);
    if (!target)
        return fail(reasonFor(ELOOP, QString()));
    struct stat info {};
    const bool isNew = ::stat(QFile::encodeName(*target).constData(), &info) != 0;
    if (isNew && errno != ENOENT)
        return fail(reasonFor(errno, QString()));
    // A directory, a pipe or a device there is the user's, not a record to replace.
    if (!isNew && !S_ISREG(info.st_mode))
        return fail(notAFile(info.st_mode));
    QSaveFile file(*target);
    file.setDirectWriteFallback(false);
    errno = 0;
    // Unbuffered, so a write that does not fit fails here with its errno
    // rather than later inside commit(), which words it "Unknown error".
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(reasonFor(errno, file.errorString()));
    if (isNew)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner); // tasks are private
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const QString reason = reasonFor(errno, file.errorString());
        file.cancelWriting();
        return fail(reason);
    }
    // commit() ignores a failed sync, and some file systems report a full
    // disk or a failing device only there.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != ENOTSUP) {
        const QString reason = reasonFor(errno, file.errorString());
        file.cancelWriting();
        return fail(reason);
    }
    errno = 0;
    if (!file.commit())
        return fail(reasonFor(errno, file.errorString()));
    // Until the directory is synced, a power cut can bring the older file back.
    if (!m_sync(*target == path ? m_directory : parentOf(*target), &reason))
        return fail(reason);
    return true;
}

bool FileUserDefaults::remove(const QString& key, QString* error)
{
    if (isValidUserDefaultsKey(key) && ::unlink(QFile::encodeName(pathFor(key)).constData()) == 0)
        return true;
    if (error)
        *error = reasonFor(isValidUserDefaultsKey(key) ? errno : EINVAL, QString());
    return false;
}

std::optional<QString> FileUserDefaults::linkTarget(const QString& key) const
{
    if (!isValidUserDefaultsKey(key) || !QFileInfo(pathFor(key)).isSymLink())
        return std::nullopt;
    return endOfLinks(pathFor(key));
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

QString copyTimeStamp(Date date)
{
    return date.toDateTime().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

std::optional<QString> keepCopy(UserDefaults& userDefaults, const QString& key, const QString& kind,
                                const QByteArray& bytes, Date now, QString* error)
{
    const QString prefix = key + QLatin1Char('.') + kind + QLatin1Char('-');
    const QStringList keys = userDefaults.keys();
    for (const QString& existing : keys) {
        if (!existing.startsWith(prefix))
            continue;
        const std::optional<UserDefaults::Stamp> stamp = userDefaults.stamp(existing);
        if (stamp && stamp->size != bytes.size())
            continue;
        if (userDefaults.data(existing) == bytes)
            return existing;
    }
    const QString stamp = copyTimeStamp(now);
    QString copyKey = prefix + stamp;
    for (int n = 2; keys.contains(copyKey); ++n)
        copyKey = prefix + stamp + QLatin1Char('-') + QString::number(n);
    if (!userDefaults.setData(copyKey, bytes, error))
        return std::nullopt;
    return copyKey;
}

QString describeWriteFailure(const UserDefaults& userDefaults, const QString& key, const QString& reason)
{
    if (const std::optional<QString> target = userDefaults.linkTarget(key))
        return QStringLiteral("cannot write %1, the file %2 links to: %3").arg(*target, key, reason);
    return reason;
}

QList<InterruptedWrite> tidyInterruptedWrites(UserDefaults& userDefaults, const QString& key)
{
    // QSaveFile's temporary name, for the record or for one of its copies.
    // A name a person gives a file of their own ("backup") seldom mixes case.
    static const QRegularExpression randomLetters(QStringLiteral("^(?=.*[a-z])(?=.*[A-Z])[A-Za-z]{6}$"));
    const QRegularExpression leftoverName(QStringLiteral("^(%1(?:\\.[a-z]+-\\d{8}T\\d{6}Z(?:-\\d+)?)?)\\.([A-Za-z]{6})$")
                                              .arg(QRegularExpression::escape(key)));
    QList<InterruptedWrite> result;
    for (const QString& name : userDefaults.keys()) {
        const QRegularExpressionMatch match = leftoverName.match(name);
        if (!match.hasMatch() || !randomLetters.match(match.captured(2)).hasMatch())
            continue;
        InterruptedWrite leftover{name, QString()};
        const std::optional<QByteArray> bytes = userDefaults.data(name, &leftover.error);
        if (!bytes) {
            if (!leftover.error.isEmpty())
                result.append(leftover);
            continue;
        }
        const auto begins = [&](const QString& whole) {
            const std::optional<UserDefaults::Stamp> stamp = userDefaults.stamp(whole);
            if (stamp && stamp->size < bytes->size())
                return false;
            const std::optional<QByteArray> wholeBytes = userDefaults.data(whole);
            return wholeBytes && wholeBytes->startsWith(*bytes);
        };
        const bool nothingMore = bytes->isEmpty() || begins(match.captured(1)) || (match.captured(1) != key && begins(key));
        if (!nothingMore || !userDefaults.remove(name, &leftover.error))
            result.append(leftover);
    }
    return result;
}
