#pragma once

// What start-up holds of the control-panel window's coordinator; the program
// reaches the coordinator, which lives in a module of its own, only through this.
class AppWindowCoordinator;
class QWidget;

class ControlPanelPresenting {
public:
    virtual ~ControlPanelPresenting() = default;
    virtual void showControlPanel() = 0;
    // The coordinator itself, for tests; found without a cast, which would need its type information.
    virtual AppWindowCoordinator* windowCoordinator() = 0;
    // The window while it is shown, for a message about the program to open
    // over it in its appearance; none while it is hidden.
    virtual QWidget* shownWindow() { return nullptr; }
};
