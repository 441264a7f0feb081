#include "App/SparkleAppUpdateManager.h"

#include "App/UpdateFeed.h"
#include "App/UpdateResultPresenting.h"

#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
QString timeoutDescription()
{
    return QStringLiteral("The update server did not answer in time.");
}
} // namespace

SparkleAppUpdateManager::SparkleAppUpdateManager(QUrl feedUrl, QString currentVersion,
                                                 UpdateResultPresenting& presenter, Options options, QObject* parent)
    : AppUpdateManaging(parent),
      m_feedUrl(std::move(feedUrl)),
      m_currentVersion(std::move(currentVersion)),
      m_presenter(presenter),
      m_options(options)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { abortWith(timeoutDescription()); });
}

SparkleAppUpdateManager::SparkleAppUpdateManager(QUrl feedUrl, QString currentVersion,
                                                 UpdateResultPresenting& presenter, QObject* parent)
    : SparkleAppUpdateManager(std::move(feedUrl), std::move(currentVersion), presenter, Options(), parent)
{
}

SparkleAppUpdateManager::~SparkleAppUpdateManager()
{
    if (m_reply) {
        // Nobody is left to tell; just stop the transfer.
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

void SparkleAppUpdateManager::checkForUpdates()
{
    if (m_reply)
        return;

    const QString scheme = m_feedUrl.scheme();
    const bool allowed = m_feedUrl.isValid()
                         && ((scheme == QLatin1String("https") && !m_feedUrl.host().isEmpty())
                             || (m_options.allowFileFeeds && m_feedUrl.isLocalFile()));
    if (!allowed) {
        m_presenter.present({UpdateCheckResult::Outcome::Failed, m_currentVersion, {},
                             QStringLiteral("The update feed address is not an https address.")});
        return;
    }

    QNetworkRequest request(m_feedUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_options.maximumRedirects);
    request.setTransferTimeout(m_options.timeoutMilliseconds);
    m_abortReason.clear();
    m_reply = m_network.get(request);
    QNetworkReply* reply = m_reply;

    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (target.scheme() == QLatin1String("https"))
            emit reply->redirectAllowed();
        else
            abortWith(QStringLiteral("The update server redirected to an address that is not https."));
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (received > m_options.maximumFeedBytes || total > m_options.maximumFeedBytes)
            abortWith(QStringLiteral("The update feed is larger than %1 bytes.").arg(m_options.maximumFeedBytes));
    });
    connect(reply, &QNetworkReply::finished, this, &SparkleAppUpdateManager::replyFinished);

    // The transfer timeout restarts with every byte; the deadline bounds the whole check.
    m_deadline.start(m_options.timeoutMilliseconds);
    emit canCheckForUpdatesChanged(false);
}

void SparkleAppUpdateManager::abortWith(const QString& description)
{
    if (!m_reply || !m_abortReason.isEmpty())
        return;
    m_abortReason = description;
    m_reply->abort(); // finishes the reply, which reports the reason
}

void SparkleAppUpdateManager::replyFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_deadline.stop();
    reply->deleteLater();

    UpdateCheckResult result{UpdateCheckResult::Outcome::Failed, m_currentVersion, {}, {}};
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!m_abortReason.isEmpty()) {
        result.failureDescription = m_abortReason;
    } else if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError) {
        // Only the transfer timeout cancels without a reason of ours.
        result.failureDescription = timeoutDescription();
    } else if (reply->error() != QNetworkReply::NoError) {
        result.failureDescription = reply->errorString();
    } else if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        result.failureDescription = QStringLiteral("The update server answered with status %1.").arg(status.toInt());
    } else {
        const QByteArray body = reply->read(m_options.maximumFeedBytes + 1);
        if (body.size() > m_options.maximumFeedBytes || reply->bytesAvailable() > 0)
            result.failureDescription =
                QStringLiteral("The update feed is larger than %1 bytes.").arg(m_options.maximumFeedBytes);
        else
            result = resultFor(body);
    }
    emit canCheckForUpdatesChanged(true);
    m_presenter.present(result);
}

UpdateCheckResult SparkleAppUpdateManager::resultFor(const QByteArray& body) const
{
    QString error;
    const auto feed = UpdateFeed::parse(body, &error);
    if (!feed)
        return {UpdateCheckResult::Outcome::Failed, m_currentVersion, {}, error};
    const QString newest = feed->newestVersion();
    const auto outcome = UpdateFeed::compareVersions(newest, m_currentVersion) > 0
                             ? UpdateCheckResult::Outcome::UpdateAvailable
                             : UpdateCheckResult::Outcome::UpToDate;
    return {outcome, m_currentVersion, newest, {}};
}
