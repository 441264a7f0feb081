#pragma once

#include <QAccessible>
#include <optional>
#include <QRect>
#include <QString>

class QWidget;

// An item a widget paints itself (a history row, a day header, a picker
// segment), as a screen reader should find it.
struct PaintedItem {
    QAccessible::Role role = QAccessible::StaticText;
    QString name;
    QString description;
    // In the widget's coordinates.
    QRect rect;
    std::optional<bool> checked;
};

// A widget that paints items of its own instead of holding child widgets.
class PaintedItemsSource {
public:
    virtual ~PaintedItemsSource() = default;
    virtual int paintedItemCount() const = 0;
    virtual PaintedItem paintedItem(int index) const = 0;

    // Makes screen readers see the painted items of every PaintedItemsSource
    // widget as its accessible children; call from such a widget's constructor.
    static void exposeToScreenReaders();
};
