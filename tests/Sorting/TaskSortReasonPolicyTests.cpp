#include "Sorting/TaskSortReasonPolicy.h"

#include <gtest/gtest.h>

namespace {
QString resolve(const char* why, const char* title, TaskPriority priority = TaskPriority::low)
{
    return TaskSortReasonPolicy::resolveWhy(QString::fromUtf8(why), QString::fromUtf8(title), priority);
}
} // namespace

TEST(TaskSortReasonPolicy, WordsSplitOnEverythingButLettersAndNumbers)
{
    EXPECT_EQ(TaskSortReasonPolicy::words(QStringLiteral("Pay the e-Bill, don't wait! 2x 🚀")),
              (QSet<QString>{"pay", "the", "e", "bill", "don", "t", "wait", "2x"}));
    EXPECT_TRUE(TaskSortReasonPolicy::words(QStringLiteral("  -- ")).isEmpty());
    // A decomposed accent stays inside its word; non-Latin letters are letters too.
    EXPECT_EQ(TaskSortReasonPolicy::words(QString::fromUtf8("cafe\u0301 Пятница")),
              (QSet<QString>{QString::fromUtf8("cafe\u0301"), QString::fromUtf8("пятница")}));
}

TEST(TaskSortReasonPolicy, BlankAndFillerReasonsAreReplaced)
{
    EXPECT_EQ(resolve("", "Sort old photos"), "Lower urgency than current priorities");
    EXPECT_EQ(resolve(" \n\t ", "Sort old photos", TaskPriority::high), "Urgent task with real consequences");
    EXPECT_EQ(resolve("soon", "Sort old photos", TaskPriority::medium), "Important task with moderate urgency");
    EXPECT_EQ(resolve("Focus, NEEDS!", "Sort old photos", TaskPriority::medium),
              "Important task with moderate urgency");
    EXPECT_EQ(resolve("soon soon do should", "Sort old photos"), "Lower urgency than current priorities");
    EXPECT_EQ(resolve("Priority: high.", "Sort old photos", TaskPriority::high), "Urgent task with real consequences");
    // Not a filler phrase's exact word set, and the title has nothing to contradict.
    EXPECT_EQ(resolve("  Important, and soon ", "Reply to the booking email"), "Important, and soon");
    EXPECT_EQ(resolve("important task today", "Sort old photos"), "Lower urgency than current priorities");
}

TEST(TaskSortReasonPolicy, UnfoundedClaimsAreReplaced)
{
    EXPECT_EQ(resolve("Just for fun", "Pay rent"), "Financial deadline has consequences");
    EXPECT_EQ(resolve("Payment due", "Pay electricity bill"), "Financial deadline has consequences");
    EXPECT_EQ(resolve("Deadline approaching", "Book dentist"), "Deadline approaching");
    EXPECT_EQ(resolve("Deadline approaching", "Visit grandma"), "Deadline approaching");
    EXPECT_EQ(resolve("Deadline approaching", "Water plants"), "Lower urgency than current priorities");
    EXPECT_EQ(resolve("Mom is waiting", "Call the bank"), "Financial task has real consequences");
    EXPECT_EQ(resolve("Doctor said so", "Write report", TaskPriority::medium), "Important work task");
    // Work claims never cause a replacement.
    EXPECT_EQ(resolve("Client project matters", "Water plants"), "Client project matters");
    // Whole words only: "payments" and "funny" are not keywords.
    EXPECT_EQ(resolve("Payments are funny", "Water plants"), "Payments are funny");
    EXPECT_EQ(resolve("Health first", "HEALTH insurance form"), "Health first");
}

TEST(TaskSortReasonPolicy, FallbackRulesInOrder)
{
    const auto fallback = [](const char* title, TaskPriority priority = TaskPriority::low) {
        return TaskSortReasonPolicy::fallbackWhy(QString::fromUtf8(title), priority);
    };
    EXPECT_EQ(fallback("Book dentist appointment"), "Health appointment has scheduling urgency");
    EXPECT_EQ(fallback("Pick up prescription and pay fee"), "Health task has real importance");
    EXPECT_EQ(fallback("Pay the rent"), "Financial deadline has consequences");
    EXPECT_EQ(fallback("Call bank about loan"), "Financial task has real consequences");
    EXPECT_EQ(fallback("Call mom", TaskPriority::high), "Family commitment matters");
    EXPECT_EQ(fallback("Drive the kids"), "Relationship commitment matters");
    EXPECT_EQ(fallback("Reply today"), "Time-sensitive task comes first");
    EXPECT_EQ(fallback("Team meeting"), "Time-sensitive task comes first");
    EXPECT_EQ(fallback("Finish project", TaskPriority::high), "Work obligation needs prompt attention");
    EXPECT_EQ(fallback("Finish project", TaskPriority::medium), "Important work task");
    EXPECT_EQ(fallback("Finish project", TaskPriority::low), "Lower urgency than current priorities");
    EXPECT_EQ(fallback("Change wallpaper", TaskPriority::high), "Lower urgency than current priorities");
    EXPECT_EQ(fallback("Water plants", TaskPriority::high), "Urgent task with real consequences");
    EXPECT_EQ(fallback("Water plants", TaskPriority::medium), "Important task with moderate urgency");
    EXPECT_EQ(fallback("Water plants", TaskPriority::low), "Lower urgency than current priorities");
}
