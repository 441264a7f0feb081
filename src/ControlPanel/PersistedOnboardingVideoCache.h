#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class OnboardingAssetCatalog;

// Where a slide's video plays from: the cache file when there is a sound one,
// otherwise the asset's bytes held in memory.
struct OnboardingVideoSource {
    QString filePath;
    QByteArray data;

    bool isFile() const { return !filePath.isEmpty(); }
};

// Copies each bundled slide video once into a cache directory, since the
// player reads files. Only a regular file that is not a link is ever played
// from the cache, and a file is written only where nothing exists yet, so a
// planted link or directory can neither redirect the write nor feed the player;
// in that case the video plays from memory instead.
class PersistedOnboardingVideoCache {
public:
    static constexpr const char* directoryName = "QuaverLoomOnboardingVideoCache";

    // Creates the directory; one that is a link, not ours, or writable by
    // others is not used at all.
    PersistedOnboardingVideoCache(const OnboardingAssetCatalog& catalog, const QString& cacheDirectory);

    // Over the bundled assets, in the user's cache directory; made on first use.
    static PersistedOnboardingVideoCache& shared();
    // $XDG_CACHE_HOME (or ~/.cache), else the temporary directory, plus directoryName.
    static QString defaultCacheDirectory();

    QString cacheDirectory() const { return m_cacheDirectory; }
    bool isDirectoryUsable() const { return m_directoryUsable; }

    // Tries the name, the trimmed name and the trimmed name plus one space;
    // none when no asset goes by any of them.
    std::optional<OnboardingVideoSource> resolvedVideo(const QString& assetName);

    // The cache file's name for an asset: every "/" becomes "-", then ".mp4".
    static QString fileNameFor(const QString& assetName);

private:
    std::optional<QString> cachedFile(const QString& assetName, const QByteArray& data) const;

    const OnboardingAssetCatalog& m_catalog;
    QString m_cacheDirectory;
    bool m_directoryUsable = false;
};
