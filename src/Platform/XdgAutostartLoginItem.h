#pragma once

#include "Platform/LoginItemRegistering.h"

// Login start through an XDG autostart entry: a .desktop file in
// $XDG_CONFIG_HOME/autostart/ that runs this program.
class XdgAutostartLoginItem final : public LoginItemRegistering {
public:
    // Empty arguments: the user's autostart folder and this program's own path.
    explicit XdgAutostartLoginItem(QString directory = {}, QString executable = {});

    bool isEnabled() const override;
    bool setEnabled(bool enabled, QString* error = nullptr) override;

    QString filePath() const;
    // The entry's bytes; the program path is quoted and escaped for the Exec key.
    static QByteArray desktopEntry(const QString& executable);

private:
    QString m_directory;
    QString m_executable;
};
