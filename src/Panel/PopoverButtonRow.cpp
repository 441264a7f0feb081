#include "Panel/PopoverButtonRow.h"

#include <QHBoxLayout>
#include <QPushButton>

PopoverButtonRow::PopoverButtonRow(const QFont& font, QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this)), m_font(font)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(12);
}

QPushButton* PopoverButtonRow::addButton(const QString& title, std::function<void()> action)
{
    auto* button = new QPushButton(title, this);
    button->setFlat(true);
    button->setAccessibleName(title);
    button->setCursor(Qt::ArrowCursor);
    button->setFont(m_font);
    connect(button, &QPushButton::clicked, this, [action = std::move(action)] {
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
