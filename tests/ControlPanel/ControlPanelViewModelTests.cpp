#include "ControlPanelFixture.h"

#include "Platform/XdgAutostartLoginItem.h"
#include "Support/LogCapture.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
using Range = ControlPanelViewModel::CompletionChartRange;
const char* const newYork = "America/New_York";
const char* const berlin = "Europe/Berlin";

QStringList sectionTitles(const QList<ControlPanelViewModel::CompletedSection>& sections)
{
    QStringList titles;
    for (const auto& section : sections)
        titles.append(section.title);
    return titles;
}

QStringList labels(const ControlPanelViewModel::CompletedSection& section)
{
    QStringList result;
    for (const auto& item : section.items)
        result.append(spaced(item.title + QStringLiteral(" | ") + item.completedLabel));
    return result;
}

QList<qint64> counts(const QList<ProductInsights::DailyCompletionPoint>& points)
{
    QList<qint64> result;
    for (const auto& point : points)
        result.append(point.completedCount);
    return result;
}
} // namespace

TEST(ControlPanelViewModel, EmptyHistoryHasNoSectionsAndZeroPointsForEveryRange)
{
    ControlPanelFixture fixture(newYork, localDate(newYork, 2026, 12, 7, 10));
    EXPECT_TRUE(fixture.viewModel->completedSections().isEmpty());
    for (auto [range, days] : {std::pair{Range::sevenDays, 7}, {Range::thirtyDays, 30}, {Range::ninetyDays, 90}}) {
        const auto points = fixture.viewModel->chartPoints(range);
        EXPECT_EQ(counts(points), QList<qint64>(days, 0));
        EXPECT_EQ(points.last().date, localDate(newYork, 2026, 12, 7));
    }
    EXPECT_EQ(fixture.viewModel->appVersion(), "1.0.0");
}

TEST(ControlPanelViewModel, DaySectionsCarryRelativeTitlesAndLocaleLabels)
{
    TaskItem undated = completedTask("Undated", localDate(newYork, 2026, 12, 5, 7, 0));
    undated.completedAt.reset();
    undated.createdAt = localDate(newYork, 2026, 12, 5, 23, 0); // later in the day, still sorts last
    ControlPanelFixture fixture(newYork, localDate(newYork, 2026, 12, 7, 10),
                                {completedTask("Morning", localDate(newYork, 2026, 12, 7, 9, 15)),
                                 completedTask("Evening", localDate(newYork, 2026, 12, 6, 15, 42), "section.home"),
                                 completedTask("Saturday", localDate(newYork, 2026, 12, 5, 15, 42)), undated,
                                 completedTask("Last year", localDate(newYork, 2025, 3, 1, 8, 5))});

    const auto sections = fixture.viewModel->completedSections();
    EXPECT_EQ(sectionTitles(sections),
              (QStringList{"Today", "Yesterday", "Saturday, December 5", "Saturday, March 1"}));
    ASSERT_EQ(sections.size(), 4);
    EXPECT_EQ(labels(sections[0]), QStringList{"Morning | 9:15 AM"});
    EXPECT_EQ(labels(sections[1]), QStringList{"Evening | Yesterday, 3:42 PM"});
    EXPECT_EQ(sections[1].items[0].sectionTitle, "Home");
    EXPECT_EQ(labels(sections[2]), (QStringList{"Saturday | Dec 5, 3:42 PM", "Undated | Dec 5, 11:00 PM"}));
    EXPECT_EQ(labels(sections[3]), QStringList{"Last year | Mar 1, 2025, 8:05 AM"});
    EXPECT_EQ(sections[0].id, "2026-12-07");
}

TEST(ControlPanelViewModel, SectionIdIsTheUtcDateOfTheDaysStart)
{
    // Midnight in Berlin is still the previous evening in UTC.
    for (auto [zone, expected] : {std::pair{newYork, "2026-12-06"}, {berlin, "2026-12-05"}}) {
        ControlPanelFixture fixture(zone, localDate(zone, 2026, 12, 7, 10),
                                    {completedTask("Done", localDate(zone, 2026, 12, 6, 12))});
        const auto sections = fixture.viewModel->completedSections();
        ASSERT_EQ(sections.size(), 1) << zone;
        EXPECT_EQ(sections[0].id, expected) << zone;
        EXPECT_EQ(sections[0].title, "Yesterday") << zone;
    }
}

TEST(ControlPanelViewModel, DaylightSavingWeeksKeepOneCalendarDayPerPoint)
{
    struct Case {
        const char* zone;
        QDate changeDay; // 23 or 25 hours long
        bool longDay;
    };
    const Case cases[] = {
        {newYork, QDate(2026, 3, 8), false},
        {newYork, QDate(2026, 11, 1), true},
        {berlin, QDate(2026, 3, 29), false},
        {berlin, QDate(2026, 10, 25), true},
    };
    for (const Case& c : cases) {
        const QDate today = c.changeDay.addDays(2);
        const auto at = [&](QDate day, int hour, int minute) {
            return localDate(c.zone, day.year(), day.month(), day.day(), hour, minute);
        };
        // Late on the changed day, and just after its end: neither may be counted twice.
        ControlPanelFixture fixture(c.zone, at(today, 12, 0),
                                    {completedTask("Late", at(c.changeDay, 23, 30)),
                                     completedTask("Early", at(c.changeDay.addDays(1), 0, 30))});
        const auto points = fixture.viewModel->chartPoints(Range::sevenDays);
        ASSERT_EQ(points.size(), 7) << c.zone;
        for (int i = 0; i < 7; ++i) {
            const QDate day = today.addDays(i - 6);
            EXPECT_EQ(points[i].date, Date::fromDateTime(day.startOfDay(QTimeZone(c.zone)))) << c.zone << " " << i;
        }
        const double changeLength = points[5].date.secondsSince(points[4].date);
        EXPECT_EQ(changeLength, c.longDay ? 90000.0 : 82800.0) << c.zone;
        EXPECT_EQ(counts(points), (QList<qint64>{0, 0, 0, 0, 1, 1, 0})) << c.zone;

        const auto sections = fixture.viewModel->completedSections();
        ASSERT_EQ(sections.size(), 2) << c.zone;
        EXPECT_EQ(sections[0].title, "Yesterday");
        EXPECT_EQ(sections[1].items[0].title, "Late") << c.zone;
    }
}

TEST(ControlPanelViewModel, ChartCountsOnlyCompletedTasksOfTheRange)
{
    const Date now = localDate(berlin, 2026, 12, 7, 10);
    TaskItem open = completedTask("Open", localDate(berlin, 2026, 12, 7, 9));
    open.isCompleted = false;
    open.completedAt.reset();
    TaskItem undated = completedTask("Undated", now);
    undated.completedAt.reset();
    undated.createdAt = localDate(berlin, 2026, 12, 1, 9);
    ControlPanelFixture fixture(berlin, now,
                                {open, undated, completedTask("Today 1", localDate(berlin, 2026, 12, 7, 0, 0)),
                                 completedTask("Today 2", localDate(berlin, 2026, 12, 7, 9, 59)),
                                 completedTask("Too old", localDate(berlin, 2026, 11, 30, 23, 59))});
    EXPECT_EQ(counts(fixture.viewModel->chartPoints(Range::sevenDays)), (QList<qint64>{1, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(fixture.viewModel->remainingTasks().size(), 1);
    EXPECT_EQ(fixture.viewModel->completedTaskCount(), 4);
}

TEST(ControlPanelViewModel, FinishOnboardingCompletesAndReturnsToOverview)
{
    ControlPanelFixture fixture(newYork, localDate(newYork, 2026, 12, 7, 10));
    fixture.viewModel->setSelectedDestination(ControlPanelDestination::settings);
    fixture.viewModel->setActiveModal(ControlPanelViewModel::ActiveModal::onboarding);
    int sessionChanges = 0;
    QObject::connect(fixture.viewModel.get(), &ControlPanelViewModel::sessionChanged, [&] { ++sessionChanges; });

    fixture.viewModel->finishOnboarding();
    fixture.viewModel->finishOnboarding();
    EXPECT_TRUE(fixture.session->preferences().hasCompletedOnboarding);
    EXPECT_EQ(fixture.defaults.writeCount, 1);
    EXPECT_EQ(fixture.viewModel->activeModal(), std::nullopt);
    EXPECT_EQ(fixture.viewModel->selectedDestination(), ControlPanelDestination::overview);
    EXPECT_EQ(sessionChanges, 1);
}

TEST(ControlPanelViewModel, SettingsWritersSaveOnEveryWriteEvenWhenUnchanged)
{
    ControlPanelFixture fixture(newYork, localDate(newYork, 2026, 12, 7, 10));
    ControlPanelViewModel& viewModel = *fixture.viewModel;
    viewModel.setAITaskRankingEnabled(false);
    viewModel.setAITaskRankingEnabled(true);
    EXPECT_EQ(fixture.defaults.writeCount, 2);
    EXPECT_TRUE(fixture.session->preferences().aiTaskRankingEnabled);

    viewModel.setAppearanceMode(AppAppearanceMode::dark);
    viewModel.setAppearanceMode(AppAppearanceMode::dark);
    EXPECT_EQ(fixture.defaults.writeCount, 4);
    const auto stored = AppPreferences::fromJson(
        QJsonDocument::fromJson(fixture.defaults.values.value("quaver-loom.preferences")).object());
    EXPECT_EQ(stored.appearanceMode, AppAppearanceMode::dark);
    EXPECT_TRUE(stored.aiTaskRankingEnabled);
}

TEST(ControlPanelViewModel, LaunchAtLoginWritesAndRemovesTheAutostartEntry)
{
    QTemporaryDir directory;
    XdgAutostartLoginItem loginItem(directory.path() + "/autostart", "/opt/Quaver Loom/bin/quaver$loom");
    ControlPanelFixture fixture(newYork, localDate(newYork, 2026, 12, 7, 10));
    ControlPanelViewModel viewModel(*fixture.taskViewModel, *fixture.session,
                                    {fixture.clock, fixture.calendar, fixture.router, fixture.infoDictionary, nullptr,
                                     &loginItem});

    viewModel.setLaunchAtLoginEnabled(true);
    QFile file(loginItem.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Exec=\"/opt/Quaver Loom/bin/quaver\\\\$loom\"\n"));
    EXPECT_TRUE(fixture.session->preferences().launchAtLoginEnabled);

    viewModel.setLaunchAtLoginEnabled(false);
    EXPECT_FALSE(QFile::exists(loginItem.filePath()));
    EXPECT_FALSE(fixture.session->preferences().launchAtLoginEnabled);
    EXPECT_EQ(fixture.defaults.writeCount, 2);

    // A folder that cannot be made: the switch shows the real state.
    XdgAutostartLoginItem blocked(loginItem.filePath() + "/inside-a-file");
    QFile(loginItem.filePath()).open(QIODevice::WriteOnly);
    ControlPanelViewModel blockedModel(*fixture.taskViewModel, *fixture.session,
                                       {fixture.clock, fixture.calendar, fixture.router, fixture.infoDictionary,
                                        nullptr, &blocked});
    LogCapture log;
    blockedModel.setLaunchAtLoginEnabled(true);
    EXPECT_FALSE(fixture.session->preferences().launchAtLoginEnabled);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("QuaverLoom.ControlPanelViewModel: Failed to change the login item: "));
}

TEST(ControlPanelViewModel, ModelStatusWording)
{
    using A = LanguageModel::Availability;
    using S = ControlPanelViewModel::ModelStatus;
    const auto neutral = ControlPanelStatusTint::neutral;
    const QString unavailable = "The on-device model is not available on this computer.";
    // The row opens the server's page only where something answers.
    const QList<std::pair<A, S>> rows{
        {A::available, S{"Available on this computer", QStringLiteral("Enabled"), ControlPanelStatusTint::success, true}},
        {A::notEnabled, S{"No model server answers at 127.0.0.1:8080.", QStringLiteral("Disabled"),
                          ControlPanelStatusTint::critical, false}},
        {A::noChatModel, S{"The model server lists no chat model.", std::nullopt, neutral, true}},
        {A::modelNotServed, S{"The model server does not serve the model set in QUAVERLOOM_MODEL.", std::nullopt, neutral, true}},
        {A::modelNotReady, S{unavailable, std::nullopt, neutral, true}},
        {A::deviceNotEligible, S{unavailable, std::nullopt, neutral, false}},
        {A::other, S{unavailable, std::nullopt, neutral, false}},
    };
    for (const auto& [availability, status] : rows)
        EXPECT_EQ(S::forAvailability(availability, "127.0.0.1:8080"), status) << status.subtitle.toStdString();
}
