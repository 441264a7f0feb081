#pragma once

#include "Model/TaskSection.h"
#include "Template/NotchTemplateConfiguration.h"
#include "UI/Binding.h"

#include <QWidget>
#include <functional>
#include <optional>

class TransparentTaskTextField;

// The composer row of the task list: the plus symbol in the workspace's accent
// and the field on its rounded fill. Its object name "add-task-row" identifies
// it in the list; a screen reader hears what it does, the placeholder's words.
class AddTaskRow final : public QWidget {
public:
    struct Inputs {
        NotchTemplateConfiguration configuration;
        QString placeholder;
        std::optional<TaskSectionAccent> accent;
        Binding<QString> draftTask;
        bool isFocused = false;
        std::function<void()> onSubmit;
    };

    explicit AddTaskRow(QWidget* parent = nullptr);

    void setInputs(Inputs inputs);
    TransparentTaskTextField* field() const { return m_field; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr double kPlusSide = 18;
    static constexpr double kSpacing = 14;

    void placeField();

    Inputs m_inputs;
    TransparentTaskTextField* m_field = nullptr;
};
