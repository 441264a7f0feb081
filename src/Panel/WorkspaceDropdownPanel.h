#pragma once

#include "Model/TaskSection.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

// The workspace menu's popover: Rename, Delete Section and the seven section
// colours, or "No actions available" where nothing may change.
class WorkspaceDropdownPanel final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        std::optional<TaskSectionAccent> workspaceAccent;
        bool canRename = false;
        bool canDelete = false;
    };
    struct Callbacks {
        std::function<void()> onRename;
        std::function<void()> onDelete;
        std::function<void(std::optional<TaskSectionAccent>)> onSelectAccent;
    };

    explicit WorkspaceDropdownPanel(QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // "Blue section color" and so on.
    static QString swatchAccessibleName(TaskSectionAccent accent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();
    void colourEmptyLabel();

    Inputs m_inputs;
    Callbacks m_callbacks;
    bool m_built = false;
    QPointer<QLabel> m_emptyLabel;
};
