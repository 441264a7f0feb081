#include "Sorting/TaskSortReasonPolicy.h"
#include "Support/QtTestPrinters.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* why;
    const char* title;
    TaskPriority priority;
    const char* expected;
};
constexpr TaskPriority low = TaskPriority::low, medium = TaskPriority::medium, high = TaskPriority::high;
} // namespace

TEST(TaskSortReasonPolicy, WordsSplitOnEverythingButLettersAndNumbers)
{
    EXPECT_EQ(TaskSortReasonPolicy::words(QStringLiteral("Pay the e-Bill, don't wait! 2x 🚀")),
              (QSet<QString>{"pay", "the", "e", "bill", "don", "t", "wait", "2x"}));
    // A decomposed accent stays inside its word; non-Latin letters are letters too.
    EXPECT_EQ(TaskSortReasonPolicy::words(QString::fromUtf8("cafe\u0301 Пятница")),
              (QSet<QString>{QString::fromUtf8("cafe\u0301"), QString::fromUtf8("пятница")}));
}

TEST(TaskSortReasonPolicy, ReasonsStandOnlyWhenTheTitleBacksThemUp)
{
    const Case cases[] = {
        // Blank or filler (compared as word sets): replaced.
        {" \n\t ", "Sort old photos", high, "Urgent task with real consequences"},
        {"Focus, NEEDS!", "Sort old photos", medium, "Important task with moderate urgency"},
        {"soon soon do should", "Sort old photos", low, "Lower urgency than current priorities"},
        {"  Important, and soon ", "Reply to the booking email", low, "Important, and soon"},
        // Claims the title does not support: replaced; work claims and other words stand.
        {"Just for fun", "Pay rent", low, "Financial deadline has consequences"},
        {"Deadline approaching", "Visit grandma", low, "Deadline approaching"},
        {"Deadline approaching", "Water plants", low, "Lower urgency than current priorities"},
        {"Mom is waiting", "Call the bank", low, "Financial task has real consequences"},
        {"Doctor said so", "Write report", medium, "Important work task"},
        {"Client project matters", "Water plants", low, "Client project matters"},
        {"Payments are funny", "Water plants", low, "Payments are funny"},
        // Without a reason, the fallback rules in order.
        {"", "Book dentist appointment", low, "Health appointment has scheduling urgency"},
        {"", "Pick up prescription and pay fee", low, "Health task has real importance"},
        {"", "Pay the rent", low, "Financial deadline has consequences"},
        {"", "Call mom", high, "Family commitment matters"},
        {"", "Drive the kids", low, "Relationship commitment matters"},
        {"", "Team meeting", low, "Time-sensitive task comes first"},
        {"", "Finish project", high, "Work obligation needs prompt attention"},
        {"", "Finish project", medium, "Important work task"},
        {"", "Finish project", low, "Lower urgency than current priorities"},
        {"", "Change wallpaper", high, "Lower urgency than current priorities"},
        {"", "Water plants", high, "Urgent task with real consequences"},
        {"", "Water plants", medium, "Important task with moderate urgency"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TaskSortReasonPolicy::resolveWhy(c.why, c.title, c.priority), c.expected) << c.why << " / " << c.title;
}
