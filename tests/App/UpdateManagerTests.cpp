#include "App/AppUpdateManagerFactory.h"
#include "App/CheckForUpdatesCommand.h"
#include "App/DisabledAppUpdateManager.h"
#include "App/MessageBoxUpdateResultPresenter.h"
#include "App/SparkleAppUpdateManager.h"
#include "App/UpdateFeed.h"
#include "Support/QtTestPrinters.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Outcome = UpdateCheckResult::Outcome;

struct RecordingPresenter final : UpdateResultPresenting {
    std::vector<UpdateCheckResult> results;
    void present(const UpdateCheckResult& result) override { results.push_back(result); }
};

QByteArray feedWith(const QStringList& itemBodies)
{
    QByteArray xml = R"(<?xml version="1.0"?><rss version="2.0" xmlns:ql="https://example.invalid/feed"><channel>)";
    for (const QString& body : itemBodies)
        xml += "<item><title>Release</title>" + body.toUtf8() + "</item>";
    return xml + "</channel></rss>";
}

struct FeedFiles {
    QTemporaryDir dir;
    int count = 0;
    QUrl write(const QByteArray& contents)
    {
        QFile file(dir.filePath(QString::number(count++)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        return QUrl::fromLocalFile(file.fileName());
    }
};

// Runs one check from the menu command to its end and returns what the user was told.
UpdateCheckResult check(const QUrl& feed, const QString& current = "1.0.0", SparkleAppUpdateManager::Options options = {})
{
    options.allowFileFeeds = true;
    RecordingPresenter presenter;
    SparkleAppUpdateManager manager(feed, current, presenter, options);
    CheckForUpdatesCommand command(manager);
    EXPECT_TRUE(command.action()->isEnabled());
    command.action()->trigger();
    EXPECT_FALSE(command.action()->isEnabled()) << "disabled while the check runs";
    manager.checkForUpdates(); // starts nothing more
    EXPECT_TRUE(QTest::qWaitFor([&] { return !presenter.results.empty(); }, 5000));
    EXPECT_TRUE(command.action()->isEnabled());
    QTest::qWait(20);
    EXPECT_EQ(presenter.results.size(), 1u);
    return presenter.results.empty() ? UpdateCheckResult{} : presenter.results.front();
}

} // namespace

TEST(UpdateManagerChoice, BothValuesNeededAndBlanksCountAsMissing)
{
    RecordingPresenter presenter;
    const QString feed = "https://updates.example.invalid/feed.xml";
    const auto chosen = [&](QHash<QString, QString> values) {
        return AppUpdateManagerFactory::make(InfoDictionary(std::move(values)), presenter);
    };
    EXPECT_TRUE(dynamic_cast<SparkleAppUpdateManager*>(chosen({{"SUFeedURL", " " + feed + "\n"}, {"SUPublicEDKey", "k"}}).get()));
    for (const QHash<QString, QString>& values : {QHash<QString, QString>{{"SUFeedURL", feed}},
                                                  {{"SUPublicEDKey", "key"}},
                                                  {{"SUFeedURL", " \t\n"}, {"SUPublicEDKey", "key"}},
                                                  {{"SUFeedURL", feed}, {"SUPublicEDKey", "\n  "}}}) {
        const auto manager = chosen(values);
        ASSERT_TRUE(dynamic_cast<DisabledAppUpdateManager*>(manager.get()));
        CheckForUpdatesCommand command(*manager);
        EXPECT_FALSE(command.action()->isEnabled());
    }
    EXPECT_EQ(AppUpdateManagerFactory::currentVersion(InfoDictionary({{"CFBundleShortVersionString", "2.3.1"}})), "2.3.1");
    EXPECT_EQ(AppUpdateManagerFactory::currentVersion(InfoDictionary()), "1.0.0");
    EXPECT_TRUE(UpdateFeed::isVersion(InfoDictionary::main().value("CFBundleShortVersionString").value_or("")));
}

TEST(UpdateFeed, VersionsAndParsing)
{
    EXPECT_GT(UpdateFeed::compareVersions("1.10.0", "1.9.9"), 0);
    EXPECT_EQ(UpdateFeed::compareVersions("01.2", "1.02.0"), 0);
    EXPECT_LT(UpdateFeed::compareVersions("2.0-beta1", "2.0"), 0);
    EXPECT_GT(UpdateFeed::compareVersions("2.0-beta2", "2.0-beta1"), 0);
    EXPECT_GT(UpdateFeed::compareVersions("100000000000000000000001", "99999999999999999999999"), 0);
    for (const char* notAVersion : {"", "latest", "1..2"})
        EXPECT_FALSE(UpdateFeed::isVersion(notAVersion)) << notAVersion;

    // Elements or enclosure attributes, any namespace; the short version wins.
    const auto feed = UpdateFeed::parse(feedWith({
        "<ql:version>1.1.0</ql:version>",
        R"(<enclosure url="https://example.invalid/a" ql:version="900" ql:shortVersionString="1.3.0"/>)",
        "<ql:shortVersionString> 1.2.0 </ql:shortVersionString><ql:version>901</ql:version>",
        "<description>no version here</description><ql:version>nightly</ql:version>",
    }));
    ASSERT_TRUE(feed.has_value());
    EXPECT_EQ(feed->versions, (QStringList{"1.1.0", "1.3.0", "1.2.0"}));
    EXPECT_EQ(feed->newestVersion(), "1.3.0");

    QString error;
    EXPECT_FALSE(UpdateFeed::parse("<rss><channel><item><version>1.0</version></channel></rss>", &error));
    EXPECT_TRUE(error.contains("not valid XML")) << error.toStdString();
    EXPECT_FALSE(UpdateFeed::parse(feedWith({"<description>none</description>"}), &error));
    EXPECT_EQ(error, "The update feed lists no versions.");
    EXPECT_FALSE(UpdateFeed::parse("<rss><channel><version>9.0</version></channel></rss>")) << "not inside an item";
}

TEST(SparkleAppUpdateManager, ChecksFeedsAndReportsFailuresHonestly)
{
    FeedFiles files;
    const QByteArray newer = feedWith({"<ql:shortVersionString>1.0.0</ql:shortVersionString>",
                                       "<ql:shortVersionString>1.2.0</ql:shortVersionString>"});
    EXPECT_EQ(check(files.write(newer)), (UpdateCheckResult{Outcome::UpdateAvailable, "1.0.0", "1.2.0", {}}));
    EXPECT_EQ(check(files.write(newer), "1.3.0"), (UpdateCheckResult{Outcome::UpToDate, "1.3.0", "1.2.0", {}}));
    EXPECT_EQ(check(files.write(feedWith({"<ql:version>1.0</ql:version>"}))).outcome, Outcome::UpToDate);

    // Anything unreadable is a failure, never "up to date".
    SparkleAppUpdateManager::Options small;
    small.maximumFeedBytes = 64;
    for (const UpdateCheckResult& result :
         {check(files.write("<html><body>Not found</body>")), check(files.write("")),
          check(files.write(feedWith({"<title>no versions</title>"}))),
          check(QUrl::fromLocalFile(files.dir.filePath("absent.xml")))}) {
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_FALSE(result.failureDescription.isEmpty());
    }
    EXPECT_EQ(check(files.write(newer), "1.0.0", small).failureDescription, "The update feed is larger than 64 bytes.");

    // Only https feeds are fetched; local files only where allowed. Refusals start nothing.
    RecordingPresenter presenter;
    for (const QUrl& url : {QUrl("http://updates.example.invalid/feed.xml"), files.write(newer), QUrl("https://"),
                            QUrl("ftp://example.invalid/feed.xml")}) {
        SparkleAppUpdateManager manager(url, "1.0.0", presenter);
        manager.checkForUpdates();
        EXPECT_TRUE(manager.canCheckForUpdates());
    }
    ASSERT_EQ(presenter.results.size(), 4u);
    for (const UpdateCheckResult& refused : presenter.results)
        EXPECT_EQ(refused.failureDescription, "The update feed address is not an https address.");

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
    EXPECT_EQ(presenter.results[0],
              (UpdateCheckResult{Outcome::Failed, "1.0.0", {}, "The update server did not answer in time."}));
    EXPECT_TRUE(manager.canCheckForUpdates());
}

TEST(MessageBoxUpdateResultPresenter, ShowsPlainTextWithoutBlocking)
{
    MessageBoxUpdateResultPresenter presenter;
    presenter.present({Outcome::Failed, "1.0.0", {}, "<b>Host</b> not found"});
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* candidate = qobject_cast<QMessageBox*>(widget); candidate && candidate->isVisible())
            box = candidate;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->windowTitle(), "Update Check Failed");
    EXPECT_EQ(box->text(), "QuaverLoom could not check for updates.\n\n<b>Host</b> not found");
    box->close();
    EXPECT_EQ(MessageBoxUpdateResultPresenter::text({Outcome::UpdateAvailable, "1.0.0", "1.2.0", {}}),
              "QuaverLoom 1.2.0 is available. You are running version 1.0.0.");
}

TEST(MessageBoxUpdateResultPresenter, OpensOverTheGivenWindowInItsColours)
{
    QWidget window;
    QPalette dark = window.palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 32));
    dark.setColor(QPalette::WindowText, QColor(236, 236, 238));
    window.setPalette(dark);
    window.show();
    MessageBoxUpdateResultPresenter presenter([&window] { return &window; });
    presenter.present({Outcome::UpToDate, "1.0.0", "1.0.0", {}});
    auto* box = window.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->palette().color(QPalette::Window), QColor(30, 30, 32));
    const QImage image = box->grab().toImage();
    EXPECT_LT(image.pixelColor(2, 2).lightness(), 60);
    box->close();
}
