#pragma once

#include "Panel/TaskDragReorder.h"

#include <QObject>
#include <QPointF>

class QScrollArea;
class QTimer;
class QWidget;

// Drives a TaskDragReorder from the mouse events of a list's rows. While a
// drag runs, Escape anywhere in the application cancels it, and a pointer held
// near the list's top or bottom edge scrolls the list, the drag following the
// content that slides under the pointer.
class TaskDragSession final : public QObject {
public:
    TaskDragSession(QScrollArea& list, TaskDragReorder::Callbacks callbacks);
    ~TaskDragSession() override;

    void setEnabled(bool enabled) { m_drag.setEnabled(enabled); }
    bool isDragging() const { return m_drag.isDragging(); }
    // The rows changed under a pressed or running drag: it no longer applies.
    void cancelIfArmed();
    // A mouse event on row `index` (its widget lies in the list's content);
    // true when the drag took it.
    bool handleRowEvent(qsizetype index, const QWidget& row, QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void autoScrollTick();
    void end();

    QScrollArea& m_list;
    TaskDragReorder m_drag;
    QTimer* m_autoScroll;
    double m_pointerViewportY = 0;
    double m_lastAutoScrollTime = 0;
    QPointF m_pointerContentPos;
};
