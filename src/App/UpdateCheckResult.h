#pragma once

#include <QString>

struct UpdateCheckResult {
    enum class Outcome { UpdateAvailable, UpToDate, Failed };

    Outcome outcome = Outcome::Failed;
    QString currentVersion;
    QString latestVersion;      // UpdateAvailable and UpToDate
    QString failureDescription; // Failed

    friend bool operator==(const UpdateCheckResult&, const UpdateCheckResult&) = default;
};
