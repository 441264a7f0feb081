#pragma once

#include "App/AppUpdateManaging.h"
#include "Platform/InfoDictionary.h"

#include <memory>

class UpdateResultPresenting;

// Chooses the update manager once at launch from the information values.
class AppUpdateManagerFactory {
public:
    // A value counts only when it is a string that is not blank after trimming
    // white space and line breaks.
    static bool isPresent(const std::optional<QString>& value);
    // Both "SUFeedURL" and "SUPublicEDKey" present; the key is read only when the feed is.
    static bool isUpdaterConfigured(const InfoDictionary& info);
    // "CFBundleShortVersionString", "1.0.0" when it is missing.
    static QString currentVersion(const InfoDictionary& info);

    static std::unique_ptr<AppUpdateManaging> make(const InfoDictionary& info, UpdateResultPresenting& presenter,
                                                   QObject* parent = nullptr);
};
