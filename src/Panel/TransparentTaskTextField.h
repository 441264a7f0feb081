#pragma once

#include "UI/Binding.h"

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <functional>

// The composer's single-line field: no background, frame or focus ring of its
// own, plain text, Return submits. Every keystroke is written to `text`, and
// what the submission left in `text` shows at once.
//
// Focus: while `isFocused` is true an update takes the focus back, but only on
// a new request (isFocused turned true) or when the focus is not in another
// text field, so typing elsewhere in the panel is never pulled into the
// composer. The field never gives focus away by itself.
class TransparentTaskTextField : public QLineEdit {
    Q_OBJECT
public:
    struct Inputs {
        Binding<QString> text;
        QString placeholder;
        QColor textColor = Qt::white;
        QColor placeholderColor = Qt::gray;
        QFont font;
        bool isFocused = false;
        std::function<void()> onSubmit;
    };

    explicit TransparentTaskTextField(QWidget* parent = nullptr);

    void setInputs(const Inputs& inputs);

    // True for widgets that take typed text (line and text edits, spin and date boxes).
    static bool isTextEntry(const QWidget* widget);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showText();
    void takeFocusIfWanted(bool newRequest);

    Inputs m_inputs;
    bool m_hasInputs = false;
};
