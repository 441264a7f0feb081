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

    // 1280 by 940, kept inside the available area but never below 1040 by 760.
    static QSize preferredSize(const QRect& availableArea);
    void placeOnScreen();
    void applyAppearance(AppAppearanceMode mode);

    std::function<void(ControlPanelWindow*)> onWillClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ControlPanelRootView* m_rootView;
    QAction* m_quit;
    AppAppearanceMode m_appearance = AppAppearanceMode::system;
};
