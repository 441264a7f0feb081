#include "Model/UserDefaultsAppPreferencesStore.h"

#include "Model/JsonCoding.h"

UserDefaultsAppPreferencesStore::UserDefaultsAppPreferencesStore(UserDefaults& userDefaults, QString storageKey)
    : m_userDefaults(userDefaults), m_storageKey(std::move(storageKey))
{
}

AppPreferences UserDefaultsAppPreferencesStore::decode(const QByteArray& bytes)
{
    return AppPreferences::fromJson(Json::parse(bytes));
}

AppPreferences UserDefaultsAppPreferencesStore::load()
{
    const std::optional<QByteArray> bytes = m_userDefaults.data(m_storageKey);
    if (!bytes)
        return AppPreferences{};
    try {
        return decode(*bytes);
    } catch (const DecodingError& error) {
        throw StoreError(QString::fromStdString(error.what()));
    }
}

void UserDefaultsAppPreferencesStore::save(const AppPreferences& preferences)
{
    QString error;
    if (!m_userDefaults.setData(m_storageKey, Json::serialize(preferences.toJson()), &error))
        throw StoreError(error);
}
