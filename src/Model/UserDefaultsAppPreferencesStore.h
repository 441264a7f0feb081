#pragma once

#include "Model/AppPreferencesStore.h"
#include "Platform/Date.h"
#include "Platform/Logger.h"
#include "Platform/UserDefaults.h"

#include <optional>

class UserDefaultsAppPreferencesStore final : public AppPreferencesStore {
public:
    UserDefaultsAppPreferencesStore(UserDefaults& userDefaults, QString storageKey,
                                    const Clock& clock = SystemClock::shared());

    // Nothing stored gives the default preferences; nothing is written. A
    // record that is there but cannot be read (no permission, a directory, a
    // pipe) or decoded throws.
    AppPreferences load() override;
    // A record the last load could not decode is first copied to
    // "<key>.unreadable-<UTC time>"; when that fails, it is not replaced.
    // Nor is one that cannot be read: the save fails until it can.
    void save(const AppPreferences& preferences) override;

    static AppPreferences decode(const QByteArray& bytes); // throws DecodingError

private:
    UserDefaults& m_userDefaults;
    QString m_storageKey;
    const Clock& m_clock;
    Logger m_logger;
    std::optional<QByteArray> m_unkeptUnreadable;
    bool m_unreadAtLoad = false;
};
