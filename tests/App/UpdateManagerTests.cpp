#include "App/AppUpdateManagerFactory.h"
#include "App/CheckForUpdatesCommand.h"
#include "App/DisabledAppUpdateManager.h"
#include "App/MessageBoxUpdateResultPresenter.h"
#include "App/SparkleAppUpdateManager.h"
#include "App/UpdateFeed.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct RecordingPresenter final : UpdateResultPresenting {
    std::vector<UpdateCheckResult> results;
    void present(const UpdateCheckResult& result) override { results.push_back(result); }
};

struct ScriptedUpdateManager final : AppUpdateManaging {
    bool can = true;
    int checks = 0;
    bool canCheckForUpdates() const override { return can; }
    void checkForUpdates() override { ++checks; }
    void setCan(bool value)
    {
        can = value;
        emit canCheckForUpdatesChanged(value);
    }
};

QByteArray feedWith(const QStringList& itemBodies)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" xmlns:ql=\"https://example.invalid/feed\"><channel><title>Feed</title>";
    for (const QString& body : itemBodies)
        xml += "<item><title>Release</title>" + body.toUtf8() + "</item>";
    return xml + "</channel></rss>";
}

class FeedFiles {
public:
    QUrl write(const QByteArray& contents)
    {
        const QString path = m_dir.filePath(QStringLiteral("feed%1.xml").arg(m_count++));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(contents);
        return QUrl::fromLocalFile(path);
    }
    QUrl missing() const { return QUrl::fromLocalFile(m_dir.filePath("absent.xml")); }

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};

// Runs one check to its end and returns what the user was told.
UpdateCheckResult check(const QUrl& feed, const QString& current = "1.0.0",
                        SparkleAppUpdateManager::Options options = {})
{
    options.allowFileFeeds = true;
    RecordingPresenter presenter;
    SparkleAppUpdateManager manager(feed, current, presenter, options);
    QSignalSpy changes(&manager, &AppUpdateManaging::canCheckForUpdatesChanged);
    EXPECT_TRUE(manager.canCheckForUpdates());
    manager.checkForUpdates();
    EXPECT_FALSE(manager.canCheckForUpdates());
    manager.checkForUpdates(); // a second request while running starts nothing
    EXPECT_TRUE(QTest::qWaitFor([&] { return !presenter.results.empty(); }, 5000));
    EXPECT_TRUE(manager.canCheckForUpdates());
    EXPECT_EQ(changes.size(), 2);
    QTest::qWait(20);
    EXPECT_EQ(presenter.results.size(), 1u);
    return presenter.results.empty() ? UpdateCheckResult{} : presenter.results.front();
}

} // namespace

TEST(UpdateManagerChoice, BothValuesNeededAndBlanksCountAsMissing)
{
    RecordingPresenter presenter;
    const auto chosen = [&](QHash<QString, QString> values) {
        return AppUpdateManagerFactory::make(InfoDictionary(std::move(values)), presenter);
    };
    const QString feed = "https://updates.example.invalid/feed.xml";

    EXPECT_TRUE(dynamic_cast<SparkleAppUpdateManager*>(chosen({{"SUFeedURL", feed}, {"SUPublicEDKey", "key"}}).get()));
    EXPECT_TRUE(dynamic_cast<SparkleAppUpdateManager*>(chosen({{"SUFeedURL", " " + feed + "\n"}, {"SUPublicEDKey", "key"}}).get()));
    for (const auto& values : std::vector<QHash<QString, QString>>{
             {},
             {{"SUFeedURL", feed}},
             {{"SUPublicEDKey", "key"}},
             {{"SUFeedURL", " \t\n"}, {"SUPublicEDKey", "key"}},
             {{"SUFeedURL", feed}, {"SUPublicEDKey", "\n  "}},
             {{"SUFeedURL", ""}, {"SUPublicEDKey", ""}}}) {
        auto manager = chosen(values);
        ASSERT_TRUE(dynamic_cast<DisabledAppUpdateManager*>(manager.get()));
        EXPECT_FALSE(manager->canCheckForUpdates());
    }

    EXPECT_EQ(AppUpdateManagerFactory::currentVersion(InfoDictionary({{"CFBundleShortVersionString", "2.3.1"}})), "2.3.1");
    EXPECT_EQ(AppUpdateManagerFactory::currentVersion(InfoDictionary()), "1.0.0");

    // This build: the project version, and no feed unless one was configured.
    const auto& info = InfoDictionary::main();
    ASSERT_TRUE(info.value("CFBundleShortVersionString").has_value());
    EXPECT_TRUE(UpdateFeed::isVersion(*info.value("CFBundleShortVersionString")));
    EXPECT_EQ(AppUpdateManagerFactory::isUpdaterConfigured(info),
              AppUpdateManagerFactory::isPresent(info.value("SUFeedURL"))
                  && AppUpdateManagerFactory::isPresent(info.value("SUPublicEDKey")));
}

TEST(CheckForUpdatesCommand, FollowsTheManagerAndStartsChecks)
{
    ScriptedUpdateManager manager;
    manager.can = false;
    CheckForUpdatesCommand command(manager);
    QAction* action = command.action();
    EXPECT_EQ(action->text(), QString::fromUtf8("Check for Updates\xE2\x80\xA6"));
    EXPECT_FALSE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(manager.checks, 0);

    manager.setCan(true);
    EXPECT_TRUE(command.viewModel().canCheckForUpdates());
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    EXPECT_EQ(manager.checks, 1);
    manager.setCan(false); // a check is running
    EXPECT_FALSE(action->isEnabled());

    // A view model made later starts from the manager's current state.
    manager.setCan(true);
    CheckForUpdatesViewModel later(manager);
    EXPECT_TRUE(later.canCheckForUpdates());

    // The disabled manager keeps the command disabled for good.
    DisabledAppUpdateManager disabled;
    CheckForUpdatesCommand off(disabled);
    EXPECT_FALSE(off.action()->isEnabled());
    off.action()->trigger();
}

TEST(UpdateFeed, VersionsAndParsing)
{
    EXPECT_GT(UpdateFeed::compareVersions("1.10.0", "1.9.9"), 0);
    EXPECT_EQ(UpdateFeed::compareVersions("1.0", "1.0.0"), 0);
    EXPECT_LT(UpdateFeed::compareVersions("2.0-beta1", "2.0"), 0);
    EXPECT_GT(UpdateFeed::compareVersions("2.0-beta2", "2.0-beta1"), 0);
    EXPECT_GT(UpdateFeed::compareVersions("100000000000000000000001", "99999999999999999999999"), 0);
    EXPECT_EQ(UpdateFeed::compareVersions("01.2", "1.02"), 0);
    EXPECT_FALSE(UpdateFeed::isVersion(""));
    EXPECT_FALSE(UpdateFeed::isVersion("latest"));
    EXPECT_FALSE(UpdateFeed::isVersion("1..2"));

    // Elements or enclosure attributes, any namespace; the short version wins.
    auto feed = UpdateFeed::parse(feedWith({
        "<ql:version>1.1.0</ql:version>",
        "<enclosure url=\"https://example.invalid/a\" ql:version=\"900\" ql:shortVersionString=\"1.3.0\"/>",
        "<ql:shortVersionString> 1.2.0 </ql:shortVersionString><ql:version>901</ql:version>",
        "<description>no version here</description>",
        "<ql:version>nightly</ql:version>",
    }));
    ASSERT_TRUE(feed.has_value());
    EXPECT_EQ(feed->versions, (QStringList{"1.1.0", "1.3.0", "1.2.0"}));
    EXPECT_EQ(feed->newestVersion(), "1.3.0");

    QString error;
    EXPECT_FALSE(UpdateFeed::parse("<rss><channel><item><version>1.0</version></channel></rss>", &error));
    EXPECT_TRUE(error.contains("not valid XML"));
    EXPECT_FALSE(UpdateFeed::parse("", &error));
    EXPECT_FALSE(UpdateFeed::parse(feedWith({"<description>none</description>"}), &error));
    EXPECT_EQ(error, "The update feed lists no versions.");
    // A version outside any item is not an offer.
    EXPECT_FALSE(UpdateFeed::parse("<rss><channel><version>9.0</version></channel></rss>"));
}

TEST(SparkleAppUpdateManager, ChecksFileFeedsAndReportsFailuresHonestly)
{
    FeedFiles files;
    const QByteArray newer = feedWith({"<ql:shortVersionString>1.0.0</ql:shortVersionString>",
                                       "<ql:shortVersionString>1.2.0</ql:shortVersionString>"});

    auto result = check(files.write(newer));
    EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::UpdateAvailable);
    EXPECT_EQ(result.latestVersion, "1.2.0");
    EXPECT_EQ(result.currentVersion, "1.0.0");

    result = check(files.write(feedWith({"<ql:version>1.0</ql:version>"})));
    EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::UpToDate);
    result = check(files.write(newer), "1.3.0");
    EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::UpToDate);
    EXPECT_EQ(result.latestVersion, "1.2.0");

    // Anything unreadable is a failure, never "up to date".
    for (const QUrl& broken : {files.write("<html><body>Not found</body>"), files.write(""),
                               files.write(feedWith({"<title>no versions</title>"})), files.missing()}) {
        result = check(broken);
        EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::Failed) << broken.toString().toStdString();
        EXPECT_FALSE(result.failureDescription.isEmpty());
    }

    SparkleAppUpdateManager::Options small;
    small.maximumFeedBytes = 64;
    result = check(files.write(newer), "1.0.0", small);
    EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::Failed);
    EXPECT_TRUE(result.failureDescription.contains("larger than 64 bytes"));

    // Only https feeds are fetched; local files only where allowed.
    RecordingPresenter presenter;
    for (const QUrl& url : {QUrl("http://updates.example.invalid/feed.xml"), files.write(newer), QUrl("https://"),
                            QUrl("ftp://example.invalid/feed.xml")}) {
        SparkleAppUpdateManager manager(url, "1.0.0", presenter);
        QSignalSpy changes(&manager, &AppUpdateManaging::canCheckForUpdatesChanged);
        manager.checkForUpdates();
        EXPECT_TRUE(manager.canCheckForUpdates());
        EXPECT_EQ(changes.size(), 0);
    }
    ASSERT_EQ(presenter.results.size(), 4u);
    for (const auto& refused : presenter.results)
        EXPECT_EQ(refused.outcome, UpdateCheckResult::Outcome::Failed);

    // Going away mid-check tells no one.
    {
        SparkleAppUpdateManager manager(files.write(newer), "1.0.0", presenter, {.allowFileFeeds = true});
        manager.checkForUpdates();
    }
    QTest::qWait(20);
    EXPECT_EQ(presenter.results.size(), 4u);
}

TEST(SparkleAppUpdateManager, ASilentServerEndsInAFailureNotAHang)
{
    // Accepts connections and never answers, not even the TLS handshake.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    RecordingPresenter presenter;
    SparkleAppUpdateManager manager(QUrl(QStringLiteral("https://127.0.0.1:%1/feed.xml").arg(server.serverPort())),
                                    "1.0.0", presenter, {.timeoutMilliseconds = 300});
    manager.checkForUpdates();
    EXPECT_FALSE(manager.canCheckForUpdates());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !presenter.results.empty(); }, 5000));
    EXPECT_EQ(presenter.results[0].outcome, UpdateCheckResult::Outcome::Failed);
    EXPECT_EQ(presenter.results[0].failureDescription, "The update server did not answer in time.");
    EXPECT_TRUE(manager.canCheckForUpdates());
}

TEST(MessageBoxUpdateResultPresenter, ShowsPlainTextWithoutBlocking)
{
    MessageBoxUpdateResultPresenter presenter;
    presenter.present({UpdateCheckResult::Outcome::Failed, "1.0.0", {}, "<b>Host</b> not found"});
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* candidate = qobject_cast<QMessageBox*>(widget); candidate && candidate->isVisible())
            box = candidate;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), "Update Check Failed");
    EXPECT_TRUE(box->text().contains("<b>Host</b> not found"));
    box->close();

    EXPECT_EQ(MessageBoxUpdateResultPresenter::text({UpdateCheckResult::Outcome::UpdateAvailable, "1.0.0", "1.2.0", {}}),
              "QuaverLoom 1.2.0 is available. You are running version 1.0.0.");
    EXPECT_TRUE(MessageBoxUpdateResultPresenter::text({UpdateCheckResult::Outcome::UpToDate, "1.0.0", "1.0.0", {}})
                    .contains("1.0.0"));
}
