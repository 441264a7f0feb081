#pragma once

#include <QString>
#include <QStringList>

class ControlPanelPresenting;
struct ControlPanelModuleRequest;

// Finds and loads the control-panel module: installed, in the library folder
// beside the program's own; in a build tree, next to the program.
namespace ControlPanelModuleLoader {
using Factory = ControlPanelPresenting* (*)(const ControlPanelModuleRequest*);

// Where the module is looked for, in order.
QStringList candidatePaths();
// The module's factory, loading the module on the first call; null, with
// the reason in `error`, when no module could be loaded.
Factory factory(QString* error = nullptr);
} // namespace ControlPanelModuleLoader
