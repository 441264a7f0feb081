#include "Panel/TransparentTaskTextField.h"
#include "Support/QtTestPrinters.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <utility>

namespace {

struct FieldScene {
    QWidget window;
    TransparentTaskTextField* field = new TransparentTaskTextField;
    QLineEdit* otherField = new QLineEdit;
    QPushButton* button = new QPushButton("Button");
    QString draft;
    int submits = 0;

    FieldScene()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(otherField);
        layout->addWidget(button);
        button->setFocusPolicy(Qt::StrongFocus);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void update(bool focused)
    {
        field->setInputs({Binding<QString>::member(this, &FieldScene::draft), "Add a task", Qt::white, Qt::gray,
                          QFont(), focused, [this] { ++submits; }});
    }
};

} // namespace

TEST(TransparentTaskTextField, TakesFocusOnANewRequestButNotFromAnotherTextField)
{
    FieldScene scene;
    struct Step {
        const char* name;
        QWidget* focusBefore; // nullptr: leave as is
        bool isFocused;
        bool expectFieldFocused;
    };
    const Step steps[] = {
        {"a new request takes focus", scene.button, true, true},
        {"typing in another field is not interrupted", scene.otherField, true, false},
        {"a focused button gives way", scene.button, true, true},
        {"no request never resigns", nullptr, false, true},
        {"while not wanted, focus elsewhere stays", scene.otherField, false, false},
        {"a request after none takes it even from a text field", nullptr, true, true},
    };
    for (const Step& step : steps) {
        if (step.focusBefore) {
            step.focusBefore->setFocus();
            ASSERT_TRUE(step.focusBefore->hasFocus()) << step.name;
        }
        scene.update(step.isFocused);
        EXPECT_EQ(scene.field->hasFocus(), step.expectFieldFocused) << step.name;
    }

    // A request made while out of sight is honoured when the field shows.
    scene.field->hide();
    scene.update(false);
    scene.button->setFocus();
    scene.update(true);
    EXPECT_FALSE(scene.field->hasFocus());
    scene.field->show();
    EXPECT_TRUE(scene.field->hasFocus());
}

TEST(TransparentTaskTextField, ReportsKeystrokesSubmitsOnReturnAndLeavesAnEqualTextAlone)
{
    FieldScene scene;
    scene.update(true);
    ASSERT_TRUE(scene.field->hasFocus());

    QTest::keyClick(scene.field, Qt::Key_Return);
    EXPECT_EQ(scene.submits, 1);
    EXPECT_EQ(scene.field->text(), "");

    QTest::keyClicks(scene.field, "a&b <img src=x>");
    EXPECT_EQ(scene.draft, "a&b <img src=x>");
    QTest::keyClick(scene.field, Qt::Key_Enter);
    EXPECT_EQ(scene.submits, 2);
    EXPECT_EQ(scene.field->text(), "a&b <img src=x>");

    scene.field->setSelection(1, 2);
    scene.update(true);
    EXPECT_EQ(scene.field->selectionStart(), 1);
    EXPECT_EQ(scene.field->selectedText(), "&b");

    // Emptied from outside after a submission.
    scene.draft.clear();
    scene.update(true);
    EXPECT_EQ(scene.field->text(), "");
    EXPECT_EQ(scene.field->palette().color(QPalette::Base).alpha(), 0);
    EXPECT_EQ(scene.field->palette().color(QPalette::Highlight), QColor::fromRgbF(1, 1, 1, 0.12f));
}

TEST(TransparentTaskTextField, WhatTheSubmissionLeavesShowsBeforeTheNextKey)
{
    FieldScene scene;
    QStringList submitted;
    QStringList textSeenBySubmit;
    const auto update = [&](std::function<void()> alsoOnSubmit) {
        scene.field->setInputs({Binding<QString>::member(&scene, &FieldScene::draft), "Add a task", Qt::white,
                                Qt::gray, QFont(), true, [&, alsoOnSubmit] {
                                    // An owner that takes the draft and empties it.
                                    textSeenBySubmit << scene.field->text();
                                    if (!scene.draft.trimmed().isEmpty())
                                        submitted << std::exchange(scene.draft, QString());
                                    if (alsoOnSubmit)
                                        alsoOnSubmit();
                                }});
    };
    update({});
    ASSERT_TRUE(scene.field->hasFocus());

    QTest::keyClicks(scene.field, "a");
    QTest::keyClick(scene.field, Qt::Key_Return);
    EXPECT_EQ(scene.field->text(), "") << "emptied in the event that submitted it";
    EXPECT_EQ(textSeenBySubmit, QStringList{"a"}) << "Return never edits the text before the owner sees it";

    // A key that arrives while the submission is busy starts the next title.
    update([&] {
        QCoreApplication::postEvent(scene.field, new QKeyEvent(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c"));
    });
    QTest::keyClicks(scene.field, "b");
    QTest::keyClick(scene.field, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(scene.field->text(), "c");
    EXPECT_EQ(scene.draft, "c");
    update({});
    QTest::keyClick(scene.field, Qt::Key_Return);
    EXPECT_EQ(submitted, (QStringList{"a", "b", "c"}));

    // A blank draft stays as typed.
    QTest::keyClicks(scene.field, "  ");
    QTest::keyClick(scene.field, Qt::Key_Return);
    EXPECT_EQ(scene.field->text(), "  ");
    EXPECT_EQ(submitted.size(), 3);
}
