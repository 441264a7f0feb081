#include "Panel/TaskDragReorder.h"

#include <QLineF>
#include <algorithm>

TaskDragReorder::TaskDragReorder(Callbacks callbacks, double dragDistance)
    : m_callbacks(std::move(callbacks)), m_dragDistance(dragDistance)
{
}

void TaskDragReorder::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        cancel();
}

void TaskDragReorder::press(qsizetype row, QPointF contentPos)
{
    cancel();
    if (!m_enabled || row < 0)
        return;
    m_source = row;
    m_pressPos = contentPos;
}

bool TaskDragReorder::move(QPointF contentPos)
{
    if (!m_source)
        return false;
    if (!m_dragging) {
        if (QLineF(m_pressPos, contentPos).length() < m_dragDistance)
            return false;
        m_dragging = true;
    }
    const QList<QRectF> rows = m_callbacks.rowFrames ? m_callbacks.rowFrames() : QList<QRectF>();
    if (*m_source >= rows.size()) {
        // The row went away under the pointer (the list changed): nothing to move.
        cancel();
        return true;
    }
    setDestination(insertionIndex(rows, contentPos.y()));
    return true;
}

bool TaskDragReorder::release()
{
    const bool wasDragging = m_dragging;
    const std::optional<qsizetype> source = m_source;
    const std::optional<qsizetype> destination = m_destination;
    cancel();
    // Dropping a row on either side of itself moves nothing.
    if (wasDragging && source && destination && *destination != *source && *destination != *source + 1
        && m_callbacks.onMoveTasks)
        m_callbacks.onMoveTasks({*source}, *destination);
    return wasDragging;
}

void TaskDragReorder::cancel()
{
    m_source.reset();
    m_dragging = false;
    setDestination(std::nullopt);
}

void TaskDragReorder::setDestination(std::optional<qsizetype> destination)
{
    if (destination == m_destination)
        return;
    m_destination = destination;
    if (!m_callbacks.onIndicatorChanged)
        return;
    if (!destination) {
        m_callbacks.onIndicatorChanged(std::nullopt);
        return;
    }
    const QList<QRectF> rows = m_callbacks.rowFrames ? m_callbacks.rowFrames() : QList<QRectF>();
    m_callbacks.onIndicatorChanged(indicatorY(rows, *destination));
}

qsizetype TaskDragReorder::insertionIndex(const QList<QRectF>& rows, double y)
{
    // Rows are sorted top to bottom, so their middles are too.
    const auto above = std::partition_point(rows.cbegin(), rows.cend(),
                                            [y](const QRectF& row) { return row.center().y() < y; });
    return above - rows.cbegin();
}

double TaskDragReorder::indicatorY(const QList<QRectF>& rows, qsizetype index)
{
    if (rows.isEmpty())
        return 0;
    if (index <= 0)
        return rows.first().top();
    if (index >= rows.size())
        return rows.last().bottom();
    return (rows.at(index - 1).bottom() + rows.at(index).top()) / 2;
}

double TaskDragReorder::autoScrollSpeed(double viewportY, double viewportHeight, double edgeZone, double maximumSpeed)
{
    if (!(viewportHeight > 0) || !(edgeZone > 0))
        return 0;
    const double zone = std::min(edgeZone, viewportHeight / 2);
    if (viewportY < zone)
        return -maximumSpeed * std::min(1.0, (zone - viewportY) / zone);
    if (viewportY > viewportHeight - zone)
        return maximumSpeed * std::min(1.0, (viewportY - (viewportHeight - zone)) / zone);
    return 0;
}
