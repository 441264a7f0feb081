#pragma once

#include "Model/AppPreferences.h"

#include <QMainWindow>
#include <functional>

class ControlPanelRootView;
class QAction;

// The control panel's desktop window: a fixed-size normal window with the
// application menu ("Check for Updates…", Quit). Closing only hides it.
class ControlPanelWindow final : public QMainWindow {
    Q_OBJECT
public:
    ControlPanelWindow(ControlPanelRootView* rootView, QAction* checkForUpdates, QWidget* parent = nullptr);

    ControlPanelRootView* rootView() const { return m_rootView; }
    QAction* quitAction() const { return m_quit; }

    // 1280 by 940, kept inside the available area with the frame around it,
    // but never below 1040 by 760.
    static QSize preferredSize(const QRect& availableArea, const QMargins& frame = {});
    // Where the frame's top-left corner goes: centred in the area where the
    // frame fits, else at the area's top-left corner, so that the title bar
    // and the left edge stay on that screen.
    static QPoint framePosition(const QRect& availableArea, const QSize& frameSize);
    // Sizes and places the window in the available area of its own screen.
    void placeOnScreen();
    void applyAppearance(AppAppearanceMode mode);

    std::function<void(ControlPanelWindow*)> onWillClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    ControlPanelRootView* m_rootView;
    QAction* m_quit;
    AppAppearanceMode m_appearance = AppAppearanceMode::system;
    // Placed before the window manager framed it: the frame is not known yet.
    bool m_placedWithoutFrame = false;
};
