#pragma once

#include "Platform/SystemSettingsRouting.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

// On Linux the on-device model is the local model server, so its settings are
// the server's own page; when that cannot be opened, the desktop's settings
// program stands in.
class LiveSystemSettingsRouter final : public SystemSettingsRouting {
public:
    struct Services {
        std::function<bool(const QUrl& url)> openUrl;
        // Full path of an executable on the PATH, empty when there is none.
        std::function<QString(const QString& program)> findProgram;
        // Starts the program directly, never through a shell.
        std::function<bool(const QString& program, const QStringList& arguments)> startProgram;

        static Services live();
    };

    explicit LiveSystemSettingsRouter(Services services = Services::live());

    void openAppleIntelligenceSettings() override;

    // Tried in this order; the first one found on the PATH is started.
    static const QStringList& settingsPrograms();
    // The model server's page from QUAVERLOOM_MODEL_URL (unset or empty: the default
    // server). Only http(s) on the loopback interface qualifies; anything else
    // gives an empty URL, which is never handed to the desktop.
    static QUrl modelSettingsUrl(const QString& configured);

private:
    Services m_services;
};
