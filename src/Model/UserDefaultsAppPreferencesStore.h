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
    // pipe) or decoded throws. What interrupted saves left is tidied first.
    AppPreferences load() override;
    // Replaces the stored record, but never over bytes this store has not
    // seen: a record that could not be read at load, or that someone else
    // replaced since, is first kept as "<key>.conflict-<UTC time>" (one the
    // last load could not decode as "<key>.unreadable-<UTC time>"), and the
    // log names the copy; when no copy can be kept, it is not replaced. Nor
    // is one that cannot be read: the save fails until it can.
    void save(const AppPreferences& preferences) override;

    static AppPreferences decode(const QByteArray& bytes); // throws DecodingError

private:
    // What this store last read or wrote under its key; bytes unset when nothing was there.
    struct Seen {
        std::optional<QByteArray> bytes;
    };

    void keepUnseenRecordAside(const QByteArray& stored, const QByteArray& replacement);

    UserDefaults& m_userDefaults;
    QString m_storageKey;
    const Clock& m_clock;
    Logger m_logger;
    std::optional<Seen> m_seen; // unset while what is stored has not been read
    bool m_unreadAtLoad = false;
    bool m_undecodedAtLoad = false; // and not yet copied aside
};
