#include "App/LiveSystemSettingsRouter.h"

#include <gtest/gtest.h>

namespace {

struct FakeDesktop {
    bool opens = true;
    QStringList installed;
    std::vector<QUrl> opened;
    std::vector<std::pair<QString, QStringList>> started;

    LiveSystemSettingsRouter::Services services()
    {
        return {
            [this](const QUrl& url) {
                opened.push_back(url);
                return opens;
            },
            [this](const QString& program) {
                return installed.contains(program) ? "/usr/bin/" + program : QString();
            },
            [this](const QString& program, const QStringList& arguments) {
                started.emplace_back(program, arguments);
                return true;
            },
        };
    }
};

struct ModelUrlEnvironment {
    explicit ModelUrlEnvironment(const QByteArray& value) { qputenv("QUAVERLOOM_MODEL_URL", value); }
    ~ModelUrlEnvironment() { qunsetenv("QUAVERLOOM_MODEL_URL"); }
};

} // namespace

TEST(LiveSystemSettingsRouter, OpensModelPageElseFirstSettingsProgram)
{
    qunsetenv("QUAVERLOOM_MODEL_URL");
    FakeDesktop desktop;
    desktop.installed = {"xfce4-settings-manager", "systemsettings"};
    LiveSystemSettingsRouter(desktop.services()).openAppleIntelligenceSettings();
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0], QUrl("http://127.0.0.1:8080"));
    EXPECT_TRUE(desktop.started.empty());

    // Refused: the first program of the fixed list that exists, started directly without arguments.
    desktop.opens = false;
    LiveSystemSettingsRouter(desktop.services()).openAppleIntelligenceSettings();
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].first, "/usr/bin/systemsettings");
    EXPECT_TRUE(desktop.started[0].second.isEmpty());

    // Nothing installed: nothing happens.
    desktop.installed.clear();
    LiveSystemSettingsRouter(desktop.services()).openAppleIntelligenceSettings();
    EXPECT_EQ(desktop.started.size(), 1u);
}

TEST(LiveSystemSettingsRouter, OnlyLoopbackHttpModelPagesAreOpened)
{
    FakeDesktop desktop;
    desktop.installed = {"gnome-control-center"};
    {
        ModelUrlEnvironment environment("http://localhost:11434/");
        LiveSystemSettingsRouter(desktop.services()).openAppleIntelligenceSettings();
        ASSERT_EQ(desktop.opened.size(), 1u);
        EXPECT_EQ(desktop.opened[0], QUrl("http://localhost:11434/"));
    }
    for (const QByteArray& unsafe : {QByteArray("file:///etc/passwd"), QByteArray("http://203.0.113.5:8080"),
                                     QByteArray("javascript:alert(1)"), QByteArray("not a url at all")}) {
        ModelUrlEnvironment environment(unsafe);
        LiveSystemSettingsRouter(desktop.services()).openAppleIntelligenceSettings();
    }
    EXPECT_EQ(desktop.opened.size(), 1u);
    ASSERT_EQ(desktop.started.size(), 4u);
    EXPECT_EQ(desktop.started.back().first, "/usr/bin/gnome-control-center");

    EXPECT_EQ(LiveSystemSettingsRouter::modelSettingsUrl("  "), QUrl("http://127.0.0.1:8080"));
    EXPECT_EQ(LiveSystemSettingsRouter::modelSettingsUrl("https://[::1]:8443"), QUrl("https://[::1]:8443"));
    EXPECT_TRUE(LiveSystemSettingsRouter::modelSettingsUrl("http://127.0.0.1.example.com").isEmpty());
}
