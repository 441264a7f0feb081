#include "App/ControlPanelModuleLoader.h"

#include "ControlPanel/ControlPanelModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

QStringList ControlPanelModuleLoader::candidatePaths()
{
    const QString programDirectory = QCoreApplication::applicationDirPath();
    const QString name = QStringLiteral("quaverloom-control-panel.so");
    return {programDirectory + QStringLiteral("/" QUAVERLOOM_MODULE_DIR_FROM_BINARY "/") + name,
            programDirectory + QLatin1Char('/') + name};
}

ControlPanelModuleLoader::Factory ControlPanelModuleLoader::factory(QString* error)
{
    static Factory loaded = nullptr;
    if (loaded)
        return loaded;
    // Loaded once for the life of the process.
    static QLibrary library;
    QStringList reasons;
    for (const QString& path : candidatePaths()) {
        if (!QFileInfo::exists(path))
            continue;
        library.setFileName(path);
        // Every symbol now: a module from another build fails here, not at its first call.
        library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (library.load()) {
            loaded = reinterpret_cast<Factory>(library.resolve(QUAVERLOOM_CONTROL_PANEL_FACTORY));
            if (loaded)
                return loaded;
        }
        reasons << library.errorString();
        library.unload();
    }
    if (error)
        *error = reasons.isEmpty() ? QStringLiteral("no module at %1").arg(candidatePaths().join(QStringLiteral(", ")))
                                   : reasons.join(QStringLiteral("; "));
    return nullptr;
}
