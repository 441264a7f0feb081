#include "Workspace/NotchTaskViewModel.h"

#include "Model/TaskWorkspaceState.h"
#include "Platform/Text.h"
#include "Platform/Uuid.h"
#include "Sorting/TaskSortResponse.h"
#include "Model/TaskOrdering.h"
#include "Workspace/TaskWorkspaceLogic.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <exception>

namespace {
const QString kPersonalSectionID = BuiltInSections::personalID;
const QString kCustomSectionPrefix = QStringLiteral("section.custom.");
} // namespace

NotchTaskViewModel::NotchTaskViewModel(TaskStore& taskStore, TaskSortingService& taskSortingService,
                                       const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_taskStore(taskStore)
    , m_taskSortingService(taskSortingService)
    , m_clock(clock)
    , m_logger(QStringLiteral("NotchTaskViewModel"))
    , m_sections(TaskSection::builtInDefaults())
    , m_selectedWorkspaceID(kAllWorkspaceID)
    , m_focusRequestID(QUuid::createUuid())
    , m_taskSubmissionID(QUuid::createUuid())
    , m_reminderStateVersion(QUuid::createUuid())
    , m_lastSelectedSectionID(kPersonalSectionID)
    , m_saveRetryTimer(new QTimer(this))
{
    m_saveRetryTimer->setObjectName(QStringLiteral("saveRetryTimer"));
    m_saveRetryTimer->setInterval(kSaveRetryIntervalMs);
    connect(m_saveRetryTimer, &QTimer::timeout, this, &NotchTaskViewModel::persistWorkspace);
    load();
}

NotchTaskViewModel::~NotchTaskViewModel()
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == thread());
}

void NotchTaskViewModel::load()
{
    try {
        TaskWorkspaceState state = m_taskStore.load();
        SectionList sections = firstSectionPerID(state.sections);
        TaskOrdering::sortSectionsForDisplay(sections);
        m_sections = std::move(sections);
        TaskOrdering::sortOpenTasks(state.tasks);
        m_allTasks = std::move(state.tasks);
        m_selectedWorkspaceID = normalizedWorkspaceID(state.selectedWorkspaceID);
        m_workspacePromptsByID = std::move(state.workspacePromptsByID);
        m_defaultPromptOverride = std::move(state.defaultPromptOverride);
        if (m_selectedWorkspaceID != kAllWorkspaceID)
            m_lastSelectedSectionID = m_selectedWorkspaceID;
    } catch (const std::exception& error) {
        m_logger.error(QStringLiteral("Failed to load persisted workspace: %1").arg(QString::fromUtf8(error.what())));
        m_sections = TaskSection::builtInDefaults();
        m_allTasks.clear();
        m_selectedWorkspaceID = kAllWorkspaceID;
        m_workspacePromptsByID.clear();
        m_defaultPromptOverride.clear();
        m_lastSelectedSectionID = kPersonalSectionID;
    }
    // No one listens yet; the visible tasks wait for their first reader.
    m_tasks.clear();
    m_tasksStale = true;
    m_currentWorkspacePrompt = m_workspacePromptsByID.value(m_selectedWorkspaceID);
}

const TaskList& NotchTaskViewModel::tasks() const
{
    if (m_tasksStale) {
        m_tasks = TaskWorkspaceLogic::visibleTasks(m_selectedWorkspaceID, m_sections, m_allTasks);
        m_tasksStale = false;
    }
    return m_tasks;
}

// MARK: derived views

QString NotchTaskViewModel::sectionIconName(const QString& sectionID)
{
    const BuiltInSection* builtIn = BuiltInSections::find(sectionID);
    return builtIn ? builtIn->iconName : BuiltInSections::customIconName;
}

QString NotchTaskViewModel::sectionPurpose(const QString& sectionID)
{
    const BuiltInSection* builtIn = BuiltInSections::find(sectionID);
    return builtIn ? builtIn->purpose : BuiltInSections::customPurpose;
}

QList<TaskWorkspaceTab> NotchTaskViewModel::workspaceTabs() const
{
    QList<TaskWorkspaceTab> tabs;
    tabs.reserve(m_sections.size() + 1);
    tabs.append({kAllWorkspaceID, QStringLiteral("All"),
                 QStringLiteral("Prioritize across every visible section using each task's section context."), true,
                 QStringLiteral("square.grid.2x2"), false, false, std::nullopt});
    for (const TaskSection& section : m_sections) {
        tabs.append({section.id, section.title, sectionPurpose(section.id), false, sectionIconName(section.id), true,
                     true, section.accent});
    }
    return tabs;
}

TaskWorkspaceTab NotchTaskViewModel::selectedWorkspaceTab() const
{
    const QList<TaskWorkspaceTab> tabs = workspaceTabs();
    for (const TaskWorkspaceTab& tab : tabs) {
        if (tab.id == m_selectedWorkspaceID)
            return tab;
    }
    return tabs.first();
}

QStringList NotchTaskViewModel::workspaceTitles() const
{
    QStringList titles;
    for (const TaskWorkspaceTab& tab : workspaceTabs())
        titles.append(tab.title);
    return titles;
}

std::optional<TaskSection> NotchTaskViewModel::composerTargetSection() const
{
    auto sectionWithID = [this](const QString& id) -> std::optional<TaskSection> {
        for (const TaskSection& section : m_sections) {
            if (section.id == id)
                return section;
        }
        return std::nullopt;
    };
    if (m_selectedWorkspaceID != kAllWorkspaceID)
        return sectionWithID(m_selectedWorkspaceID);
    if (auto last = sectionWithID(m_lastSelectedSectionID))
        return last;
    if (auto personal = sectionWithID(kPersonalSectionID))
        return personal;
    if (!m_sections.isEmpty())
        return m_sections.first();
    return std::nullopt;
}

std::optional<TaskSectionAccent> NotchTaskViewModel::selectedSectionAccent() const
{
    if (m_selectedWorkspaceID == kAllWorkspaceID)
        return std::nullopt;
    const std::optional<TaskSection> section = composerTargetSection();
    return section ? section->accent : std::nullopt;
}

QString NotchTaskViewModel::normalizedWorkspaceID(const QString& workspaceID) const
{
    return hasSection(workspaceID) ? workspaceID : kAllWorkspaceID;
}

bool NotchTaskViewModel::hasSection(const QString& sectionID) const
{
    if (sectionID == kAllWorkspaceID)
        return false;
    return std::any_of(m_sections.cbegin(), m_sections.cend(),
                       [&](const TaskSection& section) { return section.id == sectionID; });
}

// MARK: refresh and save

void NotchTaskViewModel::refreshVisibleTasks()
{
    m_tasks = TaskWorkspaceLogic::visibleTasks(m_selectedWorkspaceID, m_sections, m_allTasks);
    m_tasksStale = false;
    emit tasksChanged(m_tasks);
    m_currentWorkspacePrompt = m_workspacePromptsByID.value(m_selectedWorkspaceID);
    emit currentWorkspacePromptChanged(m_currentWorkspacePrompt);
}

TaskWorkspaceState NotchTaskViewModel::workspaceState() const
{
    return {m_sections, m_allTasks, m_selectedWorkspaceID, m_workspacePromptsByID, m_defaultPromptOverride};
}

void NotchTaskViewModel::persistWorkspace()
{
    const TaskWorkspaceState state = workspaceState();
    m_hasKeptUnsavedCopy = false;
    if (m_writer) {
        m_writer->save(state);
        return;
    }
    try {
        m_taskStore.save(state);
    } catch (const StoreError& error) {
        workspaceSaveFailed(error.description(), error.reason());
        return;
    } catch (const std::exception& error) {
        workspaceSaveFailed(QString::fromUtf8(error.what()), QString::fromUtf8(error.what()));
        return;
    }
    workspaceSaved();
}

void NotchTaskViewModel::useWriter(TaskWorkspaceWriter& writer)
{
    m_writer = &writer;
    connect(&writer, &TaskWorkspaceWriter::saved, this, &NotchTaskViewModel::workspaceSaved);
    connect(&writer, &TaskWorkspaceWriter::saveFailed, this, &NotchTaskViewModel::workspaceSaveFailed);
}

void NotchTaskViewModel::workspaceSaved()
{
    m_hasUnsavedChanges = false;
    m_saveRetryTimer->stop();
    setSaveErrorMessage(std::nullopt);
    m_reminderStateVersion = QUuid::createUuid();
    emit reminderStateVersionChanged(m_reminderStateVersion);
}

void NotchTaskViewModel::workspaceSaveFailed(const QString& description, const QString& reason)
{
    // The in-memory workspace stands; the next successful save writes it whole.
    m_logger.error(QStringLiteral("Failed to persist workspace: %1").arg(description));
    m_hasUnsavedChanges = true;
    if (!m_saveRetryTimer->isActive())
        m_saveRetryTimer->start();
    QString message = QStringLiteral("Couldn't save your tasks: ") + reason;
    if (!message.endsWith(QLatin1Char('.')))
        message += QLatin1Char('.');
    setSaveErrorMessage(message);
}

void NotchTaskViewModel::setSaveErrorMessage(std::optional<QString> message)
{
    if (m_saveErrorMessage == message)
        return;
    m_saveErrorMessage = std::move(message);
    emit saveErrorMessageChanged(m_saveErrorMessage);
}

bool NotchTaskViewModel::saveBeforeQuit()
{
    const auto waitForWriter = [this] {
        if (m_writer)
            m_writer->flush();
    };
    waitForWriter();
    if (!m_hasUnsavedChanges)
        return true;
    if (m_hasKeptUnsavedCopy)
        return false;
    persistWorkspace();
    waitForWriter();
    if (!m_hasUnsavedChanges)
        return true;
    m_saveRetryTimer->stop();
    QString error;
    if (const std::optional<QString> path = m_taskStore.keepUnsavedCopy(workspaceState(), &error)) {
        m_logger.error(QStringLiteral("The workspace could not be saved; its unsaved state is kept in %1").arg(*path));
    } else {
        m_logger.error(QStringLiteral("The workspace could not be saved, and no copy of it could be kept: %1").arg(error));
    }
    m_hasKeptUnsavedCopy = true;
    return false;
}

void NotchTaskViewModel::refreshAndSave()
{
    refreshVisibleTasks();
    persistWorkspace();
}

// MARK: setters

void NotchTaskViewModel::setDraftTask(const QString& text)
{
    if (m_draftTask == text)
        return;
    m_draftTask = text;
    emit draftTaskChanged(m_draftTask);
}

void NotchTaskViewModel::setSections(SectionList sections)
{
    m_sections = std::move(sections);
    emit sectionsChanged(m_sections);
}

void NotchTaskViewModel::setSelectedWorkspaceID(const QString& workspaceID)
{
    m_selectedWorkspaceID = workspaceID;
    emit selectedWorkspaceIDChanged(m_selectedWorkspaceID);
}

void NotchTaskViewModel::setSortStatusMessage(std::optional<QString> message)
{
    m_sortStatusMessage = std::move(message);
    emit sortStatusMessageChanged(m_sortStatusMessage);
}

void NotchTaskViewModel::setIsSorting(bool isSorting)
{
    m_isSorting = isSorting;
    emit isSortingChanged(m_isSorting);
}

void NotchTaskViewModel::requestComposerFocus()
{
    m_requestedFocus = FocusTarget::composer;
    emit requestedFocusChanged(m_requestedFocus);
    m_focusRequestID = QUuid::createUuid();
    emit focusRequestIDChanged(m_focusRequestID);
}

// MARK: operations

void NotchTaskViewModel::submitDraftTask()
{
    const QString title = Text::trimmed(m_draftTask);
    if (title.isEmpty())
        return;
    const std::optional<TaskSection> target = composerTargetSection();
    const QString sectionID = target ? target->id : kPersonalSectionID;
    m_allTasks = TaskWorkspaceLogic::appendingNewTask(title, sectionID, std::move(m_allTasks), m_clock);
    refreshVisibleTasks();

    m_draftTask.clear();
    emit draftTaskChanged(m_draftTask);
    setSortStatusMessage(std::nullopt);
    m_taskSubmissionID = QUuid::createUuid();
    emit taskSubmissionIDChanged(m_taskSubmissionID);
    requestComposerFocus();
    persistWorkspace();
}

void NotchTaskViewModel::setExpanded(bool expanded)
{
    if (m_isExpanded == expanded)
        return;
    m_isExpanded = expanded;
    emit isExpandedChanged(m_isExpanded);
    if (expanded) {
        requestComposerFocus();
    } else {
        m_requestedFocus.reset();
        emit requestedFocusChanged(m_requestedFocus);
    }
}

void NotchTaskViewModel::setExpansionHold(bool isHeld, const QString& reason)
{
    if (isHeld)
        m_expansionHoldReasons.insert(reason);
    else
        m_expansionHoldReasons.remove(reason);
    const bool held = !m_expansionHoldReasons.isEmpty();
    if (m_hasExpansionHold != held) {
        m_hasExpansionHold = held;
        emit hasExpansionHoldChanged(m_hasExpansionHold);
    }
}

void NotchTaskViewModel::selectWorkspace(const QString& workspaceID)
{
    const QString normalized = normalizedWorkspaceID(workspaceID);
    if (normalized == m_selectedWorkspaceID)
        return;
    setSelectedWorkspaceID(normalized);
    if (normalized != kAllWorkspaceID)
        m_lastSelectedSectionID = normalized;
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

void NotchTaskViewModel::addSection(const QString& title)
{
    const QString trimmed = Text::trimmed(title);
    if (trimmed.isEmpty())
        return;
    TaskSection section;
    section.id = kCustomSectionPrefix + Uuid::lowerString(QUuid::createUuid());
    section.title = trimmed;
    section.kind = TaskSection::Kind::custom;
    section.sortOrder = m_sections.size();
    SectionList sections = m_sections;
    sections.append(section);
    TaskOrdering::sortSectionsForDisplay(sections);
    setSections(std::move(sections));
    // Selected here rather than through selectWorkspace(), which would save
    // on its own: one change, one save, one new reminder version.
    setSelectedWorkspaceID(section.id);
    m_lastSelectedSectionID = section.id;
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

void NotchTaskViewModel::setWorkspacePrompt(const QString& prompt, const QString& workspaceID)
{
    const QString trimmed = Text::trimmed(prompt);
    if (trimmed.isEmpty())
        m_workspacePromptsByID.remove(workspaceID);
    else
        m_workspacePromptsByID.insert(workspaceID, trimmed);
    resetAIState(workspaceID);
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

void NotchTaskViewModel::resetAIState(const QString& workspaceID)
{
    m_allTasks = TaskWorkspaceLogic::clearingAIState(workspaceID, std::move(m_allTasks));
    if (workspaceID != kAllWorkspaceID)
        m_allTasks = TaskWorkspaceLogic::clearingAllWorkspaceAIState(workspaceID, std::move(m_allTasks));
}

void NotchTaskViewModel::renameSelectedSection(const QString& title)
{
    if (m_selectedWorkspaceID == kAllWorkspaceID)
        return;
    const QString trimmed = Text::trimmed(title);
    if (trimmed.isEmpty())
        return;
    SectionList sections = m_sections;
    const auto section = std::find_if(sections.begin(), sections.end(),
                                      [&](const TaskSection& s) { return s.id == m_selectedWorkspaceID; });
    if (section == sections.end() || Text::sameText(section->title, trimmed))
        return;
    section->title = trimmed;
    TaskOrdering::sortSectionsForDisplay(sections);
    setSections(std::move(sections));
    resetAIState(m_selectedWorkspaceID);
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

void NotchTaskViewModel::deleteSelectedSection()
{
    if (m_selectedWorkspaceID == kAllWorkspaceID)
        return;
    const TaskWorkspaceTab tab = selectedWorkspaceTab();
    if (!tab.canDelete || m_sections.size() < 2) {
        setSortStatusMessage(QStringLiteral("At least one section must remain."));
        return;
    }
    SectionList sections = m_sections;
    sections.removeIf([&](const TaskSection& section) { return section.id == tab.id; });
    setSections(std::move(sections));
    m_workspacePromptsByID.remove(tab.id);
    m_allTasks = TaskWorkspaceLogic::removingTasks(tab.id, std::move(m_allTasks));
    if (m_lastSelectedSectionID == tab.id)
        m_lastSelectedSectionID = m_sections.isEmpty() ? kPersonalSectionID : m_sections.first().id;
    setSelectedWorkspaceID(kAllWorkspaceID);
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

void NotchTaskViewModel::setSelectedSectionAccent(std::optional<TaskSectionAccent> accent)
{
    if (m_selectedWorkspaceID == kAllWorkspaceID)
        return;
    setSectionAccent(accent, m_selectedWorkspaceID);
}

void NotchTaskViewModel::setSectionAccent(std::optional<TaskSectionAccent> accent, const QString& sectionID)
{
    if (sectionID == kAllWorkspaceID)
        return;
    SectionList sections = m_sections;
    const auto section = std::find_if(sections.begin(), sections.end(),
                                      [&](const TaskSection& s) { return s.id == sectionID; });
    if (section == sections.end() || section->accent == accent)
        return;
    section->accent = accent;
    TaskOrdering::sortSectionsForDisplay(sections);
    setSections(std::move(sections));
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

void NotchTaskViewModel::markReminderDelivering(const QUuid& taskID)
{
    const auto task = std::find_if(m_allTasks.begin(), m_allTasks.end(),
                                   [&](const TaskItem& t) { return isTaskID(t.id, taskID); });
    if (task == m_allTasks.end() || !task->reminder)
        return;
    task->reminder->isDelivering = true;
    refreshAndSave();
}

void NotchTaskViewModel::clearReminder(const QUuid& taskID)
{
    const auto task = std::find_if(m_allTasks.begin(), m_allTasks.end(),
                                   [&](const TaskItem& t) { return isTaskID(t.id, taskID); });
    if (task == m_allTasks.end() || !task->reminder)
        return;
    task->reminder.reset();
    refreshAndSave();
}

void NotchTaskViewModel::moveTasks(const QSet<qsizetype>& offsets, qsizetype destination)
{
    if (m_selectedWorkspaceID == kAllWorkspaceID)
        return;
    m_allTasks = TaskWorkspaceLogic::movingTasks(m_selectedWorkspaceID, offsets, destination, std::move(m_allTasks));
    refreshVisibleTasks();
    setSortStatusMessage(std::nullopt);
    persistWorkspace();
}

void NotchTaskViewModel::clearCompletedHistory()
{
    QSet<QUuid> ids;
    for (const TaskItem& task : TaskWorkspaceLogic::completedTasks(kAllWorkspaceID, m_sections, m_allTasks))
        ids.insert(task.id);
    if (ids.isEmpty())
        return;
    // Only completed tasks go: an open task sharing an id (hand-edited data) stays.
    m_allTasks.removeIf([&](const TaskItem& task) { return task.isCompleted && ids.contains(task.id); });
    refreshVisibleTasks();
    setSortStatusMessage(std::nullopt);
    persistWorkspace();
}

void NotchTaskViewModel::completeTask(const QUuid& taskID)
{
    m_allTasks = TaskWorkspaceLogic::completingTask(taskID, std::move(m_allTasks), m_clock);
    refreshVisibleTasks();
    setSortStatusMessage(std::nullopt);
    persistWorkspace();
}

void NotchTaskViewModel::deleteTask(const QUuid& taskID)
{
    m_allTasks = TaskWorkspaceLogic::removingTask(taskID, std::move(m_allTasks));
    refreshVisibleTasks();
    setSortStatusMessage(std::nullopt);
    persistWorkspace();
}

void NotchTaskViewModel::saveReminder(const QUuid& taskID, Date scheduledAt)
{
    const auto task = std::find_if(m_allTasks.begin(), m_allTasks.end(),
                                   [&](const TaskItem& t) { return isOpenTask(t, taskID); });
    if (task == m_allTasks.end())
        return;
    task->reminder = TaskReminder{scheduledAt, false};
    setSortStatusMessage(std::nullopt);
    refreshAndSave();
}

// MARK: AI Sort

TaskSortContext NotchTaskViewModel::makeSortContext() const
{
    const TaskWorkspaceTab tab = selectedWorkspaceTab();
    TaskSortContext context;
    context.workspaceID = tab.id;
    context.workspaceTitle = tab.title;
    context.workspacePurpose = tab.purpose;
    context.isAllWorkspace = tab.isAllWorkspace;
    context.defaultCustomPrompt = m_defaultPromptOverride;
    const auto prompt = m_workspacePromptsByID.constFind(tab.id);
    if (prompt != m_workspacePromptsByID.constEnd())
        context.workspaceCustomPrompt = *prompt;
    for (const TaskSection& section : m_sections) {
        context.sectionTitlesByID.insert(section.id, section.title);
        context.sectionPurposesByID.insert(section.id, sectionPurpose(section.id));
    }
    for (auto it = m_workspacePromptsByID.constBegin(); it != m_workspacePromptsByID.constEnd(); ++it) {
        if (hasSection(it.key()))
            context.sectionCustomPromptsByID.insert(it.key(), it.value());
    }
    return context;
}

QList<QUuid> NotchTaskViewModel::visibleTaskIDs() const
{
    QList<QUuid> ids;
    const TaskList& visible = tasks();
    ids.reserve(visible.size());
    for (const TaskItem& task : visible)
        ids.append(task.id);
    return ids;
}

void NotchTaskViewModel::sortTasksWithAI()
{
    if (m_isSorting)
        return;
    if (!m_aiTaskRankingEnabled) {
        setSortStatusMessage(TaskSortingError::rankingTurnedOffMessage());
        return;
    }
    if (tasks().isEmpty()) {
        setSortStatusMessage(TaskSortingError::noSortableTasks().description());
        return;
    }
    const bool needsModel =
        !TaskWorkspaceLogic::tasksNeedingRanking(m_selectedWorkspaceID, m_sections, m_allTasks).isEmpty();
    // The model could never cover the list: say so at once instead of asking and failing.
    if (needsModel && tasks().size() > TaskSortResponse::maximumItemCount) {
        setSortStatusMessage(TaskSortingError::tooManyTasksMessage());
        return;
    }
    setIsSorting(true);
    setSortStatusMessage(QStringLiteral("Sorting ") + selectedWorkspaceTab().title + QChar(0x2026));

    if (!needsModel) {
        finishSort({});
        return;
    }

    // Decisions address tasks by position, so remember exactly which list they number.
    m_sortWorkspaceID = m_selectedWorkspaceID;
    m_sortTaskIDs = visibleTaskIDs();
    m_taskSortingService.sortTasks(tasks(), makeSortContext(), this,
                                   [this](const TaskSortResult& result) { receiveSortAnswer(result); });
}

void NotchTaskViewModel::receiveSortAnswer(const TaskSortResult& result)
{
    // Switched off while the model worked: its ranking is not wanted any more.
    if (!m_aiTaskRankingEnabled) {
        failSort(TaskSortingError::rankingTurnedOffMessage());
        return;
    }
    if (const auto* error = std::get_if<TaskSortingError>(&result)) {
        failSort(error->description());
        return;
    }
    const TaskSortDecisionList& decisions = std::get<TaskSortDecisionList>(result);
    // The user may have switched workspace or changed its tasks while the model
    // worked; positions would then name other tasks.
    const bool sameList = m_selectedWorkspaceID == m_sortWorkspaceID && visibleTaskIDs() == m_sortTaskIDs;
    if (!sameList || (!decisions.isEmpty() && decisions.size() != tasks().size())) {
        failSort(TaskSortingError::incompleteClassificationMessage());
        return;
    }
    finishSort(decisions);
}

void NotchTaskViewModel::finishSort(const TaskSortDecisionList& decisions)
{
    applySortDecisions(decisions);
    refreshVisibleTasks();
    setSortStatusMessage(selectedWorkspaceTab().title + QStringLiteral(" sorted."));
    persistWorkspace();
    m_sortWorkspaceID.clear();
    m_sortTaskIDs.clear();
    setIsSorting(false);
}

void NotchTaskViewModel::applySortDecisions(const TaskSortDecisionList& decisions)
{
    if (m_allTasks.isEmpty())
        return;
    if (m_selectedWorkspaceID == kAllWorkspaceID)
        m_allTasks = TaskWorkspaceLogic::applyingSortDecisions(decisions, std::move(m_allTasks), m_sections);
    else
        m_allTasks = TaskWorkspaceLogic::applyingSortDecisions(decisions, m_selectedWorkspaceID, std::move(m_allTasks));
}

void NotchTaskViewModel::failSort(const QString& message)
{
    setSortStatusMessage(message);
    m_logger.error(QStringLiteral("Failed to sort tasks: %1").arg(message));
    m_sortWorkspaceID.clear();
    m_sortTaskIDs.clear();
    setIsSorting(false);
}
