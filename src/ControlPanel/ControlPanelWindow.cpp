#include "ControlPanel/ControlPanelWindow.h"

#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelStyle.h"
#include "Platform/ApplicationShell.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>

ControlPanelWindow::ControlPanelWindow(ControlPanelRootView* rootView, QAction* checkForUpdates, QWidget* parent)
    : QMainWindow(parent), m_rootView(rootView), m_quit(new QAction(QStringLiteral("Quit QuaverLoom"), this))
{
    setWindowTitle(QStringLiteral("QuaverLoom Control Panel"));
    setCentralWidget(rootView);
    QMenu* application = menuBar()->addMenu(QStringLiteral("QuaverLoom"));
    if (checkForUpdates)
        application->addAction(checkForUpdates);
    application->addSeparator();
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    application->addAction(m_quit);
    connect(m_quit, &QAction::triggered, qApp, &ApplicationShell::quit, Qt::QueuedConnection);
    placeOnScreen();
}

QSize ControlPanelWindow::preferredSize(const QRect& availableArea)
{
    const QSize wanted(1280, 940);
    const QSize minimum(1040, 760);
    if (availableArea.isEmpty())
        return wanted;
    return wanted.boundedTo(availableArea.size()).expandedTo(minimum);
}

void ControlPanelWindow::placeOnScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    // The window does not resize; its content has a fixed minimum already.
    const QSize size = preferredSize(available);
    setFixedSize(size);
    if (!available.isEmpty())
        move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

void ControlPanelWindow::applyAppearance(AppAppearanceMode mode)
{
    m_appearance = mode;
    setPalette(ControlPanelStyle::palette(mode, QApplication::palette()));
}

void ControlPanelWindow::closeEvent(QCloseEvent* event)
{
    // Kept for the next showing; the notch goes on running.
    event->accept();
    if (onWillClose)
        onWillClose(this);
}

void ControlPanelWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // "System" follows the desktop when its palette changes.
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyAppearance(m_appearance);
}
