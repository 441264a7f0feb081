#include "Platform/Text.h"
#include "UI/ToolTipText.h"

#include <QTextDocument>
#include <gtest/gtest.h>

namespace {
// What a tooltip label shows for the given tooltip text.
QString shownText(const QString& toolTip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(toolTip))
        document.setHtml(toolTip);
    else
        document.setPlainText(toolTip);
    return document.toPlainText();
}
} // namespace

TEST(ToolTipText, ShowsUserTextExactlyAsTyped)
{
    for (const QString& text : {QStringLiteral("R&D"), QStringLiteral("<b>x</b>"), QStringLiteral("a\nb"),
                               QStringLiteral("Sorting R&D…"), QStringLiteral("  two  spaces "),
                               QStringLiteral("&amp; stays &amp;")}) {
        EXPECT_EQ(shownText(plainTextToolTip(text)), text) << text.toStdString();
    }
    EXPECT_TRUE(plainTextToolTip(QString()).isEmpty());
}

TEST(ToolTipText, HugeTextIsCutToWhatCanBeShown)
{
    const QString huge(5'000'000, QLatin1Char('x'));
    const QString shown = shownText(plainTextToolTip(huge));
    EXPECT_LE(shown.size(), Text::displayPrefixLength + 1);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
}

TEST(DisplayPrefix, KeepsShortTextAndNeverSplitsASurrogatePair)
{
    EXPECT_EQ(Text::displayPrefix("abc", 3), "abc");
    EXPECT_EQ(Text::displayPrefix("abcd", 3), QStringLiteral("abc\u2026"));
    const QString emoji = QString::fromUtf8("ab\xF0\x9F\x98\x80z"); // a, b, one pair, z
    const QString cut = Text::displayPrefix(emoji, 3);
    EXPECT_EQ(cut, QStringLiteral("ab\u2026"));
    EXPECT_FALSE(cut.at(cut.size() - 2).isHighSurrogate());
}
