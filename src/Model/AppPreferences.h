#pragma once

#include <QJsonObject>
#include <QString>
#include <array>

enum class AppAppearanceMode { system, light, dark };
enum class ControlPanelDestination { overview, completed, settings };

namespace AppAppearanceModes {
inline constexpr std::array<AppAppearanceMode, 3> allCases{AppAppearanceMode::system, AppAppearanceMode::light,
                                                           AppAppearanceMode::dark};
QString rawValue(AppAppearanceMode mode);
} // namespace AppAppearanceModes

namespace ControlPanelDestinations {
inline constexpr std::array<ControlPanelDestination, 3> allCases{
    ControlPanelDestination::overview, ControlPanelDestination::completed, ControlPanelDestination::settings};
QString rawValue(ControlPanelDestination destination);
// Older page names map onto current pages ("history" is the completed page);
// unknown names open the overview.
ControlPanelDestination fromStoredString(const QString& stored);
} // namespace ControlPanelDestinations

struct AppPreferences {
    bool reopenControlPanelAtLaunch = false;
    ControlPanelDestination preferredControlPanelDestination = ControlPanelDestination::overview;
    bool hasCompletedOnboarding = false;
    bool launchAtLoginEnabled = false;
    bool aiTaskRankingEnabled = true;
    AppAppearanceMode appearanceMode = AppAppearanceMode::system;

    // Every key is required: a record from before a setting existed fails as a whole.
    QJsonObject toJson() const;
    static AppPreferences fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const AppPreferences&, const AppPreferences&) = default;
};
