#include "Model/UserDefaultsTaskStore.h"

#include "Model/JsonCoding.h"
#include "Platform/Text.h"
#include "Workspace/TaskOrdering.h"

#include <QSet>

namespace {
const QString kPersonal = QStringLiteral("section.personal");

bool hasLegacyReason(const TaskItem& task)
{
    return !task.reasonText.isEmpty() && task.aiReasonSourceTitle && Text::sameText(*task.aiReasonSourceTitle, task.title);
}
} // namespace

UserDefaultsTaskStore::UserDefaultsTaskStore(UserDefaults& userDefaults, QString storageKey, const Clock& clock)
    : m_userDefaults(userDefaults), m_storageKey(std::move(storageKey)), m_clock(clock)
{
}

TaskWorkspaceState UserDefaultsTaskStore::decode(const QByteArray& bytes)
{
    const QJsonValue root = Json::parse(bytes);
    try {
        return normalized(TaskWorkspaceState::fromJson(root));
    } catch (const DecodingError&) {
        // The older form; when it fails too, its error is the one reported.
        return convertedFromTaskList(TaskItems::fromJson(root));
    }
}

QByteArray UserDefaultsTaskStore::encode(const TaskWorkspaceState& state)
{
    Json::Writer writer;
    state.write(writer);
    return writer.take();
}

TaskWorkspaceState UserDefaultsTaskStore::load()
{
    m_unreadableBytes.reset();
    const std::optional<QByteArray> bytes = m_userDefaults.data(m_storageKey);
    if (!bytes)
        return TaskWorkspaceState::defaultState();
    try {
        return decode(*bytes);
    } catch (const DecodingError& error) {
        m_unreadableBytes = *bytes;
        throw StoreError(QString::fromStdString(error.what()));
    }
}

void UserDefaultsTaskStore::preserveUnreadableRecord()
{
    if (!m_unreadableBytes)
        return;
    const QString prefix = m_storageKey + QStringLiteral(".unreadable-");
    for (const QString& key : m_userDefaults.keys()) {
        if (key.startsWith(prefix) && m_userDefaults.data(key) == m_unreadableBytes) {
            m_unreadableBytes.reset();
            return;
        }
    }
    const QString stamp = m_clock.now().toDateTime().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString error;
    if (!m_userDefaults.setData(prefix + stamp, *m_unreadableBytes, &error))
        throw StoreError(QStringLiteral("could not keep the unreadable workspace record: %1").arg(error));
    m_unreadableBytes.reset();
}

void UserDefaultsTaskStore::save(const TaskWorkspaceState& state)
{
    preserveUnreadableRecord();
    QString error;
    if (!m_userDefaults.setData(m_storageKey, encode(state), &error))
        throw StoreError(error);
}

TaskWorkspaceState UserDefaultsTaskStore::normalized(TaskWorkspaceState state)
{
    if (state.sections.isEmpty())
        state.sections = TaskSection::builtInDefaults();

    state.sections = firstSectionPerID(state.sections);

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
    }

    const bool selectionExists = std::any_of(state.sections.cbegin(), state.sections.cend(), [&](const TaskSection& s) {
        return s.id == state.selectedWorkspaceID;
    });
    if (state.selectedWorkspaceID != kAllWorkspaceID && !selectionExists)
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
