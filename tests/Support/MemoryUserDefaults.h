#pragma once

#include "Platform/UserDefaults.h"

#include <QMap>

// User defaults held in memory; writes can be made to fail on demand.
class MemoryUserDefaults final : public UserDefaults {
public:
    std::optional<QByteArray> data(const QString& key) const override
    {
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

    QMap<QString, QByteArray> values;
    bool failWrites = false;
    int writeCount = 0;
};
