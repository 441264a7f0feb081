// The header's popover editors: the prompt editor's text area, the rename
// popover's anchor, and the wiring both share.
#include "Panel/PopoverEditor.h"
#include "Panel/NotchSlotButton.h"
#include "Panel/WorkspaceMenuControl.h"
#include "Panel/WorkspacePromptEditor.h"
#include "Panel/WorkspaceTaskCounter.h"
#include "Support/EventLoopWait.h"
#include "Support/PanelFixture.h"
#include "UI/PopoverFrame.h"

#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// The prompt editor on `draft`, all of it selected so that the highlight
// reaches every corner of the text area, drawn on a transparent image.
struct RenderedPromptEditor {
    QImage image;
    QRect text; // the text area, in image pixels

    explicit RenderedPromptEditor(double cornerRadius)
    {
        NotchTemplateConfiguration configuration = NotchTemplateConfiguration::defaults();
        configuration.appearance.buttonCornerRadius = cornerRadius;
        QString draft;
        for (int line = 0; line < 20; ++line)
            draft += QStringLiteral("Calls before errands, every line a long one\n");
        WorkspacePromptEditor editor;
        editor.setInputs({configuration, QStringLiteral("Work"), Binding<QString>::stored(draft)});
        editor.show();
        auto* area = editor.findChild<QPlainTextEdit*>();
        EXPECT_NE(area, nullptr);
        if (!area)
            return;
        area->selectAll();
        text = QRect(area->mapTo(&editor, QPoint(0, 0)), area->size());
        image = QImage(editor.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        // The card itself draws nothing; the popover behind it is left out.
        editor.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    // Whether anything of the editor was drawn `dx`, `dy` pixels in from the given corner.
    bool drawnNear(Qt::Corner corner, int dx, int dy) const
    {
        const bool right = corner == Qt::TopRightCorner || corner == Qt::BottomRightCorner;
        const bool bottom = corner == Qt::BottomLeftCorner || corner == Qt::BottomRightCorner;
        const int x = right ? text.right() - dx : text.left() + dx;
        const int y = bottom ? text.bottom() - dy : text.top() + dy;
        return qAlpha(image.pixel(x, y)) > 0;
    }
};
} // namespace

TEST(WorkspacePromptEditor, TextAreaIsClippedToTheButtonCornerRadius)
{
    const RenderedPromptEditor standard(12);
    ASSERT_EQ(standard.text.size(), QSize(280, 110));
    EXPECT_TRUE(standard.drawnNear(Qt::TopLeftCorner, 140, 55)) << "the text area has a fill";
    for (Qt::Corner corner : {Qt::TopLeftCorner, Qt::TopRightCorner, Qt::BottomLeftCorner, Qt::BottomRightCorner}) {
        // Outside a corner of radius 12: nothing, neither the fill nor the selected text.
        EXPECT_FALSE(standard.drawnNear(corner, 0, 0)) << corner;
        EXPECT_FALSE(standard.drawnNear(corner, 2, 2)) << corner;
        // Inside it, and along the straight edges, the area is drawn.
        EXPECT_TRUE(standard.drawnNear(corner, 4, 4)) << corner;
        EXPECT_TRUE(standard.drawnNear(corner, 12, 0)) << corner;
        EXPECT_TRUE(standard.drawnNear(corner, 0, 12)) << corner;
    }
    // The radius is the template's: a rounder one cuts deeper.
    const RenderedPromptEditor round(20);
    EXPECT_FALSE(round.drawnNear(Qt::TopLeftCorner, 4, 4));
    EXPECT_FALSE(round.drawnNear(Qt::BottomRightCorner, 4, 4));
    EXPECT_TRUE(round.drawnNear(Qt::TopLeftCorner, 7, 7));
}

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
