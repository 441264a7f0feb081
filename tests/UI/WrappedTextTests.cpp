#include "Platform/Text.h"
#include "UI/WrappedText.h"

#include <QFontMetricsF>
#include <QStringList>
#include <gtest/gtest.h>

namespace {
const QChar kEllipsis(0x2026);

QStringList lineTexts(const WrappedText& wrapped)
{
    QStringList texts;
    for (const WrappedText::Line& line : wrapped.lines)
        texts << line.text;
    return texts;
}
} // namespace

TEST(WrappedText, WrapsIntoItsLinesAndElidesOnlyWhatIsLeftOver)
{
    const QFont font;
    const QFontMetricsF metrics(font);
    // Room for about twelve average characters a line.
    const double width = metrics.horizontalAdvance(QStringLiteral("abcdefghijkl"));
    const QString words = QStringLiteral("one two three four five six seven eight nine ten eleven twelve");
    struct Case {
        const char* name;
        QString text;
        int maxLines;
        qsizetype lines;
        bool elided;
    };
    const Case cases[] = {
        {"fits one line", QStringLiteral("one two"), 2, 1, false},
        {"cut after two lines", words, 2, 2, true},
        {"cut after one line", words, 1, 1, true},
        {"no limit", words, 0, -1, false},
        {"a word longer than a line breaks inside", QString(60, u'w'), 2, 2, true},
        {"line breaks end lines", QStringLiteral("one\ntwo"), 3, 2, false},
        {"Windows line breaks too", QStringLiteral("one\r\ntwo\rthree"), 3, 3, false},
        {"a line break on the last line", QStringLiteral("one\ntwo"), 1, 1, false},
        {"empty", QString(), 2, 1, false},
    };
    for (const Case& c : cases) {
        const WrappedText wrapped = WrappedText::layout(c.text, font, width, c.maxLines);
        const QStringList texts = lineTexts(wrapped);
        SCOPED_TRACE(c.name);
        if (c.lines >= 0)
            EXPECT_EQ(texts.size(), c.lines) << texts.join(u'|').toStdString();
        else
            EXPECT_GT(texts.size(), 3);
        EXPECT_EQ(wrapped.isElided, c.elided);
        EXPECT_EQ(texts.last().endsWith(kEllipsis), c.elided) << texts.last().toStdString();
        for (qsizetype i = 0; i + 1 < texts.size(); ++i)
            EXPECT_FALSE(texts.at(i).endsWith(kEllipsis)) << i;
        for (const WrappedText::Line& line : wrapped.lines) {
            EXPECT_LE(line.width, width + 0.01) << line.text.toStdString();
            EXPECT_FALSE(line.text.endsWith(u' ') || line.text.contains(QChar::LineSeparator))
                << line.text.toStdString();
        }
    }
    // Nothing is lost between the lines of an uncut text.
    EXPECT_EQ(lineTexts(WrappedText::layout(words, font, width, 0)).join(u' '), words);
    // A line break left on the last line reads as a space.
    EXPECT_EQ(lineTexts(WrappedText::layout(QStringLiteral("one\ntwo"), font, 1e6, 1)),
              QStringList{QStringLiteral("one two")});
}

TEST(WrappedText, LimitedLinesMeasureOnlyABoundedPrefix)
{
    const QFont font;
    const qsizetype bound = 2 * Text::displayPrefixLength + 1;
    QString spaced;
    while (spaced.size() < 1 << 20)
        spaced += QStringLiteral("plan the garden ");
    for (const QString& text : {QString(1 << 20, u'a'), spaced}) {
        const WrappedText wrapped = WrappedText::layout(text, font, 300, 2);
        EXPECT_LE(wrapped.measuredLength, bound);
        EXPECT_EQ(wrapped.lines.size(), 2);
        EXPECT_TRUE(wrapped.isElided);
        EXPECT_TRUE(wrapped.lines.last().text.endsWith(kEllipsis));
        // So wide that the whole prefix fits: the cut still shows.
        const WrappedText wide = WrappedText::layout(text, font, 1e9, 1);
        EXPECT_LE(wide.measuredLength, Text::displayPrefixLength + 1);
        EXPECT_TRUE(wide.isElided);
        EXPECT_TRUE(wide.lines.last().text.endsWith(kEllipsis));
    }
    // Without a line limit the whole text is laid out.
    const QString body = spaced.left(3 * Text::displayPrefixLength);
    EXPECT_EQ(WrappedText::layout(body, font, 300, 0).measuredLength, body.size());
}
