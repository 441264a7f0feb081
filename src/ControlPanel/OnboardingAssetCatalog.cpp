#include "ControlPanel/OnboardingAssetCatalog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

// The resource initialiser must be named outside any namespace; calling it keeps
// the linker from dropping the assets out of the static library.
static void initBundledOnboardingAssets()
{
    Q_INIT_RESOURCE(onboarding);
}

OnboardingAssetCatalog::OnboardingAssetCatalog(const QString& rootDirectory)
{
    const QDir root(rootDirectory);
    QDirIterator files(rootDirectory, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString relative = root.relativeFilePath(path);
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix.isEmpty())
            continue;
        const QString name = relative.left(relative.size() - suffix.size() - 1);
        if (suffix == QLatin1String("mp4"))
            m_videos.insert(name, path);
        else if (suffix == QLatin1String("png") || suffix == QLatin1String("jpg"))
            m_images.insert(name, path);
    }
}

QString OnboardingAssetCatalog::bundledRoot()
{
    return QStringLiteral(":/onboarding");
}

const OnboardingAssetCatalog& OnboardingAssetCatalog::bundled()
{
    static const OnboardingAssetCatalog catalog = [] {
        initBundledOnboardingAssets();
        return OnboardingAssetCatalog(bundledRoot());
    }();
    return catalog;
}

QString OnboardingAssetCatalog::videoPath(const QString& name) const
{
    return m_videos.value(name);
}

QString OnboardingAssetCatalog::imagePath(const QString& name) const
{
    return m_images.value(name);
}

std::optional<QByteArray> OnboardingAssetCatalog::videoData(const QString& name) const
{
    const QString path = videoPath(name);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}
