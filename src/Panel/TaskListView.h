#pragma once

#include "Model/TaskItem.h"
#include "Model/TaskSection.h"
#include "UI/Binding.h"
#include "UI/DeferredSync.h"
#include "UI/Motion.h"
#include "Panel/TaskCompletionFlow.h"
#include "Panel/TaskDragSession.h"
#include "Panel/TaskRowView.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AddTaskRow;
class TransparentTaskTextField;

// The scrolling task list of the expanded panel: one TaskRowView per visible
// task, then the composer row. Rows are kept by task id and only built for
// what is in or near view, so a change of one task touches one row. The list
// owns the completion animation of a row, reorders rows by dragging, and never
// lets the composer be typed into out of sight: it scrolls the whole composer
// row into view on a keystroke, after a submission and when the list loses
// height. Opening the panel scrolls nothing, so the top tasks are what shows.
// It knows no view model.
class TaskListView final : public QScrollArea {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        TaskList tasks;
        SectionList sections;
        QString selectedWorkspaceID;
        std::optional<TaskSectionAccent> selectedWorkspaceAccent;
        QString inputPlaceholder;
        bool canMoveTasks = false;
        Binding<QString> draftTask;
        QUuid taskSubmissionID;
        // The panel's focus state holds the composer.
        bool isComposerFocused = false;
        bool reduceMotion = false;
    };
    struct Callbacks {
        std::function<void()> onSubmit;
        std::function<void(const TaskItem&)> onCompleteTask;
        std::function<void(const TaskItem&)> onDeleteTask;
        std::function<void(const QSet<qsizetype>& offsets, qsizetype destination)> onMoveTasks;
        std::function<void(const TaskItem&, Date)> onSaveReminder;
        std::function<void(const TaskItem&)> onClearReminder;
        std::function<void(const TaskItem&)> onPreviewReminder;
        std::function<void(bool isHeld, const QString& reason)> onSetExpansionHold;
    };

    explicit TaskListView(TaskRowView::Environment environment = {}, QWidget* parent = nullptr);
    ~TaskListView() override;

    void setInputs(Inputs inputs);
    const Inputs& inputs() const { return m_inputs; }
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // addTaskRowTopSpacing + inputHeight + n rows and the n − 1 gaps between
    // them, n = preferredVisibleTaskRows (never negative).
    static double maximumHeight(const NotchTemplateConfiguration::Layout& layout);

    // Before the list goes away: reports a pending completion and releases
    // the rows' holds. The destructor reports nothing.
    void willRemove();
    // Closes every row's popover (the panel collapsed).
    void closePopovers();

    // Rows built now, top to bottom, and the composer's field.
    QList<TaskRowView*> rows() const;
    TaskRowView* rowForTask(const QUuid& taskID) const;
    TransparentTaskTextField* composerField() const;
    bool isCompleting(const QUuid& taskID) const { return m_completion.isCompleting(taskID); }
    bool isDragging() const { return m_drag.isDragging(); }
    // Rows or the composer are sliding, or the list is scrolling to the composer.
    bool isAnimating() const { return m_slideAnimator->isRunning() || m_scrollAnimator->isRunning(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class Content;
    struct Item {
        qsizetype taskIndex = 0; // into m_inputs.tasks
        std::optional<QString> sectionTitle;
        int y = 0;
        int height = 0;
        bool heightValid = false; // estimated or measured
        bool measured = false;
        // Where the task's row was drawn before the latest change; none for a new task.
        std::optional<int> drawnY;
        QPointer<TaskRowView> row;
        // Drawn this far from y while it slides to a new place; none at rest,
        // as a value for each of thousands of rows would weigh more than the row.
        std::unique_ptr<Motion::Value> slide;
    };

    // Task id and how many tasks of that id come before it (damaged data repeats ids).
    using RowKey = QPair<QUuid, int>;

    const TaskItem& taskOf(const Item& item) const { return m_inputs.tasks.at(item.taskIndex); }
    void updateComposer();
    TaskRowView::Inputs rowInputs(const Item& item) const;
    static constexpr int kScrollBarWidth = 6;
    int layoutWidth() const;

    // Row pairing and placement (TaskListRowPlacement.cpp).
    QHash<QString, QString> sectionTitles() const;
    static std::optional<QString> sectionTitleOf(const QHash<QString, QString>& titles, const TaskItem& task);
    static bool keepsHeight(const Item& previous, const TaskItem& previousTask,
                            const std::optional<QString>& sectionTitle, const TaskItem& task);
    // Pairs the new tasks with the rows shown before; true when any row changed places.
    bool matchRows(const TaskList& previousTasks, bool styleChanged, double now);
    void indexRows();
    void slideFrom(int previousComposerY, double now);
    static int slideOffset(Item& item, double now);
    void relayout();
    void measureAndPlace();
    void placeItems();
    void placeRows();
    void placeComposer();
    bool isSliding();
    // The band of content, one screen above and below the visible part, whose rows are built.
    std::pair<int, int> nearSpan() const;
    bool isPinned(const Item& item) const;
    void materialize();

    // The rows' life and what they report.
    void dropRow(Item& item, bool removed);
    TaskRowView* makeRow();
    qsizetype indexOfRow(const QObject* row) const;
    QList<QRectF> rowFrames() const;
    void markChanged();
    void scrollToComposer();
    // Scrolls by the least amount that shows the whole composer row.
    void revealComposer();
    QRect composerRestingFrame() const;
    bool isComposerWhole(int scrollTop, int viewHeight) const;

    TaskRowView::Environment m_environment;
    Inputs m_inputs;
    Callbacks m_callbacks;
    bool m_hasInputs = false;
    std::shared_ptr<const TaskRowView::Style> m_style;

    QWidget* m_content = nullptr; // a Content
    AddTaskRow* m_composer = nullptr;
    std::vector<Item> m_items;
    // Indices into m_items, ascending: the items with a row, and those sliding.
    // Kept so that a frame or a keystroke touches the few rows built, never all items.
    std::vector<qsizetype> m_built;
    std::vector<qsizetype> m_sliding;
    int m_layoutWidth = -1;

    TaskCompletionFlow m_completion;
    TaskDragSession m_drag;
    std::optional<double> m_indicatorY;
    DeferredSync m_markSync;

    int m_composerY = 0;
    int m_contentHeight = 0;
    Motion::Value m_composerSlide{0};
    std::unique_ptr<Motion::Animator> m_slideAnimator;
    Motion::Value m_scroll{0};
    std::unique_ptr<Motion::Animator> m_scrollAnimator;
};
