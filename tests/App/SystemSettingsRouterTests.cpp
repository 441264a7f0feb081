#include "App/LiveSystemSettingsRouter.h"

#include <gtest/gtest.h>

namespace {

struct FakeDesktop {
    bool opens = true;
    QStringList installed;
    QList<QUrl> opened;
    QStringList started;

    void openSettings(const QByteArray& modelUrl)
    {
        qputenv("QUAVERLOOM_MODEL_URL", modelUrl);
        LiveSystemSettingsRouter({[this](const QUrl& url) {
                                      opened.append(url);
                                      return opens;
                                  },
                                  [this](const QString& program) {
                                      return installed.contains(program) ? "/usr/bin/" + program : QString();
                                  },
                                  [this](const QString& program, const QStringList& arguments) {
                                      started.append((QStringList{program} + arguments).join(' '));
                                      return true;
                                  }})
            .openAppleIntelligenceSettings();
        qunsetenv("QUAVERLOOM_MODEL_URL");
    }
};

} // namespace

TEST(LiveSystemSettingsRouter, OpensTheLoopbackModelPageElseTheFirstSettingsProgram)
{
    FakeDesktop desktop;
    desktop.installed = {"xfce4-settings-manager", "systemsettings"};
    desktop.openSettings("");
    desktop.openSettings("http://localhost:11434/");
    EXPECT_EQ(desktop.opened, (QList<QUrl>{QUrl("http://127.0.0.1:8080"), QUrl("http://localhost:11434/")}));
    EXPECT_TRUE(desktop.started.isEmpty());

    // Anything but http(s) on this computer is never handed to the desktop.
    for (const char* unsafe : {"file://localhost/etc/passwd", "http://203.0.113.5:8080", "javascript:alert(1)",
                               "http://127.0.0.1.example.com", "not a url at all"})
        desktop.openSettings(unsafe);
    EXPECT_EQ(desktop.opened.size(), 2);
    EXPECT_EQ(desktop.started, QStringList(5, "/usr/bin/systemsettings")) << "first of the fixed list, no arguments";

    // Refused by the desktop: the settings program; nothing installed: nothing happens.
    desktop.opens = false;
    desktop.openSettings("https://[::1]:8443");
    EXPECT_EQ(desktop.opened.last(), QUrl("https://[::1]:8443"));
    desktop.installed.clear();
    desktop.openSettings("");
    EXPECT_EQ(desktop.started.size(), 6);
}
