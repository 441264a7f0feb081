#pragma once

#include "Workspace/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"
#include "Workspace/NotchTaskViewModel.h"

// The two view models every notch view works on, over in-memory stores and fakes.
struct ViewModelsFixture {
    // The view model loads `stored` when given, as at start.
    explicit ViewModelsFixture(std::optional<TaskWorkspaceState> stored = std::nullopt) : taskStore(std::move(stored)) {}

    MemoryUserDefaults defaults;
    InMemoryTaskStore taskStore;
    FakeTaskSortingService sorting;
    ManualClock clock;
    NotchTaskViewModel viewModel{taskStore, sorting, clock};
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter router;
    AppSessionViewModel session{preferencesStore, router};
};
