#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// The symbols the views name, drawn from our own paths on a 24-unit grid and
// scaled into the largest centred square of the target rectangle. The weight
// sets the stroke width the way a font weight would. An unknown name draws
// nothing.
//
// Names: "checkmark", "checkmark.circle", "circle", "plus", "xmark",
// "chevron.left", "chevron.right", "ellipsis", "ellipsis.circle", "timer",
// "timer.slash", "clock", "airplane", "trash", "pencil", "sparkle", "sparkles",
// "sparkle.magnifyingglass", "gearshape", "info.circle", "square.grid.2x2",
// "desktopcomputer", "paintpalette", "photo", "briefcase", "person", "house",
// "heart", "folder".
class SymbolPainter {
public:
    static QStringList supportedNames();
    static bool isSupported(const QString& name);

    static void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                      QFont::Weight weight = QFont::Normal);

    // A square image of side `side` logical pixels at the given device pixel ratio.
    static QPixmap pixmap(const QString& name, int side, const QColor& color, QFont::Weight weight = QFont::Normal,
                          qreal devicePixelRatio = 1);
    static QIcon icon(const QString& name, int side, const QColor& color, QFont::Weight weight = QFont::Normal);
};
