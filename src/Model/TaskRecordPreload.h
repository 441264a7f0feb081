#pragma once

#include "Model/TaskWorkspaceState.h"
#include "Platform/UserDefaults.h"

#include <future>
#include <optional>

// Reads and decodes a task record on a thread of its own, started before the
// rest of the program is built; the store's first load takes the result when
// the record has not changed since. Nothing here logs or writes.
class TaskRecordPreload {
public:
    struct Result {
        // Taken before the bytes were read, as the store does.
        std::optional<UserDefaults::Stamp> stamp;
        QString readError;
        bool present = false;
        size_t hash = 0;
        std::optional<TaskWorkspaceState> state;
        // Set when the record could not be decoded; the bytes are kept for the copy aside.
        std::optional<QString> decodingError;
        QByteArray undecodedBytes;
    };

    // Reads `key` under `directory` (a FileUserDefaults directory).
    TaskRecordPreload(QString directory, QString key);
    ~TaskRecordPreload();
    TaskRecordPreload(const TaskRecordPreload&) = delete;
    TaskRecordPreload& operator=(const TaskRecordPreload&) = delete;

    const QString& directory() const { return m_directory; }
    const QString& key() const { return m_key; }
    // Waits for the read.
    void wait() const { m_result.wait(); }
    // Waits for the read; once only.
    Result take();

private:
    QString m_directory;
    QString m_key;
    std::future<Result> m_result;
};
