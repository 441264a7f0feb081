#pragma once

#include <QAbstractButton>
#include <QEnterEvent>

// A painted button that knows whether the pointer is over it and repaints
// when that changes.
class HoverButton : public QAbstractButton {
public:
    explicit HoverButton(QWidget* parent = nullptr) : QAbstractButton(parent)
    {
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::NoFocus);
    }

    bool isHovered() const { return m_hovered; }

protected:
    void enterEvent(QEnterEvent* event) override
    {
        m_hovered = true;
        update();
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        m_hovered = false;
        update();
        QAbstractButton::leaveEvent(event);
    }

private:
    bool m_hovered = false;
};
