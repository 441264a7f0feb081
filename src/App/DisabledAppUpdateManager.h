#pragma once

#include "App/AppUpdateManaging.h"

// For builds without an update feed: the command stays disabled for good.
class DisabledAppUpdateManager final : public AppUpdateManaging {
    Q_OBJECT
public:
    using AppUpdateManaging::AppUpdateManaging;

    bool canCheckForUpdates() const override { return false; }
    void checkForUpdates() override {}
};
