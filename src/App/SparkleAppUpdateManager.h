#pragma once

#include "App/AppUpdateManaging.h"
#include "App/UpdateCheckResult.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class UpdateResultPresenting;

// Checks the update feed on request and tells the user what it found. It only
// reads the feed: nothing is ever downloaded or installed, so the signing key
// has nothing to verify here. A feed that cannot be fetched or read is reported
// as a failure, never as "up to date".
class SparkleAppUpdateManager final : public AppUpdateManaging {
    Q_OBJECT
public:
    struct Options {
        int timeoutMilliseconds = 30000;
        qint64 maximumFeedBytes = 2 * 1024 * 1024;
        // Feeds must be https; local files only where tests ask for them.
        bool allowFileFeeds = false;
        int maximumRedirects = 5;
    };

    SparkleAppUpdateManager(QUrl feedUrl, QString currentVersion, UpdateResultPresenting& presenter,
                            Options options, QObject* parent = nullptr);
    SparkleAppUpdateManager(QUrl feedUrl, QString currentVersion, UpdateResultPresenting& presenter,
                            QObject* parent = nullptr);
    ~SparkleAppUpdateManager() override;

    // True while no check is running.
    bool canCheckForUpdates() const override { return !m_reply; }
    void checkForUpdates() override;

private:
    void abortWith(const QString& description);
    void replyFinished();
    UpdateCheckResult resultFor(const QByteArray& body) const;

    QUrl m_feedUrl;
    QString m_currentVersion;
    UpdateResultPresenting& m_presenter;
    Options m_options;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QString m_abortReason;
};
