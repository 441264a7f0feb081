#include "Workspace/AppSessionViewModel.h"

#include "Platform/Logger.h"

#include <exception>

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("AppSessionViewModel"));
    return instance;
}
} // namespace

AppSessionViewModel::AppSessionViewModel(AppPreferencesStore& preferencesStore, AppSupportRouting& appSupportRouter,
                                         QObject* parent)
    : QObject(parent), m_preferencesStore(preferencesStore), m_appSupportRouter(appSupportRouter)
{
    try {
        m_preferences = m_preferencesStore.load();
    } catch (const std::exception& error) {
        // The stored record stays untouched until the next save replaces it.
        logger().error(QStringLiteral("Failed to load preferences: ") + QString::fromUtf8(error.what()));
        m_preferences = AppPreferences{};
    }
    if (m_preferences.reopenControlPanelAtLaunch || !m_preferences.hasCompletedOnboarding)
        m_isControlPanelPresented = true;
}

void AppSessionViewModel::setPreferences(const AppPreferences& preferences)
{
    if (m_preferences == preferences)
        return;
    m_preferences = preferences;
    emit preferencesChanged(m_preferences);
}

void AppSessionViewModel::setControlPanelPresented(bool presented)
{
    // Every write is published, an unchanged one too: asking again for a
    // window that is minimised or buried must bring it back.
    m_isControlPanelPresented = presented;
    emit isControlPanelPresentedChanged(presented);
}

void AppSessionViewModel::persistPreferences()
{
    try {
        m_preferencesStore.save(m_preferences);
    } catch (const std::exception& error) {
        logger().error(QStringLiteral("Failed to persist app preferences: ") + QString::fromUtf8(error.what()));
    }
}

void AppSessionViewModel::completeOnboarding()
{
    if (m_preferences.hasCompletedOnboarding)
        return;
    AppPreferences updated = m_preferences;
    updated.hasCompletedOnboarding = true;
    setPreferences(updated);
    persistPreferences();
}
