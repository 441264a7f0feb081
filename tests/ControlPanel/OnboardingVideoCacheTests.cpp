#include "ControlPanel/OnboardingAssetCatalog.h"
#include "ControlPanel/PersistedOnboardingVideoCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Assets in a directory of their own, and a cache directory beside it.
class OnboardingVideoCache : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_assets = m_dir.filePath(QStringLiteral("assets"));
        writeFile(asset("slide 1 ready v1.mp4"), "first slide bytes");
        writeFile(asset("a/b.mp4"), "nested bytes");
        writeFile(asset("trail .mp4"), "trailing space bytes");
        writeFile(asset(" .mp4"), "single space bytes");
        writeFile(asset("intro.png"), "image bytes");
        writeFile(m_dir.filePath(QStringLiteral("outside.mp4")), "outside bytes");
        m_catalog = std::make_unique<OnboardingAssetCatalog>(m_assets);
        m_cacheDir = m_dir.filePath(QStringLiteral("cache"));
    }

    QString asset(const char* name) const { return m_assets + QLatin1Char('/') + QLatin1String(name); }
    QString cached(const char* name) const { return m_cacheDir + QLatin1Char('/') + QLatin1String(name); }
    PersistedOnboardingVideoCache makeCache() const { return PersistedOnboardingVideoCache(*m_catalog, m_cacheDir); }

    QTemporaryDir m_dir;
    QString m_assets;
    QString m_cacheDir;
    std::unique_ptr<OnboardingAssetCatalog> m_catalog;
};

TEST_F(OnboardingVideoCache, CatalogFindsIndexedNamesAndNothingElse)
{
    EXPECT_EQ(m_catalog->videoData(QStringLiteral("slide 1 ready v1")), QByteArray("first slide bytes"));
    EXPECT_EQ(m_catalog->videoData(QStringLiteral("a/b")), QByteArray("nested bytes"));
    EXPECT_EQ(m_catalog->imagePath(QStringLiteral("intro")), asset("intro.png"));
    for (const char* name : {"../outside", "a/../slide 1 ready v1", "./slide 1 ready v1", "missing", "intro", "a",
                             "slide 1 ready v1.mp4", "/slide 1 ready v1"})
        EXPECT_FALSE(m_catalog->videoData(QString::fromUtf8(name))) << name;
    EXPECT_TRUE(m_catalog->imagePath(QStringLiteral("../outside")).isEmpty());
}

TEST_F(OnboardingVideoCache, BundledCatalogHoldsEverySlideOfTheDefaultTemplateAndTheIntroImage)
{
    const OnboardingAssetCatalog& bundled = OnboardingAssetCatalog::bundled();
    for (int slide = 1; slide <= 5; ++slide)
        EXPECT_FALSE(bundled.videoPath(QStringLiteral("slide %1 ready v1").arg(slide)).isEmpty()) << slide;
    EXPECT_FALSE(bundled.imagePath(QStringLiteral("onboard1")).isEmpty());
}

TEST_F(OnboardingVideoCache, ResolutionWritesTheExactBytesOnceUnderTheFoundName)
{
    struct Case {
        const char* requested;
        const char* file;
        const char* bytes;
    };
    const Case cases[] = {
        {"slide 1 ready v1", "slide 1 ready v1.mp4", "first slide bytes"},
        {"  slide 1 ready v1 \n", "slide 1 ready v1.mp4", "first slide bytes"}, // through the trimmed name
        {"a/b", "a-b.mp4", "nested bytes"},
        {"trail", "trail .mp4", "trailing space bytes"}, // through the trimmed name plus one space
        {"", " .mp4", "single space bytes"},             // only a single space is looked up
    };
    for (const Case& c : cases) {
        QDir(m_cacheDir).removeRecursively();
        PersistedOnboardingVideoCache cache = makeCache();
        const auto source = cache.resolvedVideo(QString::fromUtf8(c.requested));
        ASSERT_TRUE(source) << c.requested;
        EXPECT_EQ(source->filePath, cached(c.file)) << c.requested;
        EXPECT_EQ(readAll(cached(c.file)), QByteArray(c.bytes)) << c.requested;
        EXPECT_EQ(QDir(m_cacheDir).entryList(QDir::Files | QDir::Hidden).size(), 1) << c.requested;
    }
}

TEST_F(OnboardingVideoCache, AnExistingCopyIsNeverRewritten)
{
    PersistedOnboardingVideoCache cache = makeCache();
    ASSERT_TRUE(cache.resolvedVideo(QStringLiteral("slide 1 ready v1")));
    writeFile(cached("slide 1 ready v1.mp4"), "first copy");
    const auto again = cache.resolvedVideo(QStringLiteral("slide 1 ready v1"));
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isFile());
    EXPECT_EQ(readAll(cached("slide 1 ready v1.mp4")), QByteArray("first copy"));
}

TEST_F(OnboardingVideoCache, UnknownNamesResolveToNothingAndWriteNothing)
{
    PersistedOnboardingVideoCache cache = makeCache();
    for (const char* name : {"missing", "../outside", "a-b", "a/b.mp4"})
        EXPECT_FALSE(cache.resolvedVideo(QString::fromUtf8(name))) << name;
    EXPECT_TRUE(QDir(m_cacheDir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(OnboardingVideoCache, ALinkAtTheCachePathIsNeitherFollowedNorPlayed)
{
    const QString target = m_dir.filePath(QStringLiteral("planted.mp4"));
    for (bool dangling : {true, false}) {
        QDir(m_cacheDir).removeRecursively();
        QFile::remove(target);
        PersistedOnboardingVideoCache cache = makeCache();
        if (!dangling)
            writeFile(target, "planted bytes");
        ASSERT_TRUE(QFile::link(target, cached("slide 1 ready v1.mp4")));
        const auto source = cache.resolvedVideo(QStringLiteral("slide 1 ready v1"));
        ASSERT_TRUE(source) << "dangling " << dangling;
        EXPECT_FALSE(source->isFile());
        EXPECT_EQ(source->data, QByteArray("first slide bytes"));
        EXPECT_EQ(QFileInfo::exists(target), !dangling) << "the write went through the link";
        if (!dangling) {
            EXPECT_EQ(readAll(target), QByteArray("planted bytes"));
        }
    }
}

TEST_F(OnboardingVideoCache, SomethingElseAtTheCachePathPlaysFromMemory)
{
    PersistedOnboardingVideoCache cache = makeCache();
    ASSERT_TRUE(QDir().mkpath(cached("slide 1 ready v1.mp4")));
    const auto source = cache.resolvedVideo(QStringLiteral("slide 1 ready v1"));
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->isFile());
    EXPECT_EQ(source->data, QByteArray("first slide bytes"));
}

TEST_F(OnboardingVideoCache, UnusableCacheDirectoriesAreNotWrittenAndVideosPlayFromMemory)
{
    struct Case {
        const char* what;
        std::function<void(const QString&)> prepare;
    };
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
    const Case cases[] = {
        {"writable by others", [](const QString& dir) { QDir().mkpath(dir); ::chmod(QFile::encodeName(dir), 0777); }},
        {"a link to a directory", [&](const QString& dir) { QDir().mkpath(elsewhere); QFile::link(elsewhere, dir); }},
        {"a file", [](const QString& dir) { writeFile(dir, "not a directory"); }},
        {"below a file", [](const QString& dir) { writeFile(dir, "x"); }},
    };
    for (const Case& c : cases) {
        QDir(m_cacheDir).removeRecursively();
        QFile::remove(m_cacheDir);
        QDir(elsewhere).removeRecursively();
        c.prepare(m_cacheDir);
        const QString directory = QLatin1String(c.what) == QLatin1String("below a file")
                                      ? m_cacheDir + QStringLiteral("/inner")
                                      : m_cacheDir;
        PersistedOnboardingVideoCache cache(*m_catalog, directory);
        EXPECT_FALSE(cache.isDirectoryUsable()) << c.what;
        const auto source = cache.resolvedVideo(QStringLiteral("slide 1 ready v1"));
        ASSERT_TRUE(source) << c.what;
        EXPECT_FALSE(source->isFile()) << c.what;
        EXPECT_EQ(source->data, QByteArray("first slide bytes")) << c.what;
        EXPECT_TRUE(QDir(elsewhere).entryList(QDir::Files).isEmpty()) << c.what;
    }
    QFile::remove(m_cacheDir);
}

TEST_F(OnboardingVideoCache, AReadOnlyCacheDirectoryPlaysFromMemory)
{
    PersistedOnboardingVideoCache cache = makeCache();
    ASSERT_TRUE(cache.isDirectoryUsable());
    ::chmod(QFile::encodeName(m_cacheDir), 0500);
    if (::access(QFile::encodeName(m_cacheDir), W_OK) == 0) {
        ::chmod(QFile::encodeName(m_cacheDir), 0700);
        GTEST_SKIP() << "permissions do not bind this user";
    }
    const auto source = cache.resolvedVideo(QStringLiteral("slide 1 ready v1"));
    ::chmod(QFile::encodeName(m_cacheDir), 0700);
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->isFile());
    EXPECT_EQ(source->data, QByteArray("first slide bytes"));
}

TEST_F(OnboardingVideoCache, DefaultDirectoryIsTheNamedOneUnderTheUserCache)
{
    EXPECT_EQ(PersistedOnboardingVideoCache::defaultCacheDirectory(),
              QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME")) + QStringLiteral("/QuaverLoomOnboardingVideoCache"));
    EXPECT_TRUE(PersistedOnboardingVideoCache(*m_catalog, PersistedOnboardingVideoCache::defaultCacheDirectory())
                    .isDirectoryUsable());
}

} // namespace
