#include "App/LiveSystemSettingsRouter.h"

#include <QDesktopServices>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>

LiveSystemSettingsRouter::Services LiveSystemSettingsRouter::Services::live()
{
    return {
        [](const QUrl& url) { return QDesktopServices::openUrl(url); },
        [](const QString& program) { return QStandardPaths::findExecutable(program); },
        [](const QString& program, const QStringList& arguments) { return QProcess::startDetached(program, arguments); },
    };
}

LiveSystemSettingsRouter::LiveSystemSettingsRouter(Services services) : m_services(std::move(services)) {}

const QStringList& LiveSystemSettingsRouter::settingsPrograms()
{
    static const QStringList programs{QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings"),
                                      QStringLiteral("xfce4-settings-manager")};
    return programs;
}

QUrl LiveSystemSettingsRouter::modelSettingsUrl(const QString& configured)
{
    const QString text = configured.trimmed().isEmpty() ? QStringLiteral("http://127.0.0.1:8080") : configured.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return {};
    const QString host = url.host();
    const bool loopback = host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
                          || QHostAddress(host).isLoopback();
    return loopback ? url : QUrl();
}

void LiveSystemSettingsRouter::openAppleIntelligenceSettings()
{
    const QUrl url = modelSettingsUrl(qEnvironmentVariable("QUAVERLOOM_MODEL_URL"));
    if (!url.isEmpty() && m_services.openUrl && m_services.openUrl(url))
        return;

    if (!m_services.findProgram || !m_services.startProgram)
        return;
    for (const QString& program : settingsPrograms()) {
        const QString path = m_services.findProgram(program);
        if (!path.isEmpty()) {
            m_services.startProgram(path, {});
            return;
        }
    }
}
