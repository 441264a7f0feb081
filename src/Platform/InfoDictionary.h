#pragma once

#include <QHash>
#include <QString>
#include <optional>

// The application's information values ("CFBundleShortVersionString",
// "SUFeedURL", "SUPublicEDKey"), fixed when the build is configured.
class InfoDictionary {
public:
    InfoDictionary() = default;
    explicit InfoDictionary(QHash<QString, QString> values) : m_values(std::move(values)) {}

    // The values this build was configured with.
    static const InfoDictionary& main();

    std::optional<QString> value(const QString& key) const;

private:
    QHash<QString, QString> m_values;
};
