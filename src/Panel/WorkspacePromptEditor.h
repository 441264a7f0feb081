#pragma once

#include "UI/Binding.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPlainTextEdit;

// The popover card that edits the custom AI prompt of one workspace. The
// text goes out exactly as typed; the owner decides what a blank one means.
class WorkspacePromptEditor final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        QString workspaceTitle;
        Binding<QString> promptDraft;
    };
    struct Callbacks {
        std::function<void()> onCancel;
        std::function<void()> onReset;
        std::function<void()> onSave;
    };

    explicit WorkspacePromptEditor(QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    // Puts the keyboard in the text, at its end.
    void focusEditor();

private:
    Inputs m_inputs;
    Callbacks m_callbacks;
    QLabel* m_title;
    QLabel* m_subtitle;
    QPlainTextEdit* m_editor;
};
