#include "Workspace/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Support/LogCapture.h"
#include "Support/MemoryUserDefaults.h"
#include "Support/QtTestPrinters.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

const QString key = QStringLiteral("quaver-loom.preferences");
const QString logPrefix = QStringLiteral("QuaverLoom.AppSessionViewModel: ");

struct Session {
    MemoryUserDefaults defaults;
    UserDefaultsAppPreferencesStore store{defaults, key};
    LiveAppSupportRouter router;
    std::unique_ptr<AppSessionViewModel> viewModel;

    explicit Session(std::optional<QByteArray> stored = std::nullopt)
    {
        if (stored)
            defaults.values.insert(key, *stored);
        viewModel = std::make_unique<AppSessionViewModel>(store, router);
    }
};

QByteArray stored(bool reopen, bool onboarded)
{
    AppPreferences preferences;
    preferences.reopenControlPanelAtLaunch = reopen;
    preferences.hasCompletedOnboarding = onboarded;
    preferences.aiTaskRankingEnabled = false;
    return QJsonDocument(preferences.toJson()).toJson();
}

} // namespace

TEST(AppSessionViewModel, LoadingDecidesTheControlPanelAndSurvivesBadRecords)
{
    LogCapture log;
    EXPECT_TRUE(Session().viewModel->isControlPanelPresented()) << "first launch";
    EXPECT_FALSE(Session(stored(false, true)).viewModel->isControlPanelPresented());
    EXPECT_TRUE(Session(stored(true, true)).viewModel->isControlPanelPresented());
    EXPECT_FALSE(Session(stored(false, true)).viewModel->preferences().aiTaskRankingEnabled);
    EXPECT_TRUE(log.lines().isEmpty());

    // Unreadable: defaults, one logged error, and the stored bytes are left alone.
    Session broken(QByteArray("{not json"));
    EXPECT_EQ(broken.viewModel->preferences(), AppPreferences{});
    EXPECT_TRUE(broken.viewModel->isControlPanelPresented());
    EXPECT_EQ(broken.defaults.values.value(key), QByteArray("{not json"));
    EXPECT_EQ(broken.defaults.writeCount, 0);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith(logPrefix + "Failed to load preferences: ")) << log.lines()[0].toStdString();
    EXPECT_GT(log.lines()[0].size(), (logPrefix + "Failed to load preferences: ").size());
}

TEST(AppSessionViewModel, SavesOnceAndLogsFailedSaves)
{
    LogCapture log;
    Session fresh;
    AppSessionViewModel& session = *fresh.viewModel;
    QSignalSpy preferencesChanges(&session, &AppSessionViewModel::preferencesChanged);

    session.completeOnboarding();
    session.completeOnboarding();
    EXPECT_EQ(fresh.defaults.writeCount, 1);
    EXPECT_EQ(preferencesChanges.size(), 1);
    EXPECT_TRUE(UserDefaultsAppPreferencesStore::decode(fresh.defaults.values.value(key)).hasCompletedOnboarding);
    EXPECT_TRUE(session.isControlPanelPresented()) << "the window coordinator closes it, not onboarding";

    // An equal value publishes nothing; a change publishes once and saves only when asked.
    session.setPreferences(session.preferences());
    AppPreferences changed = session.preferences();
    changed.launchAtLoginEnabled = true;
    session.setPreferences(changed);
    EXPECT_EQ(preferencesChanges.size(), 2);
    EXPECT_EQ(fresh.defaults.writeCount, 1);

    // A failed save keeps the new value in memory and tells only the log.
    fresh.defaults.failWrites = true;
    session.persistPreferences();
    EXPECT_EQ(session.preferences(), changed);
    EXPECT_EQ(log.lines(), QStringList{logPrefix + "Failed to persist app preferences: disk full"});
    fresh.defaults.failWrites = false;
    session.persistPreferences();
    EXPECT_EQ(UserDefaultsAppPreferencesStore::decode(fresh.defaults.values.value(key)), changed);

    // Every write of the presentation flag is published, an unchanged one too:
    // a second request must reach the window coordinator.
    QSignalSpy presented(&session, &AppSessionViewModel::isControlPanelPresentedChanged);
    for (bool value : {true, true, false, false})
        session.setControlPanelPresented(value);
    ASSERT_EQ(presented.size(), 4);
    EXPECT_TRUE(presented[1][0].toBool());
    EXPECT_FALSE(presented[3][0].toBool());
    EXPECT_FALSE(session.isControlPanelPresented());
}
