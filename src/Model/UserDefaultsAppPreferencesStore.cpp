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
    m_unreadAtLoad = false;
    QString readError;
    const std::optional<QByteArray> bytes = m_userDefaults.data(m_storageKey, &readError);
    if (!bytes) {
        if (readError.isEmpty())
            return AppPreferences{};
        m_unreadAtLoad = true; // saves refuse to replace it while it stays unreadable
        throw StoreError(QStringLiteral("cannot read %1: %2").arg(m_storageKey, readError), readError);
    }
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
    const std::optional<QByteArray> stored = m_userDefaults.data(m_storageKey, &error);
    if (!stored && !error.isEmpty()) {
        throw StoreError(
            QStringLiteral("the stored preferences cannot be read, so they are not replaced: cannot read %1: %2").arg(m_storageKey, error),
            error);
    }
    if (m_unreadAtLoad && stored) {
        // Readable at last: judged as a load would have judged it.
        m_unreadAtLoad = false;
        try {
            decode(*stored);
        } catch (const DecodingError&) {
            m_unkeptUnreadable = *stored;
        }
    }
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
