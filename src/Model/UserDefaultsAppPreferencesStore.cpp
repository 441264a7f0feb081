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

namespace {
bool decodes(const QByteArray& bytes)
{
    try {
        UserDefaultsAppPreferencesStore::decode(bytes);
        return true;
    } catch (const DecodingError&) {
        return false;
    }
}
} // namespace

AppPreferences UserDefaultsAppPreferencesStore::load()
{
    m_seen.reset();
    m_unreadAtLoad = false;
    m_undecodedAtLoad = false;
    for (const InterruptedWrite& leftover : tidyInterruptedWrites(m_userDefaults, m_storageKey)) {
        m_logger.error(leftover.error.isEmpty()
                           ? QStringLiteral("A save cut short left %1, which holds settings the record does not; it is left in place").arg(leftover.key)
                           : QStringLiteral("A save cut short left %1, which could not be removed: %2").arg(leftover.key, leftover.error));
    }
    QString readError;
    const std::optional<QByteArray> bytes = m_userDefaults.data(m_storageKey, &readError);
    if (!bytes) {
        if (readError.isEmpty()) {
            m_seen = Seen{};
            if (const std::optional<QString> target = m_userDefaults.linkTarget(m_storageKey)) {
                m_logger.error(QStringLiteral("%1 is a link to %2, which does not exist; the settings start from their defaults")
                                   .arg(m_storageKey, *target));
            }
            return AppPreferences{};
        }
        m_unreadAtLoad = true; // saves refuse to replace it while it stays unreadable
        throw StoreError(QStringLiteral("cannot read %1: %2").arg(m_storageKey, readError), readError);
    }
    m_seen = Seen{*bytes};
    try {
        return decode(*bytes);
    } catch (const DecodingError& error) {
        m_undecodedAtLoad = true; // copied aside before the first save replaces it
        throw StoreError(QString::fromStdString(error.what()));
    }
}

void UserDefaultsAppPreferencesStore::keepUnseenRecordAside(const QByteArray& stored, const QByteArray& replacement)
{
    const bool seen = m_seen && m_seen->bytes == stored;
    if (seen && !m_undecodedAtLoad)
        return;
    if (!seen && stored == replacement)
        return; // nothing would be lost
    // Judged as a load would have judged it; a record changed by someone else is theirs, whatever it holds.
    const bool undecodable = seen || (m_unreadAtLoad && !decodes(stored));
    QString error;
    const std::optional<QString> key = keepCopy(m_userDefaults, m_storageKey,
                                                undecodable ? QStringLiteral("unreadable") : QStringLiteral("conflict"),
                                                stored, m_clock.now(), &error);
    if (!key) {
        throw StoreError(QStringLiteral("the stored preferences %1, and no copy of them could be kept: %2")
                             .arg(undecodable      ? QStringLiteral("could not be decoded")
                                      : m_unreadAtLoad ? QStringLiteral("could not be read at start-up")
                                                       : QStringLiteral("were changed by another program"),
                                  error),
                         error);
    }
    if (undecodable)
        m_logger.error(QStringLiteral("The stored preferences could not be decoded; a copy is kept as %1").arg(*key));
    else if (m_unreadAtLoad)
        m_logger.error(QStringLiteral("The stored preferences could not be read at start-up; that version is kept as %1").arg(*key));
    else
        m_logger.error(QStringLiteral("The stored preferences were changed by another program; that version is kept as %1").arg(*key));
    m_unreadAtLoad = false;
    m_undecodedAtLoad = false;
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
    const QByteArray bytes = Json::serialize(preferences.toJson());
    if (stored)
        keepUnseenRecordAside(*stored, bytes);
    if (!m_userDefaults.setData(m_storageKey, bytes, &error))
        throw StoreError(describeWriteFailure(m_userDefaults, m_storageKey, error), error);
    m_seen = Seen{bytes};
    m_unreadAtLoad = false;
    m_undecodedAtLoad = false;
}
