#include "Model/AppPreferences.h"

#include "Model/JsonCoding.h"

namespace AppAppearanceModes {
QString rawValue(AppAppearanceMode mode)
{
    static const char* const names[] = {"system", "light", "dark"};
    return QString::fromLatin1(names[static_cast<int>(mode)]);
}
} // namespace AppAppearanceModes

namespace ControlPanelDestinations {
QString rawValue(ControlPanelDestination destination)
{
    static const char* const names[] = {"overview", "completed", "settings"};
    return QString::fromLatin1(names[static_cast<int>(destination)]);
}

ControlPanelDestination fromStoredString(const QString& stored)
{
    if (stored == QLatin1String("history"))
        return ControlPanelDestination::completed;
    for (ControlPanelDestination destination : allCases) {
        if (stored == rawValue(destination))
            return destination;
    }
    return ControlPanelDestination::overview;
}
} // namespace ControlPanelDestinations

QJsonObject AppPreferences::toJson() const
{
    return {{QStringLiteral("reopenControlPanelAtLaunch"), reopenControlPanelAtLaunch},
            {QStringLiteral("preferredControlPanelDestination"),
             ControlPanelDestinations::rawValue(preferredControlPanelDestination)},
            {QStringLiteral("hasCompletedOnboarding"), hasCompletedOnboarding},
            {QStringLiteral("launchAtLoginEnabled"), launchAtLoginEnabled},
            {QStringLiteral("aiTaskRankingEnabled"), aiTaskRankingEnabled},
            {QStringLiteral("appearanceMode"), AppAppearanceModes::rawValue(appearanceMode)}};
}

AppPreferences AppPreferences::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("preferences"));
    AppPreferences p;
    p.reopenControlPanelAtLaunch = Json::requiredBool(o, QStringLiteral("reopenControlPanelAtLaunch"));
    p.preferredControlPanelDestination = ControlPanelDestinations::fromStoredString(
        Json::requiredString(o, QStringLiteral("preferredControlPanelDestination")));
    p.hasCompletedOnboarding = Json::requiredBool(o, QStringLiteral("hasCompletedOnboarding"));
    p.launchAtLoginEnabled = Json::requiredBool(o, QStringLiteral("launchAtLoginEnabled"));
    p.aiTaskRankingEnabled = Json::requiredBool(o, QStringLiteral("aiTaskRankingEnabled"));
    const QString mode = Json::requiredString(o, QStringLiteral("appearanceMode"));
    bool known = false;
    for (AppAppearanceMode m : AppAppearanceModes::allCases) {
        if (mode == AppAppearanceModes::rawValue(m)) {
            p.appearanceMode = m;
            known = true;
        }
    }
    if (!known)
        Json::fail(QStringLiteral("appearanceMode"), QStringLiteral("not an appearance mode"));
    return p;
}
