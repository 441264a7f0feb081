#include "Platform/ApplicationShell.h"

#include <QApplication>
#include <QWidget>

ApplicationShell::ApplicationShell(QObject* parent) : QObject(parent)
{
    // The notch lives without any normal window; closing the control panel must not quit.
    QApplication::setQuitOnLastWindowClosed(false);
}

void ApplicationShell::setActivationPolicy(ActivationPolicy policy)
{
    if (m_policy == policy)
        return;
    m_policy = policy;
    emit activationPolicyChanged(policy);
}

void ApplicationShell::bringToFront(QWidget* window)
{
    if (!window || m_policy != ActivationPolicy::Regular)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
