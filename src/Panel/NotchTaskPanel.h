#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskSection.h"
#include "Model/TaskWorkspaceTab.h"
#include "Overlay/NotchBandLayout.h"
#include "Platform/Rect.h"
#include "UI/Binding.h"
#include "UI/Motion.h"
#include "Platform/Date.h"
#include "Template/NotchTemplateConfiguration.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QImage>
#include <QPainterPath>
#include <QSet>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class LeadingNotchSlot;
class NotchBandSlots;
class QLabel;
class SectionWorkspaceBarView;
class SortingEdgeHighlight;
class TaskListView;
class WorkspaceMenuControl;

// The visible notch panel: the notch-shaped surface that springs between the
// collapsed and expanded sizes, with the header band beside the notch, the
// workspace tabs, the status line and the task list, all clipped to the notch
// shape. It keeps only the state of its editors and popovers; everything else
// comes in through setInputs() and goes out through the callbacks.
//
// The widget fills the whole panel window; the surface is centred in it, its
// top edge glowTopPadding below the window's top.
class NotchTaskPanel final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        bool isExpanded = false;
        bool isSorting = false;
        Size panelSize;
        Size collapsedSize;
        Size expandedSize;
        double expandedContentSafeTopInset = 0;
        NotchBandLayout notchBandLayout;
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        Binding<QString> draftTask;
        SectionList sections;
        QList<TaskWorkspaceTab> workspaceTabs;
        QString selectedWorkspaceID;
        QString currentWorkspaceTitle;
        std::optional<TaskSectionAccent> currentWorkspaceAccent;
        QString currentWorkspacePrompt;
        bool currentWorkspaceCanRename = false;
        bool currentWorkspaceCanDelete = false;
        std::optional<TaskSectionAccent> currentComposerAccent;
        QString composerTargetSectionTitle;
        int currentVisibleTaskCount = 0;
        TaskList tasks;
        bool canMoveVisibleTasks = false;
        QUuid taskSubmissionID;
        bool hasCompletedOnboarding = false;
        bool aiTaskRankingEnabled = true;
        // AI Sort's progress and outcome, shown on one line above the list.
        QString statusMessage;
        Binding<std::optional<NotchTaskViewModel::FocusTarget>> inputFocus;
        bool reduceMotion = false;
    };
    struct Callbacks {
        std::function<void()> onSubmit;
        std::function<void(const QString& workspaceID)> onSelectWorkspace;
        std::function<void(const QString& title)> onAddCustomSection;
        std::function<void(const QString& prompt)> onSavePromptOverride;
        std::function<void(const QString& title)> onRenameWorkspace;
        std::function<void()> onDeleteWorkspace;
        std::function<void(std::optional<TaskSectionAccent>)> onSetWorkspaceAccent;
        std::function<void(const TaskItem& task)> onCompleteTask;
        std::function<void(const TaskItem& task)> onDeleteTask;
        std::function<void(const QSet<qsizetype>& offsets, qsizetype destination)> onMoveTasks;
        std::function<void(const TaskItem& task, Date scheduledAt)> onSaveTaskReminder;
        std::function<void(const TaskItem& task)> onClearTaskReminder;
        std::function<void(const TaskItem& task)> onPreviewTaskReminder;
        std::function<void(bool isHeld, const QString& reason)> onSetExpansionHold;
        std::function<void()> onAISort;
        std::function<void()> onOpenControlPanel;
    };
    // The panel's own state: editors, popovers and drafts.
    struct State {
        bool isAddingCustomSection = false;
        QString customSectionTitle;
        bool isShowingPromptEditor = false;
        QString promptDraft;
        bool isShowingWorkspaceRename = false;
        QString workspaceRenameDraft;
        bool isConfirmingWorkspaceDeletion = false;
        bool isShowingWorkspaceDropdown = false;
    };

    explicit NotchTaskPanel(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock);
    ~NotchTaskPanel() override;

    void setInputs(const Inputs& inputs);
    const Inputs& inputs() const { return m_inputs; }
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    const State& state() const { return m_state; }

    // The surface as of the latest frame, in this widget's coordinates, and its
    // outline. Reading them never advances the motion; only a frame does.
    QRectF surfaceRect() const;
    double cornerRadius() const;
    QPainterPath visibleShape() const;
    // Where the expanded surface lies; the content is laid out there once.
    QRectF expandedRect() const;
    bool isAnimating() const { return m_expansion.isMoving(); }

    LeadingNotchSlot* leadingSlot() const { return m_leading; }
    WorkspaceMenuControl* menuControl() const { return m_menu; }
    SectionWorkspaceBarView* workspaceBar() const { return m_bar; }
    QLabel* statusLine() const { return m_status; }
    TaskListView* taskList() const { return m_list; }
    // Where the list may lie (it takes at most its preferred height of it), in this widget.
    QRect taskListFrame() const { return m_listFrame.translated(m_contentGeometry.topLeft()); }
    QWidget* contentColumn() const { return m_content; }
    NotchBandSlots* bandSlots() const { return m_band; }

signals:
    // Every frame of the surface's motion, and once when it settles.
    void surfaceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();
    void renderChildren();
    void layoutContent();
    void updateClip();
    void frame();
    void closeWorkspaceEditors();
    void submitCustomSection();
    template <class T>
    Binding<T> stateBinding(T State::*field);
    // A child's callback that calls the panel's, whichever is set when it fires.
    template <class... Args>
    std::function<void(Args...)> forward(std::function<void(Args...)> Callbacks::*callback)
    {
        return [this, callback](Args... args) {
            if (m_callbacks.*callback)
                (m_callbacks.*callback)(args...);
        };
    }
    Motion::Animation expansionAnimation() const;
    double progress() const { return m_progress; }
    QImage shadowImage(const QPainterPath& shape, const QRectF& area, double progress) const;
    // Asks for a repaint only when what paintEvent draws has changed.
    void updateSurface();

    Inputs m_inputs;
    Callbacks m_callbacks;
    State m_state;
    bool m_hasInputs = false;
    bool m_rendering = false;
    bool m_renderAgain = false;
    bool m_composerJump = false;
    bool m_listStale = true;
    std::function<double()> m_clock;

    SortingEdgeHighlight* m_highlight;
    QWidget* m_content;
    NotchBandSlots* m_band;
    LeadingNotchSlot* m_leading;
    WorkspaceMenuControl* m_menu;
    SectionWorkspaceBarView* m_bar;
    QLabel* m_status;
    TaskListView* m_list;
    QRect m_listFrame;

    // 0 collapsed, 1 expanded; m_progress is its value at the latest frame.
    Motion::Value m_expansion{0};
    double m_progress = 0;
    Motion::Animator m_animator;
    QRect m_contentGeometry;
    bool m_clipped = false;
    // What the surface was last asked to paint.
    struct SurfaceLook {
        QRectF rect;
        double radius = 0;
        double progress = 0;
        bool isExpanded = false;
        NotchTemplateConfiguration::Appearance appearance;
        friend bool operator==(const SurfaceLook&, const SurfaceLook&) = default;
    };
    std::optional<SurfaceLook> m_surfaceLook;
    // The expanded shadow, redrawn only when the surface moves.
    QImage m_shadow;
    QRectF m_shadowRect;
    double m_shadowProgress = -1;
};
