#pragma once

#include "Model/TaskSection.h"
#include "Template/NotchTemplateConfiguration.h"
#include "UI/HoverButton.h"
#include "UI/Motion.h"

#include <QLabel>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

// One action of the dropdown: symbol and title, tinted, with a hover fill
// that eases in and out.
class WorkspaceDropdownRow final : public HoverButton {
public:
    // Without a colour the row takes the label colour of the palette it is shown in.
    WorkspaceDropdownRow(const NotchTemplateConfiguration& configuration, const QString& title,
                         const QString& iconName, std::optional<QColor> accentColor, std::function<double()> clock,
                         QWidget* parent);

    QSize sizeHint() const override { return {160, height()}; }
    // The hover fill's opacity now: 0 at rest, 0.28 while hovered.
    double highlightOpacity() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void hoverChanged();

    NotchTemplateConfiguration m_configuration;
    QString m_title;
    QString m_iconName;
    std::optional<QColor> m_accentColor;
    std::function<double()> m_clock;
    mutable Motion::Value m_hover{0};
    Motion::Animator m_animator;
};

// A round section colour. The selected one wears a ring in the desktop's
// accent colour; hovering and selecting animate.
class WorkspaceAccentSwatchButton final : public HoverButton {
public:
    WorkspaceAccentSwatchButton(const NotchTemplateConfiguration& configuration, TaskSectionAccent accent,
                                bool isSelected, std::function<double()> clock, QWidget* parent);

    TaskSectionAccent accent() const { return m_accent; }
    bool isSelected() const { return isChecked(); }
    void setSelected(bool selected, bool animated);

    // The label as drawn now.
    double scale() const;
    double ringLineWidth() const;
    double borderOpacity() const;

protected:
    // Clicking never toggles by itself: the owner decides.
    void nextCheckState() override {}
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool isMoving() const;

    NotchTemplateConfiguration m_configuration;
    TaskSectionAccent m_accent;
    std::function<double()> m_clock;
    mutable Motion::Value m_hover{0};
    mutable Motion::Value m_selection{0};
    Motion::Animator m_animator;
};

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

    explicit WorkspaceDropdownPanel(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock);

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // "Blue section color" and so on.
    static QString swatchAccessibleName(TaskSectionAccent accent);
    const QList<WorkspaceAccentSwatchButton*>& swatches() const { return m_swatches; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();
    void colourEmptyLabel();
    void placeSwatches(const QRect& lane);

    Inputs m_inputs;
    Callbacks m_callbacks;
    std::function<double()> m_clock;
    bool m_built = false;
    QPointer<QLabel> m_emptyLabel;
    QList<WorkspaceAccentSwatchButton*> m_swatches;
};
