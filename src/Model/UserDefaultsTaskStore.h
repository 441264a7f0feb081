#pragma once

#include "Model/TaskStore.h"
#include "Platform/Date.h"
#include "Platform/UserDefaults.h"

#include <optional>

class UserDefaultsTaskStore final : public TaskStore {
public:
    UserDefaultsTaskStore(UserDefaults& userDefaults, QString storageKey, const Clock& clock = SystemClock::shared());

    // Nothing stored gives the default workspace; the current record is
    // normalised; an older bare task list is converted. Never writes.
    TaskWorkspaceState load() override;
    // Replaces the stored record. A record that could not be read at load is
    // first kept under "<key>.unreadable-<UTC time>", so it is never lost.
    void save(const TaskWorkspaceState& state) override;

    static TaskWorkspaceState normalized(TaskWorkspaceState state);
    static TaskWorkspaceState convertedFromTaskList(TaskList tasks);
    static TaskWorkspaceState decode(const QByteArray& bytes); // throws DecodingError
    static QByteArray encode(const TaskWorkspaceState& state);

private:
    void preserveUnreadableRecord();

    UserDefaults& m_userDefaults;
    QString m_storageKey;
    const Clock& m_clock;
    std::optional<QByteArray> m_unreadableBytes;
};
