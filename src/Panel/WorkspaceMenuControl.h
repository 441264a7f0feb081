#pragma once

#include "Model/TaskSection.h"
#include "Panel/WorkspaceDeleteConfirmation.h"
#include "UI/Binding.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class NotchSlotButton;
class PopoverEditor;
class PopoverFrame;
class WorkspaceDropdownPanel;
class WorkspaceRenameEditor;
class WorkspaceTaskCounter;

// The right header slot: the task counter, the section menu (rename, delete,
// colour) and the settings button. Owns the rename popover and the delete
// confirmation; their flags live with the owner and arrive as bindings. The
// confirmation is drawn over the widget given as its host (the panel's
// content), or over this control's window when none is given.
class WorkspaceMenuControl final : public QWidget {
    Q_OBJECT
public:
    // Reason under which the confirmation holds the panel open.
    static inline const QString deleteConfirmationHoldReason = QStringLiteral("workspace-delete-confirmation");

    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        int taskCount = 0;
        QString workspaceTitle;
        std::optional<TaskSectionAccent> workspaceAccent;
        bool canRename = false;
        bool canDelete = false;
        bool reduceMotion = false;
        Binding<bool> isShowingDropdown;
        Binding<bool> isShowingRenameEditor;
        Binding<QString> renameDraft;
        Binding<bool> isConfirmingDeletion;
    };
    struct Callbacks {
        std::function<void()> onOpenControlPanel;
        std::function<void(std::optional<TaskSectionAccent>)> onSetWorkspaceAccent;
        std::function<void(const QString& title)> onRenameWorkspace;
        std::function<void()> onDeleteWorkspace;
        // Keeps the panel open while the confirmation is on screen.
        std::function<void(bool isHeld, const QString& reason)> onSetExpansionHold;
    };

    explicit WorkspaceMenuControl(QWidget* parent = nullptr);
    ~WorkspaceMenuControl() override;

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    void setConfirmationHost(QWidget* host) { m_confirmationHost = host; }

    // The counter and the two buttons, hugging the slot's right end.
    QWidget* stack() const { return m_stack; }
    WorkspaceTaskCounter* counter() const { return m_counter; }
    NotchSlotButton* menuButton() const { return m_menuButton; }
    NotchSlotButton* settingsButton() const { return m_settingsButton; }
    PopoverFrame* dropdownPopover() const { return m_dropdownPopover; }
    PopoverFrame* renamePopover() const;
    WorkspaceDropdownPanel* dropdown() const { return m_dropdown; }
    WorkspaceRenameEditor* renameEditor() const { return m_renameEditor; }
    // Null until first asked for; shown while the deletion is being confirmed.
    WorkspaceDeleteConfirmation* deleteConfirmation() const { return m_confirmation; }

private:
    void syncConfirmation();
    void finishConfirmation(bool confirmed);

    Inputs m_inputs;
    Callbacks m_callbacks;
    QWidget* m_stack;
    WorkspaceTaskCounter* m_counter;
    NotchSlotButton* m_menuButton;
    NotchSlotButton* m_settingsButton;
    WorkspaceDropdownPanel* m_dropdown;
    WorkspaceRenameEditor* m_renameEditor;
    PopoverFrame* m_dropdownPopover;
    std::unique_ptr<PopoverEditor> m_rename;
    QPointer<QWidget> m_confirmationHost;
    QPointer<WorkspaceDeleteConfirmation> m_confirmation;
    bool m_confirmationShown = false;
};
