#pragma once

#include "Platform/Date.h"

#include <QList>
#include <QString>
#include <optional>

struct ProductInsights {
    // One day of the completion chart, identified by the start of its day.
    struct DailyCompletionPoint {
        Date date;
        qint64 completedCount = 0;

        Date id() const { return date; }
        friend bool operator==(const DailyCompletionPoint&, const DailyCompletionPoint&) = default;
    };

    qint64 activeTaskCount = 0;
    qint64 completedTaskCount = 0;
    qint64 completedThisWeekCount = 0;
    std::optional<QString> busiestSectionTitle;
    QList<DailyCompletionPoint> dailyCompletions;

    friend bool operator==(const ProductInsights&, const ProductInsights&) = default;
};
