#pragma once

// What start-up holds of the control-panel window's coordinator; the program
// reaches the coordinator, which lives in a module of its own, only through this.
class ControlPanelPresenting {
public:
    virtual ~ControlPanelPresenting() = default;
    virtual void showControlPanel() = 0;
};
