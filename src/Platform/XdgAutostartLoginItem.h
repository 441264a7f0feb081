#pragma once

#include "Platform/LoginItemRegistering.h"

// Login start through an XDG autostart entry: a .desktop file in
// $XDG_CONFIG_HOME/autostart/ that runs this program, the installed one when
// there is one.
class XdgAutostartLoginItem final : public LoginItemRegistering {
public:
    // Empty arguments: the user's autostart folder and the installed program
    // (else this program's own path).
    explicit XdgAutostartLoginItem(QString directory = {}, QString executable = {});

    bool isEnabled() const override;
    bool setEnabled(bool enabled, QString* error = nullptr) override;

    QString filePath() const;
    QString executable() const;
    // The entry's bytes; the program path is quoted and escaped for the Exec key.
    static QByteArray desktopEntry(const QString& executable);
    // The program an entry's Exec key starts, undoing desktopEntry()'s quoting.
    static QString programOf(const QByteArray& entry);
    // The program the launcher entry "applications/quaverloom.desktop" of the
    // XDG data directories starts, when that program exists; else empty.
    static QString installedProgram();

private:
    QString m_directory;
    QString m_executable;
};
