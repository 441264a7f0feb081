#include "Panel/TransparentTaskTextField.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextEdit>

TransparentTaskTextField::TransparentTaskTextField(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { m_inputs.text.setValue(text); });
}

void TransparentTaskTextField::setInputs(const Inputs& inputs)
{
    const bool newRequest = inputs.isFocused && (!m_hasInputs || !m_inputs.isFocused);
    m_inputs = inputs;
    m_hasInputs = true;

    showText();

    if (font() != m_inputs.font)
        setFont(m_inputs.font);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Window, Qt::transparent);
    colours.setColor(QPalette::Text, m_inputs.textColor);
    colours.setColor(QPalette::HighlightedText, m_inputs.textColor);
    colours.setColor(QPalette::Highlight, QColor::fromRgbF(1, 1, 1, 0.12f));
    colours.setColor(QPalette::PlaceholderText, m_inputs.placeholderColor);
    if (colours != palette())
        setPalette(colours);
    if (placeholderText() != m_inputs.placeholder)
        setPlaceholderText(m_inputs.placeholder);

    takeFocusIfWanted(newRequest);
}

void TransparentTaskTextField::showText()
{
    // An equal text is not written again, so the caret and selection stay put.
    const QString wanted = m_inputs.text.value();
    if (text() != wanted)
        setText(wanted);
}

bool TransparentTaskTextField::isTextEntry(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget)
           || qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

void TransparentTaskTextField::takeFocusIfWanted(bool newRequest)
{
    if (!m_inputs.isFocused || hasFocus() || !isVisible())
        return;
    const QWidget* current = QApplication::focusWidget();
    // A line edit inside a spin or date box is part of that box.
    if (current && current->parentWidget() && isTextEntry(current->parentWidget()))
        current = current->parentWidget();
    if (!newRequest && current && current != this && isTextEntry(current))
        return;
    setFocus(Qt::OtherFocusReason);
}

void TransparentTaskTextField::showEvent(QShowEvent* event)
{
    QLineEdit::showEvent(event);
    // A request made while out of sight is honoured once the field can hold the keyboard.
    takeFocusIfWanted(false);
}

void TransparentTaskTextField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The owner decides what a submission does to the text, and the field
        // shows it before the next key is read: keys queued while a task is
        // being added must start the next title, not join the one just sent.
        event->accept();
        if (m_inputs.onSubmit)
            m_inputs.onSubmit();
        showText();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TransparentTaskTextField::paintEvent(QPaintEvent* event)
{
    const QString current = text();
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this)
                           .marginsRemoved(textMargins())
                           .adjusted(2, 0, -2, 0);
    // While not being edited a long text ends in an ellipsis instead of scrolling.
    if (hasFocus() || current.isEmpty() || fontMetrics().horizontalAdvance(current) <= area.width()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    painter.drawText(area, int(Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextSingleLine,
                     fontMetrics().elidedText(current, Qt::ElideRight, area.width()));
}
