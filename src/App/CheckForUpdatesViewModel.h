#pragma once

#include "App/AppUpdateManaging.h"

#include <QObject>

class CheckForUpdatesViewModel : public QObject {
    Q_OBJECT
public:
    // Follows the manager's state for as long as this view model lives.
    explicit CheckForUpdatesViewModel(AppUpdateManaging& appUpdateManager, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    AppUpdateManaging& appUpdateManager() const { return m_appUpdateManager; }

signals:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);

private:
    void setCanCheckForUpdates(bool value);

    bool m_canCheckForUpdates = false;
    AppUpdateManaging& m_appUpdateManager;
};
