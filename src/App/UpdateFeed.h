#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The versions an RSS-style update feed offers: one per <item>, taken from its
// shortVersionString, else its version, as a child element or as an attribute
// of its <enclosure> (any namespace).
struct UpdateFeed {
    QStringList versions;

    // Fails (with a description) when the XML is not well-formed or no item
    // carries a readable version.
    static std::optional<UpdateFeed> parse(const QByteArray& xml, QString* error = nullptr);

    QString newestVersion() const;

    // Dot-separated numbers, optionally followed by a pre-release suffix
    // ("1.2.0", "2.0-beta1").
    static bool isVersion(const QString& text);
    // <0, 0, >0. Missing components count as 0, so "1.0" equals "1.0.0"; a
    // pre-release comes before its release ("2.0-beta1" < "2.0").
    static int compareVersions(const QString& a, const QString& b);
};
