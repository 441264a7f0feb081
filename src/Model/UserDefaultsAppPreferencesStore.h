#pragma once

#include "Model/AppPreferencesStore.h"
#include "Platform/UserDefaults.h"

class UserDefaultsAppPreferencesStore final : public AppPreferencesStore {
public:
    UserDefaultsAppPreferencesStore(UserDefaults& userDefaults, QString storageKey);

    AppPreferences load() override;
    void save(const AppPreferences& preferences) override;

    static AppPreferences decode(const QByteArray& bytes); // throws DecodingError

private:
    UserDefaults& m_userDefaults;
    QString m_storageKey;
};
