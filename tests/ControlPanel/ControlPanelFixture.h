#pragma once

#include "Workspace/AppSessionViewModel.h"
#include "Platform/InfoDictionary.h"
#include "App/LiveAppSupportRouter.h"
#include "Platform/SystemSettingsRouting.h"
#include "ControlPanel/ControlPanelViewModel.h"
#include "Model/TaskWorkspaceState.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Platform/LocalCalendar.h"
#include "Support/FakeTaskSortingService.h"
#include "Support/InMemoryTaskStore.h"
#include "Support/ManualClock.h"
#include "Support/MemoryUserDefaults.h"
#include "Support/QtTestPrinters.h"
#include "Workspace/NotchTaskViewModel.h"

#include <QTimeZone>
#include <memory>

struct CountingSettingsRouter final : SystemSettingsRouting {
    void openAppleIntelligenceSettings() override { ++openCount; }
    int openCount = 0;
};

// A wall-clock time in a zone, computed by Qt so that the calendar under test is
// checked against a second opinion.
inline Date localDate(const char* zone, int year, int month, int day, int hour = 0, int minute = 0)
{
    return Date::fromDateTime(QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone(zone)));
}

inline TaskItem completedTask(const QString& title, Date completedAt, const QString& sectionID = QStringLiteral("section.work"))
{
    TaskItem task;
    task.id = QUuid::createUuidV5(QUuid(), title);
    task.title = title;
    task.sectionID = sectionID;
    task.createdAt = completedAt.addingSeconds(-3600);
    task.isCompleted = true;
    task.completedAt = completedAt;
    return task;
}

// The control panel's view model over in-memory stores, a fixed clock and one zone, en_US.
struct ControlPanelFixture {
    ControlPanelFixture(const char* zone, Date now, TaskList tasks = {})
        : calendar(QString::fromLatin1(zone), QStringLiteral("en_US")), clock(now)
    {
        TaskWorkspaceState state = TaskWorkspaceState::defaultState();
        state.tasks = std::move(tasks);
        taskStore.stored = state;
        taskViewModel = std::make_unique<NotchTaskViewModel>(taskStore, sorting, clock);
        session = std::make_unique<AppSessionViewModel>(preferencesStore, appSupportRouter);
        viewModel = std::make_unique<ControlPanelViewModel>(
            *taskViewModel, *session,
            ControlPanelViewModel::Environment{clock, calendar, router, infoDictionary, nullptr, nullptr});
    }

    LocalCalendar calendar;
    ManualClock clock;
    MemoryUserDefaults defaults;
    InMemoryTaskStore taskStore;
    FakeTaskSortingService sorting;
    UserDefaultsAppPreferencesStore preferencesStore{defaults, QStringLiteral("quaver-loom.preferences")};
    LiveAppSupportRouter appSupportRouter;
    CountingSettingsRouter router;
    InfoDictionary infoDictionary;
    std::unique_ptr<NotchTaskViewModel> taskViewModel;
    std::unique_ptr<AppSessionViewModel> session;
    std::unique_ptr<ControlPanelViewModel> viewModel;
};

// ICU puts narrow or non-breaking spaces before "PM"; compare them as spaces.
inline QString spaced(QString text)
{
    return text.replace(QChar(0x202F), u' ').replace(QChar(0x00A0), u' ');
}
