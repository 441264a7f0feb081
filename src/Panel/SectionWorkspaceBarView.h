#pragma once

#include "Model/TaskWorkspaceTab.h"
#include "UI/Binding.h"
#include "UI/Motion.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QList>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QLineEdit;
class QScrollArea;
class SectionComposerRow;

// The workspace tabs at the top of the expanded panel, in a strip that
// scrolls sideways (the wheel scrolls it too) without scroll bars, followed by
// the button that opens the composer for a new section. Tabs are positional:
// the n-th button stands for the n-th tab, so repeated ids in stored data
// cannot confuse it.
class SectionWorkspaceBarView final : public QWidget {
    Q_OBJECT
public:
    struct Inputs {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        QList<TaskWorkspaceTab> workspaceTabs;
        QString selectedWorkspaceID;
        Binding<QString> customSectionTitle;
        Binding<bool> isAddingSection;
        // False when the composer must open or close at once (after a submission).
        bool animateComposer = true;
    };
    struct Callbacks {
        std::function<void(const QString& workspaceID)> onSelectWorkspace;
        std::function<void()> onSubmitCustomSection;
    };

    explicit SectionWorkspaceBarView(QWidget* parent = nullptr, std::function<double()> clock = &Motion::animationClock);
    ~SectionWorkspaceBarView() override;

    void setInputs(const Inputs& inputs);
    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The height the bar takes now; it grows and shrinks with the composer.
    int currentHeight() const;
    bool isAnimating() const;
    int tabCount() const { return m_tabButtons.size(); }
    QAbstractButton* tabButton(int index) const { return m_tabButtons.value(index); }
    QAbstractButton* accessoryButton() const { return m_accessory; }
    QLineEdit* composerField() const;
    QAbstractButton* composerAddButton() const;
    QScrollArea* strip() const { return m_strip; }

signals:
    void currentHeightChanged(int height);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyLayout();
    void frame();
    int stripHeight() const;

    Inputs m_inputs;
    Callbacks m_callbacks;
    std::function<double()> m_clock;
    QScrollArea* m_strip;
    QWidget* m_stripContent;
    QList<QAbstractButton*> m_tabButtons;
    QAbstractButton* m_accessory;
    SectionComposerRow* m_composer;
    bool m_isAdding = false;
    // 0 hidden, 1 shown.
    mutable Motion::Value m_composerPresence{0};
    Motion::Animator m_animator;
    int m_reportedHeight = -1;
};
