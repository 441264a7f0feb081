#include "App/AppSessionViewModel.h"
#include "App/LiveAppSupportRouter.h"
#include "Model/UserDefaultsAppPreferencesStore.h"
#include "Support/MemoryUserDefaults.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Collects the critical messages of one logging category while alive.
class LogCapture {
public:
    explicit LogCapture(QByteArray category) : m_category(std::move(category))
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    QStringList messages;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (s_active && type == QtCriticalMsg && context.category && s_active->m_category == context.category)
            s_active->messages.append(message);
    }
    static inline LogCapture* s_active = nullptr;
    QByteArray m_category;
    QtMessageHandler m_previous = nullptr;
};

const QString key = QStringLiteral("quaver-loom.preferences");

QByteArray storedPreferences(bool reopen, bool onboarded)
{
    AppPreferences preferences;
    preferences.reopenControlPanelAtLaunch = reopen;
    preferences.hasCompletedOnboarding = onboarded;
    preferences.appearanceMode = AppAppearanceMode::dark;
    return QJsonDocument(preferences.toJson()).toJson();
}

struct Session {
    MemoryUserDefaults defaults;
    UserDefaultsAppPreferencesStore store{defaults, key};
    LiveAppSupportRouter router;
    std::unique_ptr<AppSessionViewModel> viewModel;

    explicit Session(std::optional<QByteArray> stored = std::nullopt)
    {
        if (stored)
            defaults.values.insert(key, *stored);
    }
    AppSessionViewModel& start()
    {
        viewModel = std::make_unique<AppSessionViewModel>(store, router);
        return *viewModel;
    }
};

} // namespace

TEST(AppSessionViewModel, LoadingDecidesTheControlPanelAndSurvivesBadRecords)
{
    LogCapture log("QuaverLoom.AppSessionViewModel");
    {
        Session first;
        auto& session = first.start();
        EXPECT_EQ(session.preferences(), AppPreferences{});
        EXPECT_TRUE(session.isControlPanelPresented());
        EXPECT_EQ(first.defaults.writeCount, 0);
    }
    {
        Session returning(storedPreferences(false, true));
        auto& session = returning.start();
        EXPECT_FALSE(session.isControlPanelPresented());
        EXPECT_EQ(session.preferences().appearanceMode, AppAppearanceMode::dark);
    }
    {
        Session reopening(storedPreferences(true, true));
        EXPECT_TRUE(reopening.start().isControlPanelPresented());
    }
    EXPECT_TRUE(log.messages.isEmpty());

    // Not JSON: defaults, one logged error, and the stored bytes are left alone.
    Session broken(QByteArray("{not json"));
    auto& session = broken.start();
    EXPECT_EQ(session.preferences(), AppPreferences{});
    EXPECT_TRUE(session.isControlPanelPresented());
    ASSERT_EQ(log.messages.size(), 1);
    EXPECT_TRUE(log.messages[0].startsWith("Failed to load preferences: "));
    EXPECT_GT(log.messages[0].size(), QStringLiteral("Failed to load preferences: ").size());
    EXPECT_EQ(broken.defaults.values.value(key), QByteArray("{not json"));
    EXPECT_EQ(broken.defaults.writeCount, 0);

    // A record missing a setting fails as a whole, so AI ranking comes back on.
    QJsonObject partial = [] {
        AppPreferences preferences;
        preferences.aiTaskRankingEnabled = false;
        preferences.hasCompletedOnboarding = true;
        return preferences.toJson();
    }();
    partial.remove("launchAtLoginEnabled");
    Session old(QJsonDocument(partial).toJson());
    EXPECT_TRUE(old.start().preferences().aiTaskRankingEnabled);
    EXPECT_TRUE(old.viewModel->isControlPanelPresented());
    EXPECT_EQ(log.messages.size(), 2);
}

TEST(AppSessionViewModel, SavesOnceAndLogsFailedSaves)
{
    LogCapture log("QuaverLoom.AppSessionViewModel");
    Session fresh;
    auto& session = fresh.start();
    QSignalSpy preferencesChanges(&session, &AppSessionViewModel::preferencesChanged);

    session.completeOnboarding();
    session.completeOnboarding();
    EXPECT_EQ(fresh.defaults.writeCount, 1);
    EXPECT_EQ(preferencesChanges.size(), 1);
    EXPECT_TRUE(session.preferences().hasCompletedOnboarding);
    EXPECT_TRUE(UserDefaultsAppPreferencesStore::decode(fresh.defaults.values.value(key)).hasCompletedOnboarding);
    // Completing onboarding does not close the panel; the window coordinator does.
    EXPECT_TRUE(session.isControlPanelPresented());

    // Setting an equal value publishes nothing; a change publishes once and saves only when asked.
    session.setPreferences(session.preferences());
    EXPECT_EQ(preferencesChanges.size(), 1);
    AppPreferences changed = session.preferences();
    changed.launchAtLoginEnabled = true;
    session.setPreferences(changed);
    EXPECT_EQ(preferencesChanges.size(), 2);
    EXPECT_EQ(fresh.defaults.writeCount, 1);

    // A failed save keeps the new value in memory and tells only the log.
    fresh.defaults.failWrites = true;
    session.persistPreferences();
    EXPECT_EQ(session.preferences(), changed);
    ASSERT_EQ(log.messages.size(), 1);
    EXPECT_EQ(log.messages[0], "Failed to persist app preferences: disk full");
    fresh.defaults.failWrites = false;
    session.persistPreferences();
    EXPECT_EQ(UserDefaultsAppPreferencesStore::decode(fresh.defaults.values.value(key)), changed);

    QSignalSpy presented(&session, &AppSessionViewModel::isControlPanelPresentedChanged);
    session.setControlPanelPresented(true);
    session.setControlPanelPresented(false);
    session.setControlPanelPresented(false);
    ASSERT_EQ(presented.size(), 1);
    EXPECT_FALSE(presented[0][0].toBool());
}
