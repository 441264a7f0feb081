#include "Panel/WorkspaceMenuControl.h"

#include "Panel/NotchSlotButton.h"
#include "Panel/PopoverEditor.h"
#include "UI/PopoverFrame.h"
#include "UI/TemplateStyle.h"
#include "Panel/WorkspaceDeleteConfirmation.h"
#include "Panel/WorkspaceDropdownPanel.h"
#include "Panel/WorkspaceRenameEditor.h"
#include "Panel/WorkspaceTaskCounter.h"

#include <QHBoxLayout>

WorkspaceMenuControl::WorkspaceMenuControl(QWidget* parent)
    : QWidget(parent),
      m_stack(new QWidget(this)),
      m_counter(new WorkspaceTaskCounter(m_stack)),
      m_menuButton(new NotchSlotButton(m_stack)),
      m_settingsButton(new NotchSlotButton(m_stack))
{
    auto* stack = new QHBoxLayout(m_stack);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(m_counter, 0, Qt::AlignVCenter);
    stack->addWidget(m_menuButton, 0, Qt::AlignVCenter);
    stack->addWidget(m_settingsButton, 0, Qt::AlignVCenter);
    // The group hugs the right end of the slot.
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(m_stack, 0, Qt::AlignVCenter);

    m_menuButton->setSymbol(QStringLiteral("ellipsis.circle"));
    m_settingsButton->setSymbol(QStringLiteral("gearshape"));
    m_settingsButton->setAccessibleName(QStringLiteral("Settings"));
    connect(m_menuButton, &QAbstractButton::clicked, this,
            [this] { m_inputs.isShowingDropdown.setValue(!m_inputs.isShowingDropdown.value()); });
    connect(m_settingsButton, &QAbstractButton::clicked, this, [this] {
        if (m_callbacks.onOpenControlPanel)
            m_callbacks.onOpenControlPanel();
    });

    m_dropdown = new WorkspaceDropdownPanel;
    m_dropdown->setCallbacks({
        .onRename =
            [this] {
                m_rename->setDraft(m_inputs.workspaceTitle);
                m_inputs.isShowingDropdown.setValue(false);
                m_rename->setShown(true);
            },
        .onDelete =
            [this] {
                m_inputs.isShowingDropdown.setValue(false);
                m_inputs.isConfirmingDeletion.setValue(true);
            },
        .onSelectAccent =
            [this](std::optional<TaskSectionAccent> accent) {
                if (m_callbacks.onSetWorkspaceAccent)
                    m_callbacks.onSetWorkspaceAccent(accent);
                m_inputs.isShowingDropdown.setValue(false);
            },
    });
    m_renameEditor = new WorkspaceRenameEditor;
    // Attached to the counter and the buttons together, not to the whole slot.
    m_rename = std::make_unique<PopoverEditor>(m_stack, m_renameEditor, [this] { m_renameEditor->focusField(); });
    m_renameEditor->setCallbacks({
        .onCancel = [this] { m_rename->cancel(m_inputs.workspaceTitle); },
        .onSave = [this] { m_rename->save(m_callbacks.onRenameWorkspace); },
    });
    // The popover reads the binding through this control, so it always sees the latest one.
    m_dropdownPopover = new PopoverFrame(
        m_menuButton, Binding<bool>{[this] { return m_inputs.isShowingDropdown.value(); },
                                    [this](bool shown) { m_inputs.isShowingDropdown.setValue(shown); }},
        PopoverEdge::Top);
    m_dropdownPopover->setContent(m_dropdown);
    m_dropdownPopover->setShadow(PopoverFrame::Shadow{QColor::fromRgbF(0, 0, 0, 0.18f), 16, QPointF(0, 10)});
    setInputs(m_inputs);
}

WorkspaceMenuControl::~WorkspaceMenuControl()
{
    delete m_dropdownPopover;
    // The card lives in its host, which may outlive this control.
    delete m_confirmation;
    if (m_confirmationShown && m_callbacks.onSetExpansionHold)
        m_callbacks.onSetExpansionHold(false, deleteConfirmationHoldReason);
}

void WorkspaceMenuControl::setInputs(const Inputs& inputs)
{
    m_inputs = inputs;
    const auto& configuration = inputs.configuration;
    const auto& layout = configuration.layout;
    m_stack->layout()->setSpacing(TemplateStyle::widgetExtent(layout.notchTaskCounterSpacing));
    this->layout()->setContentsMargins(0, 0, TemplateStyle::widgetExtent(layout.notchControlEdgePadding), 0);

    m_counter->setInputs({configuration, inputs.taskCount,
                          TemplateStyle::accentColor(configuration.appearance, inputs.workspaceAccent,
                                                     configuration.appearance.primaryTextColor),
                          inputs.reduceMotion});
    m_menuButton->setConfiguration(configuration);
    m_menuButton->setAccessibleName(inputs.workspaceTitle + QStringLiteral(" options"));
    m_settingsButton->setConfiguration(configuration);

    m_dropdown->setInputs({configuration, inputs.workspaceAccent, inputs.canRename, inputs.canDelete});
    m_rename->setBindings(inputs.isShowingRenameEditor, inputs.renameDraft);
    m_renameEditor->setInputs({configuration, inputs.workspaceTitle, m_rename->draftBinding()});
    m_dropdownPopover->sync();
    m_rename->sync();
    syncConfirmation();
}

void WorkspaceMenuControl::syncConfirmation()
{
    const bool wanted = m_inputs.isConfirmingDeletion.value();
    if (m_confirmation)
        m_confirmation->setInputs({m_inputs.configuration, m_inputs.workspaceTitle});
    if (wanted && !m_confirmationShown) {
        if (!m_confirmation) {
            m_confirmation = new WorkspaceDeleteConfirmation(m_confirmationHost ? m_confirmationHost.data() : window());
            m_confirmation->setInputs({m_inputs.configuration, m_inputs.workspaceTitle});
            m_confirmation->setCallbacks({
                .onDelete = [this] { finishConfirmation(true); },
                .onCancel = [this] { finishConfirmation(false); },
            });
        }
        m_confirmationShown = true;
        // The panel stays open while the question stands, wherever the pointer goes.
        if (m_callbacks.onSetExpansionHold)
            m_callbacks.onSetExpansionHold(true, deleteConfirmationHoldReason);
        m_confirmation->present();
    } else if (!wanted && m_confirmationShown) {
        m_confirmationShown = false;
        if (m_confirmation)
            m_confirmation->dismiss();
        if (m_callbacks.onSetExpansionHold)
            m_callbacks.onSetExpansionHold(false, deleteConfirmationHoldReason);
    }
}

void WorkspaceMenuControl::finishConfirmation(bool confirmed)
{
    if (!m_confirmationShown)
        return;
    m_confirmationShown = false;
    if (m_confirmation)
        m_confirmation->dismiss();
    if (m_callbacks.onSetExpansionHold)
        m_callbacks.onSetExpansionHold(false, deleteConfirmationHoldReason);
    m_inputs.isConfirmingDeletion.setValue(false);
    if (confirmed && m_callbacks.onDeleteWorkspace)
        m_callbacks.onDeleteWorkspace();
}

PopoverFrame* WorkspaceMenuControl::renamePopover() const
{
    return m_rename->popover();
}
