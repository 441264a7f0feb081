#include "ControlPanel/PersistedOnboardingVideoCache.h"

#include "ControlPanel/OnboardingAssetCatalog.h"
#include "Platform/Logger.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const Logger& log()
{
    static const Logger logger(QStringLiteral("PersistedOnboardingVideoCache"));
    return logger;
}

enum class PathKind { missing, regularFile, other };

// Looks at the path itself, never through a link.
PathKind kindOfPath(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT ? PathKind::missing : PathKind::other;
    return S_ISREG(info.st_mode) ? PathKind::regularFile : PathKind::other;
}

// A real directory of ours that nobody else can plant files in.
bool isPrivateDirectory(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

PersistedOnboardingVideoCache::PersistedOnboardingVideoCache(const OnboardingAssetCatalog& catalog,
                                                             const QString& cacheDirectory)
    : m_catalog(catalog), m_cacheDirectory(cacheDirectory)
{
    // A failure here (it exists, or the parent is read-only) is judged by the check below.
    ::mkdir(QFile::encodeName(cacheDirectory).constData(), 0700);
    m_directoryUsable = isPrivateDirectory(cacheDirectory);
    if (!m_directoryUsable)
        log().error(QStringLiteral("Not caching onboarding videos in %1: it is not a private directory of ours; "
                                   "they play from memory.")
                        .arg(cacheDirectory));
}

QString PersistedOnboardingVideoCache::defaultCacheDirectory()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    QDir().mkpath(base);
    return QDir(base).filePath(QLatin1String(directoryName));
}

PersistedOnboardingVideoCache& PersistedOnboardingVideoCache::shared()
{
    static PersistedOnboardingVideoCache cache(OnboardingAssetCatalog::bundled(), defaultCacheDirectory());
    return cache;
}

QString PersistedOnboardingVideoCache::fileNameFor(const QString& assetName)
{
    QString name = assetName;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral(".mp4");
}

std::optional<OnboardingVideoSource> PersistedOnboardingVideoCache::resolvedVideo(const QString& assetName)
{
    const QString trimmed = assetName.trimmed();
    std::optional<OnboardingVideoSource> fromMemory;
    for (const QString& candidate : {assetName, trimmed, trimmed + QLatin1Char(' ')}) {
        if (candidate.isEmpty())
            continue;
        const std::optional<QByteArray> data = m_catalog.videoData(candidate);
        if (!data)
            continue;
        if (const std::optional<QString> file = cachedFile(candidate, *data))
            return OnboardingVideoSource{*file, {}};
        if (!fromMemory)
            fromMemory = OnboardingVideoSource{{}, *data};
    }
    return fromMemory;
}

std::optional<QString> PersistedOnboardingVideoCache::cachedFile(const QString& assetName, const QByteArray& data) const
{
    if (!m_directoryUsable)
        return std::nullopt;
    const QString path = QDir(m_cacheDirectory).filePath(fileNameFor(assetName));
    switch (kindOfPath(path)) {
    case PathKind::regularFile:
        return path; // the first copy stays; it is never rewritten
    case PathKind::other:
        return std::nullopt;
    case PathKind::missing:
        break;
    }

    // Written beside, then linked into place: link() never replaces anything,
    // so whatever appears at the path meanwhile is left alone.
    QTemporaryFile incoming(QDir(m_cacheDirectory).filePath(QStringLiteral(".incoming-XXXXXX")));
    if (!incoming.open() || incoming.write(data) != data.size() || !incoming.flush())
        return std::nullopt;
    if (::link(QFile::encodeName(incoming.fileName()).constData(), QFile::encodeName(path).constData()) == 0)
        return path;
    if (errno == EEXIST && kindOfPath(path) == PathKind::regularFile)
        return path;
    return std::nullopt;
}
