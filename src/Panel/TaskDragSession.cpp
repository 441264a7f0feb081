#include "Panel/TaskDragSession.h"

#include "UI/Motion.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

TaskDragSession::TaskDragSession(QScrollArea& list, TaskDragReorder::Callbacks callbacks)
    : m_list(list), m_drag(std::move(callbacks)), m_autoScroll(new QTimer(this))
{
    m_autoScroll->setInterval(16);
    connect(m_autoScroll, &QTimer::timeout, this, [this] { autoScrollTick(); });
}

TaskDragSession::~TaskDragSession()
{
    end();
}

void TaskDragSession::cancelIfArmed()
{
    if (!m_drag.isArmed())
        return;
    m_drag.cancel();
    end();
}

bool TaskDragSession::handleRowEvent(qsizetype index, const QWidget& row, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            m_drag.press(index, row.mapTo(m_list.widget(), mouse->position()));
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton))
            return false;
        m_pointerContentPos = row.mapTo(m_list.widget(), mouse->position());
        m_pointerViewportY = row.mapTo(m_list.viewport(), mouse->position()).y();
        const bool wasDragging = m_drag.isDragging();
        if (!m_drag.move(m_pointerContentPos))
            return false;
        if (!wasDragging && m_drag.isDragging()) {
            // Sees every key press of the application, wherever the keyboard focus is.
            qApp->installEventFilter(this);
            m_lastAutoScrollTime = Motion::animationClock();
            m_autoScroll->start();
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const bool dragged = m_drag.release();
        end();
        return dragged;
    }
    default:
        return false;
    }
}

bool TaskDragSession::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && m_drag.isDragging()) {
        m_drag.cancel();
        end();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TaskDragSession::autoScrollTick()
{
    if (!m_drag.isDragging()) {
        end();
        return;
    }
    const double now = Motion::animationClock();
    const double dt = std::clamp(now - m_lastAutoScrollTime, 0.0, 0.1);
    m_lastAutoScrollTime = now;
    const double speed = TaskDragReorder::autoScrollSpeed(m_pointerViewportY, m_list.viewport()->height());
    if (speed == 0)
        return;
    QScrollBar* bar = m_list.verticalScrollBar();
    const int before = bar->value();
    bar->setValue(before + int(std::lround(speed * dt)));
    const int moved = bar->value() - before;
    if (moved == 0)
        return;
    // The pointer stays put in the viewport while the content slides under it.
    m_pointerContentPos.ry() += moved;
    m_drag.move(m_pointerContentPos);
}

void TaskDragSession::end()
{
    m_autoScroll->stop();
    if (qApp)
        qApp->removeEventFilter(this);
}
