#include "Platform/ApplicationShell.h"

#include <QApplication>
#include <QIcon>
#include <QWidget>

ApplicationShell::ApplicationShell(QObject* parent) : QObject(parent)
{
    // The notch lives without any normal window; closing the control panel must not quit.
    QApplication::setQuitOnLastWindowClosed(false);
    // Title bars and task switchers show it, in place of the desktop's generic one.
    QApplication::setWindowIcon(applicationIcon());
}

QIcon ApplicationShell::applicationIcon()
{
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (int size : {32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/quaverloom.png").arg(size), QSize(size, size));
    return icon;
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
    // A minimised window comes back as it was before, not shown minimised again.
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

namespace {
bool running = false;
}

int ApplicationShell::exec()
{
    running = true;
    const int code = QApplication::exec();
    running = false;
    return code;
}

void ApplicationShell::quit()
{
    if (running)
        QCoreApplication::exit(0);
}
