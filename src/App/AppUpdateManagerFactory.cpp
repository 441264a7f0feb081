#include "App/AppUpdateManagerFactory.h"

#include "App/DisabledAppUpdateManager.h"
#include "App/SparkleAppUpdateManager.h"
#include "Platform/Text.h"

bool AppUpdateManagerFactory::isPresent(const std::optional<QString>& value)
{
    return value && !Text::trimmed(*value).isEmpty();
}

bool AppUpdateManagerFactory::isUpdaterConfigured(const InfoDictionary& info)
{
    return isPresent(info.value(QStringLiteral("SUFeedURL"))) && isPresent(info.value(QStringLiteral("SUPublicEDKey")));
}

QString AppUpdateManagerFactory::currentVersion(const InfoDictionary& info)
{
    const auto version = info.value(QStringLiteral("CFBundleShortVersionString"));
    return isPresent(version) ? Text::trimmed(*version) : QStringLiteral("1.0.0");
}

std::unique_ptr<AppUpdateManaging> AppUpdateManagerFactory::make(const InfoDictionary& info,
                                                                 UpdateResultPresenting& presenter, QObject* parent)
{
    if (!isUpdaterConfigured(info))
        return std::make_unique<DisabledAppUpdateManager>(parent);
    const QUrl feedUrl(Text::trimmed(*info.value(QStringLiteral("SUFeedURL"))), QUrl::StrictMode);
    return std::make_unique<SparkleAppUpdateManager>(feedUrl, currentVersion(info), presenter, parent);
}
