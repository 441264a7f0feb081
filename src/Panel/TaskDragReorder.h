#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <functional>
#include <optional>

// Drag reordering of list rows by our own mouse tracking (no drag-and-drop
// session): a press on a row arms it, a move beyond the drag distance starts
// the drag, the insertion point follows the pointer, a release reports the move
// as (source offsets, destination offset) in the rows' indexing before the
// move, Escape cancels. The composer row is not a row here and never a source.
class TaskDragReorder {
public:
    struct Callbacks {
        // The rows' frames in content coordinates, top to bottom.
        std::function<QList<QRectF>()> rowFrames;
        std::function<void(const QSet<qsizetype>& offsets, qsizetype destination)> onMoveTasks;
        // Where the insertion line is (content y), or none.
        std::function<void(std::optional<double> y)> onIndicatorChanged;
    };

    explicit TaskDragReorder(Callbacks callbacks, double dragDistance = 6);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    // A press on row `row` at `contentPos`; ignored while disabled.
    void press(qsizetype row, QPointF contentPos);
    // Returns true while a drag is running (the move is consumed).
    bool move(QPointF contentPos);
    // Ends the gesture; returns true when it was a drag (the release is consumed).
    bool release();
    void cancel();

    bool isArmed() const { return m_source.has_value(); }
    bool isDragging() const { return m_dragging; }
    std::optional<qsizetype> destination() const { return m_destination; }

    // Index before which a row dropped at content y goes: the number of rows
    // whose middle lies above y.
    static qsizetype insertionIndex(const QList<QRectF>& rows, double y);
    // Content y of the line drawn for an insertion index: half way between rows.
    static double indicatorY(const QList<QRectF>& rows, qsizetype index);
    // Auto-scroll speed in points per second for a pointer at viewport y: zero
    // in the middle, growing towards either edge zone, negative near the top.
    static double autoScrollSpeed(double viewportY, double viewportHeight, double edgeZone = 28,
                                  double maximumSpeed = 720);

private:
    void setDestination(std::optional<qsizetype> destination);

    Callbacks m_callbacks;
    double m_dragDistance;
    bool m_enabled = true;
    std::optional<qsizetype> m_source;
    QPointF m_pressPos;
    bool m_dragging = false;
    std::optional<qsizetype> m_destination;
};
