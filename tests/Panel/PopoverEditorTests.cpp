// The header's popover editors: the rename popover's anchor, and the wiring
// the prompt and rename editors share.
#include "Panel/PopoverEditor.h"
#include "Panel/NotchSlotButton.h"
#include "Panel/WorkspaceMenuControl.h"
#include "Panel/WorkspaceTaskCounter.h"
#include "Support/EventLoopWait.h"
#include "Support/PanelFixture.h"
#include "UI/PopoverFrame.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(WorkspaceRenamePopover, HangsFromTheCounterAndTheButtonsNotFromTheWholeSlot)
{
    PanelFixture f;
    f.viewModel.selectWorkspace(QStringLiteral("section.work"));
    f.view.syncNow();
    click(QStringLiteral("Work options"));
    click(QStringLiteral("Rename"));
    WorkspaceMenuControl* menu = f.panel().menuControl();
    PopoverFrame* popover = menu->renamePopover();
    ASSERT_TRUE(popover->isVisible());

    const auto global = [](QWidget* widget) { return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()); };
    // The stack runs from the counter's left to the settings button's right, and is no taller than they are.
    const QRect stack = global(menu->stack());
    EXPECT_EQ(stack.left(), global(menu->counter()).left());
    EXPECT_EQ(stack.right(), global(menu->settingsButton()).right());
    EXPECT_EQ(stack.height(), std::max(menu->counter()->height(), menu->settingsButton()->height()));
    const QRect slot = global(menu);
    ASSERT_GT(std::abs(slot.center().x() - stack.center().x()), 10) << "the slot is no stand-in for the stack";

    // No room above the notch: it hangs below the stack, centred under it.
    EXPECT_EQ(popover->edge(), PopoverEdge::Bottom);
    EXPECT_EQ(popover->geometry().top(), stack.bottom() + 1);
    EXPECT_NEAR(popover->geometry().center().x(), stack.center().x(), 1);
}

namespace {
// An opener and a line editor in a popover, with the owner's state.
struct EditorScene {
    QWidget window;
    QPushButton* opener = new QPushButton(QStringLiteral("Open"), &window);
    QLineEdit* field = new QLineEdit;
    bool shown = false;
    QString draft = QStringLiteral("stored");
    PopoverEditor editor{opener, field, [this] { field->setFocus(Qt::PopupFocusReason); }};

    EditorScene()
    {
        window.resize(400, 300);
        opener->setGeometry(150, 20, 80, 30);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        sync();
    }
    // What the owner does on every update: fresh bindings, then the popover and the field follow.
    void sync()
    {
        editor.setBindings(Binding<bool>::member(this, &EditorScene::shown),
                           Binding<QString>::member(this, &EditorScene::draft));
        const QString text = editor.draftBinding().value();
        if (field->text() != text)
            field->setText(text);
        editor.sync();
    }
};
} // namespace

TEST(PopoverEditor, OpensOnADraftWithTheKeyboardCancelsToTheStoredTextAndSavesAsTyped)
{
    EditorScene scene;
    scene.editor.open(QStringLiteral("Work"));
    scene.sync();
    ASSERT_TRUE(scene.editor.popover()->isVisible());
    EXPECT_EQ(scene.field->text(), QStringLiteral("Work"));
    EXPECT_TRUE(waitUntil([&] { return scene.field->hasFocus(); }));

    // Cancel restores the stored text and closes.
    scene.draft = QStringLiteral("typed");
    scene.editor.cancel(QStringLiteral("stored"));
    scene.sync();
    EXPECT_FALSE(scene.shown);
    EXPECT_FALSE(scene.editor.popover()->isVisible());
    EXPECT_EQ(scene.draft, QStringLiteral("stored"));

    // Save hands the draft on untrimmed and closes.
    scene.editor.open(QStringLiteral("Work"));
    scene.sync();
    scene.draft = QStringLiteral(" Job ");
    QString saved;
    scene.editor.save([&](const QString& text) { saved = text; });
    scene.sync();
    EXPECT_EQ(saved, QStringLiteral(" Job "));
    EXPECT_FALSE(scene.editor.popover()->isVisible());

    // Escape dismisses it from inside, and the owner learns of it through the flag.
    scene.editor.open(QStringLiteral("Work"));
    scene.sync();
    ASSERT_TRUE(waitUntil([&] { return scene.field->hasFocus(); }));
    QTest::keyClick(scene.field, Qt::Key_Escape);
    EXPECT_FALSE(scene.shown);
    EXPECT_FALSE(scene.editor.popover()->isVisible());
}
