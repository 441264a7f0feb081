#include "App/CheckForUpdatesCommand.h"

#include <QAction>

CheckForUpdatesCommand::CheckForUpdatesCommand(AppUpdateManaging& appUpdateManager, QObject* parent)
    : QObject(parent), m_viewModel(appUpdateManager), m_action(new QAction(QStringLiteral("Check for Updates\u2026"), this))
{
    m_action->setEnabled(m_viewModel.canCheckForUpdates());
    connect(&m_viewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, m_action, &QAction::setEnabled);
    connect(m_action, &QAction::triggered, this, [this] { m_viewModel.appUpdateManager().checkForUpdates(); });
}
