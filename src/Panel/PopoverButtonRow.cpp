#include "Panel/PopoverButtonRow.h"

#include <QHBoxLayout>
#include <QToolButton>

PopoverButtonRow::PopoverButtonRow(const QFont& font, QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this)), m_font(font)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(12);
}

QAbstractButton* PopoverButtonRow::addButton(const QString& title, std::function<void()> action)
{
    // A tool button is as wide as its text; push buttons insist on a minimum width.
    auto* button = new QToolButton(this);
    button->setText(title);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    button->setAccessibleName(title);
    button->setCursor(Qt::ArrowCursor);
    button->setFont(m_font);
    connect(button, &QToolButton::clicked, this, [action = std::move(action)] {
        if (action)
            action();
    });
    m_layout->addWidget(button);
    return button;
}

void PopoverButtonRow::addStretch()
{
    m_layout->addStretch(1);
}
