#include "Model/TaskRecordPreload.h"

#include "Model/UserDefaultsTaskStore.h"

TaskRecordPreload::TaskRecordPreload(QString directory, QString key)
    : m_directory(std::move(directory))
    , m_key(std::move(key))
{
    m_result = std::async(std::launch::async, [directory = m_directory, key = m_key] {
        const FileUserDefaults userDefaults(directory);
        return UserDefaultsTaskStore::readRecord(userDefaults, key);
    });
}

// An untaken read is waited for: it is read-only, and no longer than a load.
TaskRecordPreload::~TaskRecordPreload() = default;

TaskRecordPreload::Result TaskRecordPreload::take()
{
    return m_result.get();
}
