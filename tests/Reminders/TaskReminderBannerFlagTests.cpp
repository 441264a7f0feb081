#include "Platform/Text.h"
#include "Reminders/TaskReminderBannerFlagView.h"

#include <gtest/gtest.h>

TEST(TaskReminderBannerFlagView, AHugeTitleIsMeasuredFromABoundedPrefix)
{
    const auto& configuration = NotchTemplateConfiguration::defaults();
    const auto side = TaskReminderBannerFlagView::AttachmentSide::trailing;
    const QString title(1 << 20, u'a');
    double reported = 0;
    TaskReminderBannerFlagView banner(configuration, title, side, [&](double width) { reported = width; }, true);
    const TaskReminderBannerFlagView prefix(configuration, Text::displayPrefix(title), side, {}, true);
    EXPECT_EQ(banner.clothWidth(), prefix.clothWidth());
    EXPECT_EQ(reported, prefix.clothWidth());
    EXPECT_EQ(banner.message(), title);
}
