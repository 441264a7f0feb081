#include "Workspace/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Support/LogCapture.h"
#include "Support/MemoryUserDefaults.h"
#include "Support/QtTestPrinters.h"
#include "Support/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
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

TEST(AppSessionViewModel, PreferencesUnreadableAtStartAreKeptWhenTheFirstSaveReplacesThem)
{
    // As a person meets it: the record cannot be read at start (mode 000),
    // is made readable again while the program runs (mode 600), and then one
    // setting changes. What was stored must survive the save of the defaults
    // plus that one change.
    LogCapture log;
    QTemporaryDir dir;
    FileUserDefaults files(dir.path());
    AppPreferences stored;
    stored.appearanceMode = AppAppearanceMode::dark;
    stored.preferredControlPanelDestination = ControlPanelDestination::completed;
    stored.reopenControlPanelAtLaunch = true;
    stored.hasCompletedOnboarding = true;
    ASSERT_TRUE(files.setData(key, QJsonDocument(stored.toJson()).toJson()));
    const QString path = dir.path() + "/" + key;
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::Permissions()));
    UserDefaultsAppPreferencesStore store(files, key);
    LiveAppSupportRouter router;
    std::unique_ptr<AppSessionViewModel> session;
    {
        WithoutPermissionOverride asUser;
        ASSERT_TRUE(asUser.effective());
        session = std::make_unique<AppSessionViewModel>(store, router);
    }
    EXPECT_EQ(session->preferences(), AppPreferences{});

    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    session->completeOnboarding();
    const QStringList copies = QDir(dir.path()).entryList({key + ".conflict-*"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1) << QDir(dir.path()).entryList(QDir::Files).join(", ").toStdString();
    EXPECT_EQ(UserDefaultsAppPreferencesStore::decode(*files.data(copies[0])), stored);
    EXPECT_TRUE(UserDefaultsAppPreferencesStore::decode(*files.data(key)).hasCompletedOnboarding);
    EXPECT_EQ(log.lines(),
              QStringList({logPrefix + "Failed to load preferences: cannot read quaver-loom.preferences: Permission denied",
                           "QuaverLoom.UserDefaultsAppPreferencesStore: The stored preferences could not be read at start-up; "
                           "that version is kept as " + copies[0]}));
}
