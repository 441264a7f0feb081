#pragma once

#include "App/CheckForUpdatesViewModel.h"

#include <QObject>

class QAction;

// The "Check for Updates…" action, enabled exactly while a check can start.
class CheckForUpdatesCommand : public QObject {
    Q_OBJECT
public:
    explicit CheckForUpdatesCommand(AppUpdateManaging& appUpdateManager, QObject* parent = nullptr);

    QAction* action() const { return m_action; }
    const CheckForUpdatesViewModel& viewModel() const { return m_viewModel; }

private:
    CheckForUpdatesViewModel m_viewModel;
    QAction* m_action;
};
