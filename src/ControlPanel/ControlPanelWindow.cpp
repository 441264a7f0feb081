#include "ControlPanel/ControlPanelWindow.h"

#include "ControlPanel/ControlPanelRootView.h"
#include "ControlPanel/ControlPanelStyle.h"
#include "Platform/ApplicationShell.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScreen>
#include <QWindow>

namespace {
// The screen the window is on; before it first shows, the primary one, where the notch is.
QRect availableArea(const QWidget& window)
{
    QScreen* screen = window.windowHandle() ? window.windowHandle()->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QMargins frameMargins(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect content = window.geometry();
    return {content.left() - frame.left(), content.top() - frame.top(), frame.right() - content.right(),
            frame.bottom() - content.bottom()};
}
} // namespace

ControlPanelWindow::ControlPanelWindow(ControlPanelRootView* rootView, QAction* checkForUpdates, QWidget* parent)
    : QMainWindow(parent), m_rootView(rootView), m_quit(new QAction(QStringLiteral("Quit QuaverLoom"), this))
{
    setWindowTitle(QStringLiteral("QuaverLoom Control Panel"));
    setCentralWidget(rootView);
    QMenu* application = menuBar()->addMenu(QStringLiteral("QuaverLoom"));
    ControlPanelStyle::followParentAppearance(application);
    if (checkForUpdates)
        application->addAction(checkForUpdates);
    application->addSeparator();
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    application->addAction(m_quit);
    connect(m_quit, &QAction::triggered, qApp, &ApplicationShell::quit, Qt::QueuedConnection);
    placeOnScreen();
}

QSize ControlPanelWindow::preferredSize(const QRect& availableArea, const QMargins& frame)
{
    const QSize wanted(1280, 940);
    const QSize minimum(1040, 760);
    if (availableArea.isEmpty())
        return wanted;
    return wanted.boundedTo(availableArea.marginsRemoved(frame).size()).expandedTo(minimum);
}

QPoint ControlPanelWindow::framePosition(const QRect& availableArea, const QSize& frameSize)
{
    // Halving the difference, not QRect::center(), which rounds towards the top-left.
    if (frameSize.width() > availableArea.width() || frameSize.height() > availableArea.height())
        return availableArea.topLeft();
    return availableArea.topLeft()
           + QPoint((availableArea.width() - frameSize.width()) / 2, (availableArea.height() - frameSize.height()) / 2);
}

void ControlPanelWindow::placeOnScreen()
{
    const QRect available = availableArea(*this);
    const QMargins frame = frameMargins(*this);
    m_placedWithoutFrame = frame.isNull();
    // The window does not resize; its content has a fixed minimum already.
    const QSize size = preferredSize(available, frame);
    setFixedSize(size);
    // A top-level window's position is its frame's.
    if (!available.isEmpty())
        move(framePosition(available, size.grownBy(frame)));
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

void ControlPanelWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The window manager frames the window only once it is shown: it is then
    // placed again, frame and all, so that the frame is centred or, with its
    // title bar, does not reach out of the available area.
    if (!m_placedWithoutFrame || frameMargins(*this).isNull())
        return;
    placeOnScreen();
}

void ControlPanelWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // "System" follows the desktop when its palette changes.
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyAppearance(m_appearance);
}
