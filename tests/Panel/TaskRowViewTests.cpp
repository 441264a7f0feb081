#include "Panel/TaskRowView.h"
#include "Platform/Text.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

namespace {
const QChar kEllipsis(0x2026);

TaskRowView::Inputs rowInputs(const QString& title)
{
    TaskRowView::Inputs inputs;
    inputs.style = TaskRowView::makeStyle(NotchTemplateConfiguration::defaults());
    inputs.task.id = QUuid::createUuid();
    inputs.task.title = title;
    inputs.task.sectionID = QStringLiteral("section.work");
    return inputs;
}

QString lastTitleLine(TaskRowView& row)
{
    return row.titleLayout().lines.last().text;
}
} // namespace

TEST(TaskRowView, OnlyACutTitleEndsItsLastLineWithAnEllipsis)
{
    TaskRowView row;
    row.resize(500, 80);
    const int lineLimit = NotchTemplateConfiguration::defaults().layout.taskTitleLineLimit;

    row.setInputs(rowInputs(QStringLiteral("Short")));
    EXPECT_EQ(row.titleLayout().lines.size(), 1);
    EXPECT_EQ(lastTitleLine(row), QStringLiteral("Short"));

    const QString longTitle = QStringLiteral("A very long title that keeps going ").repeated(12);
    row.setInputs(rowInputs(longTitle));
    EXPECT_EQ(row.titleLayout().lines.size(), lineLimit);
    EXPECT_TRUE(lastTitleLine(row).endsWith(kEllipsis)) << lastTitleLine(row).toStdString();
    // Laid out again when the row narrows: still cut, still marked.
    row.resize(260, 80);
    EXPECT_EQ(row.titleLayout().lines.size(), lineLimit);
    EXPECT_TRUE(lastTitleLine(row).endsWith(kEllipsis)) << lastTitleLine(row).toStdString();

    // Two lines that hold the whole title are not marked as cut.
    row.resize(500, 80);
    row.setInputs(rowInputs(QStringLiteral("Water the plants on the balcony and then call the landlord about "
                                           "the broken window")));
    ASSERT_EQ(row.titleLayout().lines.size(), 2);
    EXPECT_FALSE(lastTitleLine(row).endsWith(kEllipsis)) << lastTitleLine(row).toStdString();
}

TEST(TaskRowView, AHugeTitleIsShownFromABoundedPrefixAndKeptWhole)
{
    QString spaced;
    while (spaced.size() < 1 << 20)
        spaced += QStringLiteral("plan the garden ");
    const int lineLimit = NotchTemplateConfiguration::defaults().layout.taskTitleLineLimit;
    for (const QString& title : {QString(1 << 20, u'a'), spaced}) {
        const TaskRowView::Inputs inputs = rowInputs(title);
        TaskRowView row;
        row.resize(500, 80);
        row.setInputs(inputs);
        row.grab(); // paints
        const WrappedText& shown = row.titleLayout();
        EXPECT_LE(shown.measuredLength, lineLimit * Text::displayPrefixLength + 1);
        EXPECT_EQ(shown.lines.size(), lineLimit);
        EXPECT_TRUE(shown.lines.last().text.endsWith(kEllipsis));
        // Everything else that carries the title carries a prefix of it.
        EXPECT_LE(row.accessibleName().size(), Text::displayPrefixLength + 1);
        EXPECT_TRUE(title.startsWith(row.accessibleName().chopped(1)));
        EXPECT_LE(row.toolTip().size(), 2 * Text::displayPrefixLength);
        for (const QAbstractButton* button : row.findChildren<QAbstractButton*>())
            EXPECT_LE(button->accessibleDescription().size(), Text::displayPrefixLength + 1);
        const QString longTitle = QStringLiteral("A long title that goes on ").repeated(20);
        EXPECT_EQ(TaskRowView::preferredHeight(inputs, 500), TaskRowView::preferredHeight(rowInputs(longTitle), 500));
        // The task itself keeps every character.
        EXPECT_EQ(row.inputs().task.title, title);
    }
}
