#include "Model/UserDefaultsTaskStore.h"

#include "Model/JsonCoding.h"
#include "Model/WorkspaceRecordReader.h"
#include "Platform/Text.h"
#include "Model/TaskOrdering.h"

#include <QDir>
#include <QSet>
#include <future>

namespace {
const QString kPersonal = BuiltInSections::personalID;

bool hasLegacyReason(const TaskItem& task)
{
    return !task.reasonText.isEmpty() && task.aiReasonSourceTitle && Text::sameText(*task.aiReasonSourceTitle, task.title);
}
// Makes `text` share `shared`'s copy when they are equal.
void share(QString& text, const QString& shared)
{
    if (text.constData() != shared.constData() && text == shared)
        text = shared;
}

// Decoded text may repeat with copies of its own: section ids, and a title or
// reason inside the task's own AI results. Sharing one copy of each keeps a
// large workspace much smaller in memory.
void shareRepeatedText(TaskItem& task, const QSet<QString>& sectionIDs)
{
    const auto sharedID = [&](const QString& id) -> const QString& {
        const auto found = sectionIDs.constFind(id);
        return found != sectionIDs.constEnd() ? *found : id == kAllWorkspaceID ? kAllWorkspaceID : id;
    };
    share(task.sectionID, sharedID(task.sectionID));
    if (task.aiReasonSourceTitle)
        share(*task.aiReasonSourceTitle, task.title);
    if (task.aiStatesByWorkspace.isEmpty())
        return;
    const auto shareState = [&](TaskAIState& state) {
        share(state.sourceTitle, task.title);
        share(state.reasonText, task.reasonText);
    };
    // Keys cannot change in place: the map is rebuilt only when one is not shared yet.
    bool keysShared = true;
    for (auto it = task.aiStatesByWorkspace.cbegin(); keysShared && it != task.aiStatesByWorkspace.cend(); ++it)
        keysShared = it.key().constData() == sharedID(it.key()).constData();
    if (keysShared) {
        for (TaskAIState& state : task.aiStatesByWorkspace)
            shareState(state);
        return;
    }
    QMap<QString, TaskAIState> states;
    for (auto it = task.aiStatesByWorkspace.cbegin(); it != task.aiStatesByWorkspace.cend(); ++it) {
        TaskAIState state = it.value();
        shareState(state);
        states.insert(sharedID(it.key()), std::move(state));
    }
    task.aiStatesByWorkspace = std::move(states);
}
} // namespace

UserDefaultsTaskStore::UserDefaultsTaskStore(UserDefaults& userDefaults, QString storageKey, const Clock& clock)
    : m_userDefaults(userDefaults)
    , m_storageKey(std::move(storageKey))
    , m_clock(clock)
    , m_logger(QStringLiteral("UserDefaultsTaskStore"))
    , m_unsavedCopyDirectories(standardUnsavedCopyDirectories())
{
}

UserDefaultsTaskStore::UserDefaultsTaskStore(UserDefaults& userDefaults, QString storageKey,
                                             std::shared_ptr<TaskRecordPreload> preload, const Clock& clock)
    : UserDefaultsTaskStore(userDefaults, std::move(storageKey), clock)
{
    m_preload = std::move(preload);
}

TaskWorkspaceState UserDefaultsTaskStore::decode(const QByteArray& bytes)
{
    return repaired(WorkspaceRecordReader::read(bytes));
}

TaskWorkspaceState UserDefaultsTaskStore::repaired(WorkspaceRecordReader::Record record)
{
    if (TaskWorkspaceState* state = std::get_if<TaskWorkspaceState>(&record))
        return normalized(std::move(*state));
    return convertedFromTaskList(std::get<TaskList>(std::move(record)));
}

QByteArray UserDefaultsTaskStore::encode(const TaskWorkspaceState& state)
{
    Json::Writer writer;
    state.write(writer);
    return writer.take();
}

namespace {
size_t hashOf(const QByteArray& bytes)
{
    return qHash(QByteArrayView(bytes), 0);
}

// From this size on a record is hashed on a thread of its own while it decodes.
constexpr qsizetype kConcurrentHashBytes = 1 << 20;
} // namespace

void UserDefaultsTaskStore::remember(const QByteArray& bytes)
{
    m_known = Known{m_userDefaults.stamp(m_storageKey), hashOf(bytes)};
}

TaskRecordPreload::Result UserDefaultsTaskStore::readRecord(const UserDefaults& userDefaults, const QString& key)
{
    TaskRecordPreload::Result result;
    // Taken before the bytes are read: a record replaced in between then
    // differs from what the store remembers, and the next save keeps it aside.
    result.stamp = userDefaults.stamp(key);
    std::optional<QByteArray> bytes = userDefaults.data(key, &result.readError);
    if (!bytes)
        return result;
    result.present = true;
    // Declared after the bytes, so that it is done with them before they go.
    std::future<size_t> hashing = std::async(
        bytes->size() >= kConcurrentHashBytes ? std::launch::async | std::launch::deferred : std::launch::deferred,
        [&record = *bytes] { return hashOf(record); });
    std::optional<size_t> hash;
    const auto bytesHash = [&] {
        if (!hash)
            hash = hashing.get();
        return *hash;
    };
    try {
        // The bytes are released as the record's texts are made: a huge title is never held twice.
        result.state = repaired(WorkspaceRecordReader::readAndRelease(*bytes, [&] { bytesHash(); }));
    } catch (const DecodingError& error) {
        result.decodingError = QString::fromUtf8(error.what());
        result.undecodedBytes = *bytes;
    }
    result.hash = bytesHash();
    return result;
}

TaskWorkspaceState UserDefaultsTaskStore::load()
{
    m_known.reset();
    m_unkeptUnreadableHash.reset();
    std::optional<TaskRecordPreload::Result> record;
    if (const std::shared_ptr<TaskRecordPreload> preload = std::move(m_preload)) {
        record = preload->take();
        if (!record->stamp || m_userDefaults.stamp(m_storageKey) != record->stamp)
            record.reset(); // changed since, or nothing worth keeping: read it afresh
    }
    if (!record)
        record = readRecord(m_userDefaults, m_storageKey);
    tidyInterruptedWrites();
    if (!record->present) {
        if (!record->readError.isEmpty()) // saves refuse to replace it while it stays unreadable
            throw StoreError(QStringLiteral("cannot read %1: %2").arg(m_storageKey, record->readError), record->readError);
        if (const std::optional<QString> target = m_userDefaults.linkTarget(m_storageKey)) {
            m_logger.error(QStringLiteral("%1 is a link to %2, which does not exist; the workspace starts empty")
                               .arg(m_storageKey, *target));
        }
        return TaskWorkspaceState::defaultState();
    }
    if (record->state) {
        m_known = Known{record->stamp, record->hash};
        return std::move(*record->state);
    }
    try {
        const QString key = keepAside(QStringLiteral("unreadable"), record->undecodedBytes);
        m_known = Known{record->stamp, record->hash};
        m_logger.error(QStringLiteral("The stored workspace cannot be decoded; a copy is kept as %1").arg(key));
    } catch (const StoreError& keepError) {
        m_unkeptUnreadableHash = record->hash;
        m_logger.error(keepError.description());
    }
    throw StoreError(*record->decodingError);
}

QString UserDefaultsTaskStore::keepAside(const QString& kind, const QByteArray& bytes)
{
    QString error;
    if (std::optional<QString> key = keepCopy(m_userDefaults, m_storageKey, kind, bytes, m_clock.now(), &error))
        return *key;
    throw StoreError(QStringLiteral("could not keep a copy of the %1 workspace record: %2").arg(kind, error), error);
}

void UserDefaultsTaskStore::keepChangedRecordAside()
{
    const std::optional<UserDefaults::Stamp> stamp = m_userDefaults.stamp(m_storageKey);
    if (stamp && m_known && m_known->stamp == stamp)
        return; // untouched since this store last read or wrote it
    QString readError;
    const std::optional<QByteArray> bytes = m_userDefaults.data(m_storageKey, &readError);
    if (!bytes) {
        if (readError.isEmpty())
            return; // nothing there to lose
        throw StoreError(
            QStringLiteral("the stored workspace cannot be read, so it is not replaced: cannot read %1: %2").arg(m_storageKey, readError),
            readError);
    }
    const size_t hash = hashOf(*bytes);
    if (m_known && m_known->hash == hash)
        return; // touched, not changed
    if (m_unkeptUnreadableHash == hash) {
        const QString key = keepAside(QStringLiteral("unreadable"), *bytes);
        m_unkeptUnreadableHash.reset();
        m_logger.error(QStringLiteral("The stored workspace cannot be decoded; a copy is kept as %1").arg(key));
        return;
    }
    const QString key = keepAside(QStringLiteral("conflict"), *bytes);
    m_logger.error(QStringLiteral("The stored workspace was changed by another program; that version is kept as %1").arg(key));
}

void UserDefaultsTaskStore::save(const TaskWorkspaceState& state)
{
    keepChangedRecordAside();
    const QByteArray bytes = encode(state);
    QString error;
    if (!m_userDefaults.setData(m_storageKey, bytes, &error))
        throw StoreError(describeWriteFailure(m_userDefaults, m_storageKey, error), error);
    remember(bytes);
}

void UserDefaultsTaskStore::tidyInterruptedWrites()
{
    for (const InterruptedWrite& leftover : ::tidyInterruptedWrites(m_userDefaults, m_storageKey)) {
        m_logger.error(leftover.error.isEmpty()
                           ? QStringLiteral("A save cut short left %1, which holds what the stored workspace does not; it is left in place").arg(leftover.key)
                           : QStringLiteral("A save cut short left %1, which could not be removed: %2").arg(leftover.key, leftover.error));
    }
}

QStringList UserDefaultsTaskStore::standardUnsavedCopyDirectories()
{
    const auto xdgDirectory = [](const char* variable, const QString& fallback) {
        const QString base = qEnvironmentVariable(variable);
        return (base.isEmpty() || !QDir::isAbsolutePath(base) ? QDir::homePath() + fallback : base)
            + QStringLiteral("/QuaverLoom");
    };
    return {xdgDirectory("XDG_STATE_HOME", QStringLiteral("/.local/state")),
            xdgDirectory("XDG_CACHE_HOME", QStringLiteral("/.cache")), QDir::tempPath()};
}

std::optional<QString> UserDefaultsTaskStore::keepUnsavedCopy(const TaskWorkspaceState& state, QString* error)
{
    const QByteArray bytes = encode(state);
    QStringList failures;
    for (const QString& directory : std::as_const(m_unsavedCopyDirectories)) {
        FileUserDefaults place(directory);
        QString reason;
        if (const std::optional<QString> key = keepCopy(place, m_storageKey, QStringLiteral("unsaved"), bytes, m_clock.now(), &reason))
            return QDir(directory).filePath(*key);
        failures.append(QStringLiteral("%1: %2").arg(directory, reason));
    }
    if (error)
        *error = failures.join(QStringLiteral("; "));
    return std::nullopt;
}

TaskWorkspaceState UserDefaultsTaskStore::normalized(TaskWorkspaceState state)
{
    if (state.sections.isEmpty())
        state.sections = TaskSection::builtInDefaults();

    state.sections = firstSectionPerID(state.sections);
    QSet<QString> sectionIDs;
    for (const TaskSection& section : std::as_const(state.sections))
        sectionIDs.insert(section.id);

    for (TaskItem& task : state.tasks) {
        if (task.sectionID.isEmpty())
            task.sectionID = kPersonal;
        if (hasLegacyReason(task) && !task.aiStatesByWorkspace.contains(task.sectionID))
            task.aiStatesByWorkspace.insert(task.sectionID, TaskAIState{task.priority, task.reasonText, task.title});
        if (task.isCompleted) {
            if (!task.completedAt)
                task.completedAt = task.createdAt;
            task.reminder.reset();
        }
        shareRepeatedText(task, sectionIDs);
    }

    if (state.selectedWorkspaceID != kAllWorkspaceID && !sectionIDs.contains(state.selectedWorkspaceID))
        state.selectedWorkspaceID = kAllWorkspaceID;

    TaskOrdering::sortSectionsForDisplay(state.sections);
    for (qsizetype i = 0; i < state.sections.size(); ++i)
        state.sections[i].sortOrder = i;

    TaskOrdering::sortOpenTasks(state.tasks);
    return state;
}

TaskWorkspaceState UserDefaultsTaskStore::convertedFromTaskList(TaskList tasks)
{
    TaskOrdering::sortOpenTasks(tasks);
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        TaskItem& task = tasks[i];
        task.sectionID = kPersonal;
        task.sortOrder = i;
        if (hasLegacyReason(task))
            task.aiStatesByWorkspace.insert(kPersonal, TaskAIState{task.priority, task.reasonText, task.title});
    }
    TaskWorkspaceState state = TaskWorkspaceState::defaultState();
    state.tasks = std::move(tasks);
    return state;
}
