#include "Panel/ContentView.h"

#include "Workspace/AppSessionViewModel.h"
#include "Panel/NotchTaskPanel.h"
#include "Panel/SortingEffects.h"

ContentView::ContentView(NotchTaskViewModel& viewModel, AppSessionViewModel& sessionViewModel, QWidget* parent,
                         std::function<double()> clock)
    : NotchRootView(parent),
      m_viewModel(viewModel),
      m_sessionViewModel(sessionViewModel),
      m_clock(std::move(clock)),
      m_sync([this] { syncNow(); }),
      m_glow(new SortingAmbientGlow(this, m_clock)),
      m_panel(new NotchTaskPanel(this, m_clock))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAccessibleName(QStringLiteral("Notch panel"));

    const auto schedule = [this] { sync(); };
    NotchTaskViewModel* vm = &m_viewModel;
    connect(vm, &NotchTaskViewModel::isExpandedChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::draftTaskChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::sectionsChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::selectedWorkspaceIDChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::tasksChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::isSortingChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::sortStatusMessageChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::saveErrorMessageChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::requestedFocusChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::focusRequestIDChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::taskSubmissionIDChanged, this, schedule);
    connect(vm, &NotchTaskViewModel::currentWorkspacePromptChanged, this, schedule);
    connect(&m_sessionViewModel, &AppSessionViewModel::preferencesChanged, this, schedule);
    // Not through sync(): a sort must be refused from the moment the switch is off.
    const auto followRankingSwitch = [this] {
        m_viewModel.setAITaskRankingEnabled(m_sessionViewModel.preferences().aiTaskRankingEnabled);
    };
    connect(&m_sessionViewModel, &AppSessionViewModel::preferencesChanged, this, followRankingSwitch);
    followRankingSwitch();
    connect(m_panel, &NotchTaskPanel::surfaceChanged, this, [this] { publishShape(); });

    // The first state is taken as it is, without animation or focus changes.
    m_isExpanded = m_viewModel.isExpanded();
    m_focusRequestID = m_viewModel.focusRequestID();
    wireCallbacks();
}

ContentView::~ContentView()
{
    // The panel reports a completion still animating and releases its holds as
    // it goes; the view model's answers must find no one here by then.
    m_viewModel.disconnect(this);
    m_sessionViewModel.disconnect(this);
    delete m_panel;
    m_panel = nullptr;
}

NotchRootViewFactory ContentView::factory(NotchTaskViewModel& viewModel, AppSessionViewModel& sessionViewModel,
                                          Callbacks callbacks)
{
    return [&viewModel, &sessionViewModel, callbacks = std::move(callbacks)]() -> NotchRootView* {
        auto* view = new ContentView(viewModel, sessionViewModel);
        view->setCallbacks(callbacks);
        return view;
    };
}

void ContentView::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    syncNow();
}

void ContentView::setCallbacks(Callbacks callbacks)
{
    m_callbacks = std::move(callbacks);
}

void ContentView::sync()
{
    m_sync.request();
}

void ContentView::setFocusedField(std::optional<NotchTaskViewModel::FocusTarget> field)
{
    m_focusedField = field;
    if (field == NotchTaskViewModel::FocusTarget::composer)
        emit keyboardFocusRequested();
}

void ContentView::syncNow()
{
    m_sync.cancel();
    NotchTaskViewModel& vm = m_viewModel;

    if (m_focusRequestID != vm.focusRequestID()) {
        m_focusRequestID = vm.focusRequestID();
        setFocusedField(vm.requestedFocus());
    }
    const bool expanded = vm.isExpanded();
    if (expanded != m_isExpanded) {
        m_isExpanded = expanded;
        if (!expanded) {
            m_focusedField.reset();
            emit keyboardFocusReleased();
        }
    }

    const NotchOverlayMetrics& metrics = m_inputs.metrics;
    const auto& configuration = m_inputs.configuration;
    const TaskWorkspaceTab selected = vm.selectedWorkspaceTab();
    const std::optional<TaskSection> target = vm.composerTargetSection();

    NotchTaskPanel::Inputs panel;
    panel.isExpanded = expanded;
    panel.isSorting = vm.isSorting();
    panel.panelSize = metrics.panelSize;
    panel.collapsedSize = metrics.collapsedSize;
    panel.expandedSize = metrics.expandedSize;
    panel.expandedContentSafeTopInset = metrics.expandedContentSafeTopInset;
    panel.notchBandLayout = metrics.notchBandLayout;
    panel.configuration = configuration;
    panel.draftTask = {[vm = &vm] { return vm->draftTask(); }, [vm = &vm](QString text) { vm->setDraftTask(text); }};
    panel.sections = vm.sections();
    panel.workspaceTabs = vm.workspaceTabs();
    panel.selectedWorkspaceID = vm.selectedWorkspaceID();
    panel.currentWorkspaceTitle = selected.title;
    panel.currentWorkspaceAccent = selected.accent;
    panel.currentWorkspacePrompt = vm.currentWorkspacePrompt();
    panel.currentWorkspaceCanRename = selected.canRename;
    panel.currentWorkspaceCanDelete = selected.canDelete && vm.sections().size() > 1;
    panel.currentComposerAccent = vm.selectedSectionAccent();
    panel.composerTargetSectionTitle = target ? target->title : QStringLiteral("Personal");
    // A closed notch shows no task: what it last showed stands until it opens
    // again, so a large workspace's visible list is not even built at start.
    const NotchTaskPanel::Inputs& shown = m_panel->inputs();
    const bool showsTasks = expanded || !m_panel->contentColumn()->isHidden();
    panel.currentVisibleTaskCount = showsTasks ? int(vm.tasks().size()) : shown.currentVisibleTaskCount;
    panel.tasks = showsTasks ? vm.tasks() : shown.tasks;
    panel.canMoveVisibleTasks = vm.selectedWorkspaceID() != kAllWorkspaceID;
    panel.taskSubmissionID = vm.taskSubmissionID();
    panel.hasCompletedOnboarding = m_sessionViewModel.preferences().hasCompletedOnboarding;
    panel.aiTaskRankingEnabled = m_sessionViewModel.preferences().aiTaskRankingEnabled;
    // Tasks that are not being saved matter more than any sort's progress.
    panel.statusMessage = vm.saveErrorMessage().value_or(vm.sortStatusMessage().value_or(QString()));
    panel.inputFocus = {[this] { return m_focusedField; },
                        [this](std::optional<NotchTaskViewModel::FocusTarget> field) { m_focusedField = field; }};
    panel.reduceMotion = m_inputs.reduceMotion;
    m_panel->setInputs(panel);

    const Size glowSize = expanded ? metrics.expandedSize : metrics.collapsedSize;
    const auto& appearance = configuration.appearance;
    m_glow->setInputs({vm.isSorting(),
                       QRectF((metrics.panelSize.width - glowSize.width) / 2,
                              configuration.layout.panelGlowTopPadding, glowSize.width, glowSize.height),
                       expanded ? appearance.expandedCornerRadius : appearance.collapsedCornerRadius, configuration,
                       m_inputs.reduceMotion});
    publishShape();
}

void ContentView::wireCallbacks()
{
    NotchTaskViewModel* vm = &m_viewModel;
    NotchTaskPanel::Callbacks callbacks;
    callbacks.onSubmit = [vm] { vm->submitDraftTask(); };
    callbacks.onSelectWorkspace = [vm](const QString& id) { vm->selectWorkspace(id); };
    callbacks.onAddCustomSection = [vm](const QString& title) { vm->addSection(title); };
    callbacks.onSavePromptOverride = [vm](const QString& prompt) {
        vm->setWorkspacePrompt(prompt, vm->selectedWorkspaceID());
    };
    callbacks.onRenameWorkspace = [vm](const QString& title) { vm->renameSelectedSection(title); };
    callbacks.onDeleteWorkspace = [vm] { vm->deleteSelectedSection(); };
    callbacks.onSetWorkspaceAccent = [vm](std::optional<TaskSectionAccent> accent) {
        vm->setSelectedSectionAccent(accent);
    };
    callbacks.onCompleteTask = [vm](const TaskItem& task) { vm->completeTask(task.id); };
    callbacks.onDeleteTask = [vm](const TaskItem& task) { vm->deleteTask(task.id); };
    callbacks.onMoveTasks = [vm](const QSet<qsizetype>& offsets, qsizetype destination) {
        vm->moveTasks(offsets, destination);
    };
    callbacks.onSaveTaskReminder = [vm](const TaskItem& task, Date scheduledAt) {
        vm->saveReminder(task.id, scheduledAt);
    };
    callbacks.onClearTaskReminder = [vm](const TaskItem& task) { vm->clearReminder(task.id); };
    callbacks.onPreviewTaskReminder = [this](const TaskItem& task) {
        if (m_callbacks.onPreviewReminder)
            m_callbacks.onPreviewReminder(task.title);
    };
    callbacks.onSetExpansionHold = [vm](bool held, const QString& reason) { vm->setExpansionHold(held, reason); };
    // Starts the sort and returns at once; the outcome arrives through the view model.
    callbacks.onAISort = [vm] { vm->sortTasksWithAI(); };
    callbacks.onOpenControlPanel = [this] { m_sessionViewModel.setControlPanelPresented(true); };
    m_panel->setCallbacks(std::move(callbacks));
}

TaskListView& ContentView::taskList() const
{
    return *m_panel->taskList();
}

QRect ContentView::taskListFrame() const
{
    return m_panel->taskListFrame();
}

QRectF ContentView::surfaceRect() const
{
    return m_panel->surfaceRect();
}

double ContentView::surfaceCornerRadius() const
{
    return m_panel->cornerRadius();
}

QPainterPath ContentView::visibleShape() const
{
    return m_panel->visibleShape();
}

bool ContentView::isAnimating() const
{
    return m_panel->isAnimating();
}

void ContentView::publishShape()
{
    const QPainterPath shape = visibleShape();
    if (shape == m_publishedShape)
        return;
    m_publishedShape = shape;
    emit visibleShapeChanged(shape);
}

void ContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_glow->setGeometry(rect());
    m_panel->setGeometry(rect());
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    publishShape();
}
