#include "UI/WrappedText.h"

#include "Platform/Text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace {
// QTextLayout breaks lines only at the Unicode line separator.
QString withLineSeparators(QString text)
{
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    return text;
}

QString withoutTrailingSpaces(QString text)
{
    while (!text.isEmpty() && (text.back().isSpace() || text.back() == QChar::LineSeparator))
        text.chop(1);
    return text;
}
} // namespace

WrappedText WrappedText::layout(const QString& source, const QFont& font, double width, int maxLines)
{
    // No line shows a thousand characters, so more than that a line is never measured.
    const qsizetype bound = Text::displayPrefixLength * std::max(maxLines, 1);
    const bool bounded = maxLines > 0 && source.size() > bound;
    const QString text = withLineSeparators(bounded ? Text::displayPrefix(source, bound) : source);
    const QFontMetricsF metrics(font);
    WrappedText result;
    result.measuredLength = text.size();
    result.isElided = bounded;

    // Most texts fit on one line; that costs one measurement.
    if (!text.contains(QChar::LineSeparator)) {
        const QString line = withoutTrailingSpaces(text);
        const double advance = metrics.horizontalAdvance(line);
        if (advance <= width) {
            result.lines.append({line, advance});
            return result;
        }
    }

    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (maxLines <= 0 || result.lines.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const bool last = result.lines.size() == maxLines - 1;
        if (last && line.textStart() + line.textLength() < text.size()) {
            // The rest of the text ends this line, cut with an ellipsis.
            QString rest = text.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            const QString elided = metrics.elidedText(rest, Qt::ElideRight, width);
            result.lines.append({elided, std::min(width, metrics.horizontalAdvance(elided))});
            result.isElided = result.isElided || elided != rest;
            break;
        }
        result.lines.append({withoutTrailingSpaces(text.mid(line.textStart(), line.textLength())),
                             std::min(width, double(line.naturalTextWidth()))});
    }
    layout.endLayout();
    if (result.lines.isEmpty())
        result.lines.append({QString(), 0});
    return result;
}

void WrappedText::draw(QPainter& painter, const QFont& font, const QPointF& topLeft, double lineAdvance) const
{
    painter.setFont(font);
    const double ascent = QFontMetricsF(font).ascent();
    double y = topLeft.y();
    for (const Line& line : lines) {
        painter.drawText(QPointF(topLeft.x(), y + ascent), line.text);
        y += lineAdvance;
    }
}
