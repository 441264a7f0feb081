#pragma once

#include "Platform/UserDefaults.h"

#include <QMap>
#include <QSet>

// User defaults held in memory; writes can be made to fail on demand.
class MemoryUserDefaults final : public UserDefaults {
public:
    std::optional<QByteArray> data(const QString& key, QString* error = nullptr) const override
    {
        if (unreadableKeys.contains(key)) {
            if (error)
                *error = QStringLiteral("Permission denied");
            return std::nullopt;
        }
        const auto it = values.constFind(key);
        return it == values.constEnd() ? std::nullopt : std::optional<QByteArray>(*it);
    }

    bool setData(const QString& key, const QByteArray& bytes, QString* error = nullptr) override
    {
        ++writeCount;
        if (failWrites) {
            if (error)
                *error = QStringLiteral("disk full");
            return false;
        }
        values.insert(key, bytes);
        return true;
    }

    QStringList keys() const override { return values.keys(); }

    bool remove(const QString& key, QString* error = nullptr) override
    {
        if (values.remove(key) > 0)
            return true;
        if (error)
            *error = QStringLiteral("No such file or directory");
        return false;
    }

    QMap<QString, QByteArray> values;
    QSet<QString> unreadableKeys; // stored, but every read fails
    bool failWrites = false;
    int writeCount = 0;
};
