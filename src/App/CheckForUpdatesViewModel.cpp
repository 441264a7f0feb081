#include "App/CheckForUpdatesViewModel.h"

CheckForUpdatesViewModel::CheckForUpdatesViewModel(AppUpdateManaging& appUpdateManager, QObject* parent)
    : QObject(parent), m_appUpdateManager(appUpdateManager)
{
    connect(&appUpdateManager, &AppUpdateManaging::canCheckForUpdatesChanged, this,
            &CheckForUpdatesViewModel::setCanCheckForUpdates);
    setCanCheckForUpdates(appUpdateManager.canCheckForUpdates());
}

void CheckForUpdatesViewModel::setCanCheckForUpdates(bool value)
{
    if (m_canCheckForUpdates == value)
        return;
    m_canCheckForUpdates = value;
    emit canCheckForUpdatesChanged(value);
}
