#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

// The bundled onboarding assets (slide videos and the intro image), found by
// name. The files under the root are indexed once; a name is a file's path
// relative to the root without its extension, so "slide 1 ready v1" and "a/b"
// work, while a name that is not in the index (an unknown one, or one that
// climbs out with "..") finds nothing.
class OnboardingAssetCatalog {
public:
    explicit OnboardingAssetCatalog(const QString& rootDirectory);

    // The assets compiled into the program, indexed on first use.
    static const OnboardingAssetCatalog& bundled();
    static QString bundledRoot();

    // Paths of the asset files; empty when there is no such asset.
    QString videoPath(const QString& name) const;
    QString imagePath(const QString& name) const;
    // The video's bytes, as stored; none when the asset is missing or unreadable.
    std::optional<QByteArray> videoData(const QString& name) const;

private:
    QHash<QString, QString> m_videos;
    QHash<QString, QString> m_images;
};
