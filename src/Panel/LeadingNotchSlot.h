#pragma once

#include "Model/TaskSection.h"
#include "UI/Binding.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class AISortButton;
class NotchSlotButton;
class PopoverEditor;
class PopoverFrame;
class WorkspacePromptEditor;

// The left header slot: AI Sort and the button that opens the workspace's
// prompt editor in a popover.
class LeadingNotchSlot final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        bool isSorting = false;
        std::optional<TaskSectionAccent> workspaceAccent;
        QString currentWorkspaceTitle;
        QString currentWorkspacePrompt;
        bool hasCompletedOnboarding = false;
        Binding<bool> isShowingPromptEditor;
        Binding<QString> promptDraft;
        // The Settings switch; while off AI Sort cannot be pressed.
        bool aiTaskRankingEnabled = true;
    };
    struct Callbacks {
        std::function<void()> onAISort;
        std::function<void(const QString& prompt)> onSavePromptOverride;
    };

    explicit LeadingNotchSlot(QWidget* parent = nullptr);
    ~LeadingNotchSlot() override;

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    AISortButton* aiSortButton() const { return m_aiSort; }
    NotchSlotButton* promptButton() const { return m_promptButton; }
    PopoverFrame* promptPopover() const;
    WorkspacePromptEditor* promptEditor() const { return m_editor; }

private:
    Inputs m_inputs;
    Callbacks m_callbacks;
    AISortButton* m_aiSort;
    NotchSlotButton* m_promptButton;
    WorkspacePromptEditor* m_editor;
    std::unique_ptr<PopoverEditor> m_promptEditor;
};
