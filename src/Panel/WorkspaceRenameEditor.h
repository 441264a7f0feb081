#pragma once

#include "UI/Binding.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

// The popover card that renames the selected section. The draft goes out as
// typed; the view model trims it.
class WorkspaceRenameEditor final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        QString workspaceTitle;
        Binding<QString> renameDraft;
    };
    struct Callbacks {
        std::function<void()> onCancel;
        std::function<void()> onSave;
    };

    explicit WorkspaceRenameEditor(QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    // Puts the keyboard in the name field, its text selected.
    void focusField();

private:
    void save();

    Inputs m_inputs;
    Callbacks m_callbacks;
    QLabel* m_title;
    QLineEdit* m_field;
};
