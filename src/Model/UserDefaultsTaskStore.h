#pragma once

#include "Model/TaskRecordPreload.h"
#include "Model/TaskStore.h"
#include "Model/WorkspaceRecordReader.h"
#include "Platform/Date.h"
#include "Platform/Logger.h"
#include "Platform/UserDefaults.h"

#include <memory>
#include <optional>

class UserDefaultsTaskStore final : public TaskStore {
public:
    UserDefaultsTaskStore(UserDefaults& userDefaults, QString storageKey, const Clock& clock = SystemClock::shared());
    // The first load takes `preload`'s result while the record's stamp is
    // still the one it read under; the preload must read the same record.
    UserDefaultsTaskStore(UserDefaults& userDefaults, QString storageKey, std::shared_ptr<TaskRecordPreload> preload,
                          const Clock& clock = SystemClock::shared());

    // Nothing stored gives the default workspace; the current record is
    // normalised; an older bare task list is converted. A record that cannot
    // be decoded is copied to "<key>.unreadable-<UTC time>" right away, so its
    // bytes need not stay in memory until the first save. What interrupted
    // saves left is tidied, after the record is read.
    TaskWorkspaceState load() override;
    // Replaces the stored record, but never over bytes this store has not
    // seen: a record someone else replaced since the last load or save is
    // first kept as "<key>.conflict-<UTC time>", and one that cannot be read
    // at all makes the save fail. Used by one thread at a time.
    void save(const TaskWorkspaceState& state) override;
    // Writes "<key>.unsaved-<UTC time>" into the first of the unsaved-copy
    // directories that takes it, and returns its path.
    std::optional<QString> keepUnsavedCopy(const TaskWorkspaceState& state, QString* error = nullptr) override;

    // $XDG_STATE_HOME/QuaverLoom, $XDG_CACHE_HOME/QuaverLoom, the temporary directory.
    static QStringList standardUnsavedCopyDirectories();
    void setUnsavedCopyDirectories(QStringList directories) { m_unsavedCopyDirectories = std::move(directories); }

    static TaskWorkspaceState normalized(TaskWorkspaceState state);
    static TaskWorkspaceState convertedFromTaskList(TaskList tasks);
    static TaskWorkspaceState decode(const QByteArray& bytes); // throws DecodingError
    // A decoded record made whole: the workspace normalised, or the older list converted.
    static TaskWorkspaceState repaired(WorkspaceRecordReader::Record record);
    static QByteArray encode(const TaskWorkspaceState& state);
    // Stamps, reads and decodes the record under `key`, without logging or
    // writing; safe on any thread for a UserDefaults used by that thread alone.
    static TaskRecordPreload::Result readRecord(const UserDefaults& userDefaults, const QString& key);

private:
    // What this store last read or wrote under its key.
    struct Known {
        std::optional<UserDefaults::Stamp> stamp;
        size_t hash = 0;
    };

    // Copies bytes to "<key>.<kind>-<UTC time>" unless an identical copy is already there.
    QString keepAside(const QString& kind, const QByteArray& bytes);
    void keepChangedRecordAside();
    void tidyInterruptedWrites();
    void remember(const QByteArray& bytes);

    UserDefaults& m_userDefaults;
    QString m_storageKey;
    const Clock& m_clock;
    Logger m_logger;
    std::optional<Known> m_known;
    // Set while an undecodable record could not be copied aside at load.
    std::optional<size_t> m_unkeptUnreadableHash;
    QStringList m_unsavedCopyDirectories;
    std::shared_ptr<TaskRecordPreload> m_preload;
};
