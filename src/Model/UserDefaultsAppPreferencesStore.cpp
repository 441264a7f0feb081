#include "Model/UserDefaultsAppPreferencesStore.h"

#include "Model/JsonCoding.h"

UserDefaultsAppPreferencesStore::UserDefaultsAppPreferencesStore(UserDefaults& userDefaults, QString storageKey,
                                                                 const Clock& clock)
    : m_userDefaults(userDefaults)
    , m_storageKey(std::move(storageKey))
    , m_clock(clock)
    , m_logger(QStringLiteral("UserDefaultsAppPreferencesStore"))
{
}

AppPreferences UserDefaultsAppPreferencesStore::decode(const QByteArray& bytes)
{
    return AppPreferences::fromJson(Json::parse(bytes));
}

AppPreferences UserDefaultsAppPreferencesStore::load()
{
    m_unkeptUnreadable.reset();
    const std::optional<QByteArray> bytes = m_userDefaults.data(m_storageKey);
    if (!bytes)
        return AppPreferences{};
    try {
        return decode(*bytes);
    } catch (const DecodingError& error) {
        m_unkeptUnreadable = *bytes; // a few hundred bytes, kept until the first save
        throw StoreError(QString::fromStdString(error.what()));
    }
}

void UserDefaultsAppPreferencesStore::save(const AppPreferences& preferences)
{
    QString error;
    if (m_unkeptUnreadable) {
        const std::optional<QString> key = keepCopy(m_userDefaults, m_storageKey, QStringLiteral("unreadable"),
                                                    *m_unkeptUnreadable, m_clock.now(), &error);
        if (!key) {
            throw StoreError(
                QStringLiteral("the stored preferences could not be decoded, and no copy of them could be kept: %1").arg(error),
                error);
        }
        m_unkeptUnreadable.reset();
        m_logger.error(QStringLiteral("The stored preferences could not be decoded; a copy is kept as %1").arg(*key));
    }
    if (!m_userDefaults.setData(m_storageKey, Json::serialize(preferences.toJson()), &error))
        throw StoreError(error, error);
}
