#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskSection.h"
#include "Model/TaskStore.h"
#include "Model/TaskWorkspaceTab.h"
#include "Model/TaskWorkspaceWriter.h"
#include "Platform/Date.h"
#include "Platform/Logger.h"
#include "Sorting/TaskSortingService.h"

#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <optional>

class QTimer;

// The one task workspace of the program, on the GUI thread. Each published
// property is a getter plus a <name>Changed signal emitted on every assignment
// (receivers drop repeats themselves). Every change ends by recomputing the
// visible tasks and saving the whole workspace.
class NotchTaskViewModel final : public QObject {
    Q_OBJECT

public:
    enum class FocusTarget { composer };

    NotchTaskViewModel(TaskStore& taskStore, TaskSortingService& taskSortingService, const Clock& clock,
                       QObject* parent = nullptr);
    ~NotchTaskViewModel() override;

    // Published state.
    bool isExpanded() const { return m_isExpanded; }
    const QString& draftTask() const { return m_draftTask; }
    const SectionList& sections() const { return m_sections; }
    const QString& selectedWorkspaceID() const { return m_selectedWorkspaceID; }
    // Built when first read after the load: a closed notch never needs them.
    const TaskList& tasks() const;
    bool isSorting() const { return m_isSorting; }
    const std::optional<QString>& sortStatusMessage() const { return m_sortStatusMessage; }
    std::optional<FocusTarget> requestedFocus() const { return m_requestedFocus; }
    QUuid focusRequestID() const { return m_focusRequestID; }
    QUuid taskSubmissionID() const { return m_taskSubmissionID; }
    const QString& currentWorkspacePrompt() const { return m_currentWorkspacePrompt; }
    const QString& defaultPromptOverride() const { return m_defaultPromptOverride; }
    QUuid reminderStateVersion() const { return m_reminderStateVersion; }
    bool hasExpansionHold() const { return m_hasExpansionHold; }
    // Why the workspace is not being saved, for the status line; none once a save succeeds.
    const std::optional<QString>& saveErrorMessage() const { return m_saveErrorMessage; }

    // The composer's two-way binding; signals only when the text changes.
    void setDraftTask(const QString& text);

    // Plain state.
    const TaskList& allTasks() const { return m_allTasks; }
    const QMap<QString, QString>& workspacePromptsByID() const { return m_workspacePromptsByID; }
    const QString& lastSelectedSectionID() const { return m_lastSelectedSectionID; }
    const QSet<QString>& expansionHoldReasons() const { return m_expansionHoldReasons; }

    // Derived views, built on demand.
    QList<TaskWorkspaceTab> workspaceTabs() const;
    TaskWorkspaceTab selectedWorkspaceTab() const;
    QStringList workspaceTitles() const;
    std::optional<TaskSection> composerTargetSection() const;
    std::optional<TaskSectionAccent> selectedSectionAccent() const;
    QString normalizedWorkspaceID(const QString& workspaceID) const;
    // A section's icon and AI purpose follow its id, never its title.
    static QString sectionIconName(const QString& sectionID);
    static QString sectionPurpose(const QString& sectionID);

    void refreshVisibleTasks();
    // With a writer, the save runs on its thread and reminderStateVersion
    // changes when it reports success; without one, before this returns.
    void persistWorkspace();
    // Saves from now on go through the writer (which must outlive this model).
    void useWriter(TaskWorkspaceWriter& writer);
    // While saves fail, the workspace is saved again on the next change and at this interval.
    static constexpr int kSaveRetryIntervalMs = 30'000;
    // The last save handed over failed (as far as the writer has reported).
    bool hasUnsavedChanges() const { return m_hasUnsavedChanges; }
    // At quit: waits for the saves handed over; with changes still unsaved,
    // tries once more, and when that fails too keeps a copy through the
    // store's last resort. False when the store does not hold the workspace.
    bool saveBeforeQuit();

    // Operations.
    void submitDraftTask();
    void setExpanded(bool expanded);
    void setExpansionHold(bool isHeld, const QString& reason);
    void selectWorkspace(const QString& workspaceID);
    void addSection(const QString& title);
    void setWorkspacePrompt(const QString& prompt, const QString& workspaceID);
    void renameSelectedSection(const QString& title);
    void deleteSelectedSection();
    void setSelectedSectionAccent(std::optional<TaskSectionAccent> accent);
    void setSectionAccent(std::optional<TaskSectionAccent> accent, const QString& sectionID);
    void markReminderDelivering(const QUuid& taskID);
    void clearReminder(const QUuid& taskID);
    void moveTasks(const QSet<qsizetype>& offsets, qsizetype destination);
    void clearCompletedHistory();
    // The row edits of the panel: list change, refresh, status cleared, save.
    void completeTask(const QUuid& taskID);
    void deleteTask(const QUuid& taskID);
    // Stores a reminder only on an open task; otherwise nothing happens.
    void saveReminder(const QUuid& taskID, Date scheduledAt);

    static bool isTaskID(const QUuid& candidate, const QUuid& taskID) { return candidate == taskID; }
    static bool isOpenTask(const TaskItem& task, const QUuid& taskID) { return task.id == taskID && !task.isCompleted; }

    // AI Sort: starts the sort and returns; the outcome lands in sortStatusMessage.
    void sortTasksWithAI();
    // The Settings switch "AI task ranking": while off, AI Sort asks no model.
    void setAITaskRankingEnabled(bool enabled) { m_aiTaskRankingEnabled = enabled; }
    bool isAITaskRankingEnabled() const { return m_aiTaskRankingEnabled; }
    TaskSortContext makeSortContext() const;
    bool hasSection(const QString& sectionID) const;

signals:
    void isExpandedChanged(bool isExpanded);
    void draftTaskChanged(const QString& draftTask);
    void sectionsChanged(const SectionList& sections);
    void selectedWorkspaceIDChanged(const QString& selectedWorkspaceID);
    void tasksChanged(const TaskList& tasks);
    void isSortingChanged(bool isSorting);
    void sortStatusMessageChanged(const std::optional<QString>& sortStatusMessage);
    void requestedFocusChanged(std::optional<NotchTaskViewModel::FocusTarget> requestedFocus);
    void focusRequestIDChanged(const QUuid& focusRequestID);
    void taskSubmissionIDChanged(const QUuid& taskSubmissionID);
    void currentWorkspacePromptChanged(const QString& currentWorkspacePrompt);
    void defaultPromptOverrideChanged(const QString& defaultPromptOverride);
    void reminderStateVersionChanged(const QUuid& reminderStateVersion);
    void hasExpansionHoldChanged(bool hasExpansionHold);
    void saveErrorMessageChanged(const std::optional<QString>& saveErrorMessage);

private:
    void load();
    void setSections(SectionList sections);
    void setSelectedWorkspaceID(const QString& workspaceID);
    void setSortStatusMessage(std::optional<QString> message);
    void setIsSorting(bool isSorting);
    void requestComposerFocus();
    void resetAIState(const QString& workspaceID);
    void refreshAndSave();
    void workspaceSaved();
    void workspaceSaveFailed(const QString& description, const QString& reason);
    void setSaveErrorMessage(std::optional<QString> message);
    TaskWorkspaceState workspaceState() const;
    void applySortDecisions(const TaskSortDecisionList& decisions);
    void receiveSortAnswer(const TaskSortResult& result);
    void finishSort(const TaskSortDecisionList& decisions);
    void failSort(const QString& message);
    QList<QUuid> visibleTaskIDs() const;

    TaskStore& m_taskStore;
    TaskWorkspaceWriter* m_writer = nullptr;
    TaskSortingService& m_taskSortingService;
    const Clock& m_clock;
    Logger m_logger;

    bool m_isExpanded = false;
    QString m_draftTask;
    SectionList m_sections;
    QString m_selectedWorkspaceID;
    mutable TaskList m_tasks;
    mutable bool m_tasksStale = false;
    bool m_isSorting = false;
    std::optional<QString> m_sortStatusMessage;
    std::optional<FocusTarget> m_requestedFocus;
    QUuid m_focusRequestID;
    QUuid m_taskSubmissionID;
    QString m_currentWorkspacePrompt;
    QString m_defaultPromptOverride;
    QUuid m_reminderStateVersion;
    bool m_hasExpansionHold = false;
    std::optional<QString> m_saveErrorMessage;

    TaskList m_allTasks;
    QMap<QString, QString> m_workspacePromptsByID;
    QString m_lastSelectedSectionID;
    QSet<QString> m_expansionHoldReasons;

    bool m_aiTaskRankingEnabled = true;
    bool m_hasUnsavedChanges = false;
    bool m_hasKeptUnsavedCopy = false; // of the workspace as it is now
    QTimer* m_saveRetryTimer;

    // What the running sort handed to the model; an answer for anything else is refused.
    QString m_sortWorkspaceID;
    QList<QUuid> m_sortTaskIDs;
};
