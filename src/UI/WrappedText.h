#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QPainter;
class QPointF;

// Text wrapped into a width: at word boundaries, anywhere inside a word longer
// than a line, and at every line break of the text; at most a number of lines,
// the last one ending in an ellipsis when text is left over.
struct WrappedText {
    struct Line {
        QString text; // without the spaces it ends with
        double width = 0; // as drawn, at most the width laid out in
    };
    QList<Line> lines; // at least one, empty for an empty text
    bool isElided = false;
    // How much of the text was measured. With a line limit that is a bounded
    // prefix, so a title of megabytes costs what one filling the lines does.
    qsizetype measuredLength = 0;

    // maxLines 0 lays out the whole text, however long.
    static WrappedText layout(const QString& text, const QFont& font, double width, int maxLines);

    // Draws the lines in the painter's pen, the first one's top at topLeft,
    // each lineAdvance below the one before.
    void draw(QPainter& painter, const QFont& font, const QPointF& topLeft, double lineAdvance) const;
};
