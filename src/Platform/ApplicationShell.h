#pragma once

#include <QObject>

class QIcon;
class QWidget;

// The application's presence on the desktop. Accessory: only tool windows, no
// taskbar entry. Regular: the control panel is a normal window that is raised
// and activated.
class ApplicationShell : public QObject {
    Q_OBJECT
public:
    enum class ActivationPolicy { Accessory, Regular };

    // Also gives every window the program's icon.
    explicit ApplicationShell(QObject* parent = nullptr);

    // The program's icon in every size the icon theme gets at installation.
    static QIcon applicationIcon();

    ActivationPolicy activationPolicy() const { return m_policy; }
    void setActivationPolicy(ActivationPolicy policy);
    // Shows a normal window, raised and with the keyboard; only under the regular policy.
    void bringToFront(QWidget* window);
    // Runs the application's event loop until quit().
    static int exec();
    // Ends exec()'s event loop, leaving every window as it is: the normal quit
    // closes them all first, and a reminder flight takes its window's closing
    // for its end, so every overdue reminder would be cleared unseen. Outside
    // exec() it does nothing, as the normal quit.
    static void quit();

signals:
    void activationPolicyChanged(ApplicationShell::ActivationPolicy policy);

private:
    ActivationPolicy m_policy = ActivationPolicy::Accessory;
};
