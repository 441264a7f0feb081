#pragma once

#include "Model/AppPreferences.h"

#include <QMainWindow>
#include <functional>

class ControlPanelRootView;
class QAction;

// The control panel's desktop window: a fixed-size normal window with the
// application menu ("Check for Updates…", Quit) above the pages. It offers the
// window manager only closing and minimising; closing hides it, and the same
// window is shown again.
class ControlPanelWindow final : public QMainWindow {
    Q_OBJECT
public:
    ControlPanelWindow(ControlPanelRootView* rootView, QAction* checkForUpdates, QWidget* parent = nullptr);

    ControlPanelRootView* rootView() const { return m_rootView; }
    QAction* quitAction() const { return m_quit; }

    // The pages' size: 1280 by 940, kept inside the available area with what
    // surrounds them (the frame, the menu bar above them), but never below
    // 1040 by 760.
    static QSize preferredSize(const QRect& availableArea, const QMargins& surround = {});
    // Where the frame's top-left corner goes: centred on each axis where the
    // frame fits the area, else at the area's edge on that axis, so that the
    // title bar and the left edge stay on that screen.
    static QPoint framePosition(const QRect& availableArea, const QSize& frameSize);
    // Sizes and places the window in the available area of its own screen,
    // or in the area given.
    void placeOnScreen();
    void placeIn(const QRect& availableArea);
    void applyAppearance(AppAppearanceMode mode);

    std::function<void(ControlPanelWindow*)> onWillClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // The in-window menu bar's height; none when the desktop shows the menu itself.
    int menuBarHeight() const;

    ControlPanelRootView* m_rootView;
    QAction* m_quit;
    AppAppearanceMode m_appearance = AppAppearanceMode::system;
    // Placed before the window manager framed it: the frame is not known yet.
    bool m_placedWithoutFrame = false;
};
