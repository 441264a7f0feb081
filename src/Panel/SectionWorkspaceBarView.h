#pragma once

#include "Model/TaskWorkspaceTab.h"
#include "UI/Binding.h"
#include "UI/Motion.h"
#include "Template/NotchTemplateConfiguration.h"

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <optional>

class QAbstractButton;
class QLineEdit;
class QScrollArea;
class SectionComposerRow;

// The workspace tabs at the top of the expanded panel, in a strip that
// scrolls sideways (by the wheel, whichever way it turns, and by dragging)
// without scroll bars, followed by the button that opens the composer for a
// new section. The strip spans the bar's full width and fades out at an edge
// where more tabs lie beyond, so no tab ends in a hard cut; on showing and on
// every selection the selected tab scrolls fully into view. Tabs are
// positional: the n-th button stands for the n-th tab, so repeated ids in
// stored data cannot confuse it.
//
// The composer takes the keyboard when it opens; closing it (its button,
// Escape or a submission) hands the keyboard back through onHandBackKeyboard.
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
        // The composer closed while it held the keyboard.
        std::function<void()> onHandBackKeyboard;
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
    // The part of the strip where tabs show at full strength, in strip coordinates:
    // all of it but the fades at edges where more tabs lie beyond.
    QRect clearStripArea() const;
    bool fadesLeadingEdge() const { return m_fadesLeading; }
    bool fadesTrailingEdge() const { return m_fadesTrailing; }
    // The composer as drawn now, in bar coordinates, and its opacity; empty while hidden.
    QRectF composerFrame() const;
    double composerOpacity() const;

signals:
    void currentHeightChanged(int height);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyLayout();
    void frame();
    int stripHeight() const;
    int fadeWidth() const;
    void revealSelectedTab();
    void updateFade();
    void cancelComposer();
    QRect composerRect() const;

    Inputs m_inputs;
    Callbacks m_callbacks;
    std::function<double()> m_clock;
    QScrollArea* m_strip;
    QWidget* m_stripContent;
    QList<QAbstractButton*> m_tabButtons;
    QAbstractButton* m_accessory;
    SectionComposerRow* m_composer;
    bool m_isAdding = false;
    // What the leaving composer looked like, drawn shrinking and fading in its place.
    QPixmap m_leavingComposer;
    // What the last repaint was asked for.
    bool m_paintedLeaving = false;
    std::optional<NotchTemplateConfiguration::Layout> m_paintedLayout;
    std::optional<NotchTemplateConfiguration::Appearance> m_paintedAppearance;
    bool m_fadesLeading = false;
    bool m_fadesTrailing = false;
    // A press on the strip: where, and the scroll position then; a drag once it moved far enough.
    std::optional<int> m_dragOrigin;
    int m_dragStartValue = 0;
    bool m_dragging = false;
    // 0 hidden, 1 shown.
    mutable Motion::Value m_composerPresence{0};
    Motion::Animator m_animator;
    int m_reportedHeight = -1;
};
