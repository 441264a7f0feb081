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
#include <algorithm>

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
    // Its size is fixed: a maximise button would do nothing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
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

QSize ControlPanelWindow::preferredSize(const QRect& availableArea, const QMargins& surround)
{
    const QSize wanted(1280, 940);
    const QSize minimum(1040, 760);
    if (availableArea.isEmpty())
        return wanted;
    return wanted.boundedTo(availableArea.marginsRemoved(surround).size()).expandedTo(minimum);
}

QPoint ControlPanelWindow::framePosition(const QRect& availableArea, const QSize& frameSize)
{
    // Halving the difference, not QRect::center(), which rounds towards the top-left.
    const auto start = [](int areaStart, int areaLength, int length) {
        return length > areaLength ? areaStart : areaStart + (areaLength - length) / 2;
    };
    return {start(availableArea.left(), availableArea.width(), frameSize.width()),
            start(availableArea.top(), availableArea.height(), frameSize.height())};
}

int ControlPanelWindow::menuBarHeight() const
{
    QMenuBar* bar = menuBar();
    if (bar->isNativeMenuBar())
        return 0;
    // As the window's layout measures it once shown.
    const int height = bar->heightForWidth(std::max(width(), bar->minimumWidth()));
    return height > 0 ? height : bar->sizeHint().height();
}

void ControlPanelWindow::placeOnScreen()
{
    placeIn(availableArea(*this));
}

void ControlPanelWindow::placeIn(const QRect& available)
{
    const QMargins frame = frameMargins(*this);
    m_placedWithoutFrame = frame.isNull();
    // The pages keep their own size below the menu bar; the window does not resize.
    const int menuBar = menuBarHeight();
    const QSize size = preferredSize(available, frame + QMargins(0, menuBar, 0, 0)) + QSize(0, menuBar);
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
    // Hidden, not closed: a close that is accepted also destroys the native
    // window, and the window is kept for the next showing. The notch goes on running.
    event->ignore();
    if (onWillClose)
        onWillClose(this);
    hide();
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
