#pragma once

#include <QObject>

class QWidget;

// The application's presence on the desktop. Accessory: only tool windows, no
// taskbar entry. Regular: the control panel is a normal window that is raised
// and activated.
class ApplicationShell : public QObject {
    Q_OBJECT
public:
    enum class ActivationPolicy { Accessory, Regular };

    explicit ApplicationShell(QObject* parent = nullptr);

    ActivationPolicy activationPolicy() const { return m_policy; }
    void setActivationPolicy(ActivationPolicy policy);
    // Shows a normal window, raised and with the keyboard; only under the regular policy.
    void bringToFront(QWidget* window);

signals:
    void activationPolicyChanged(ApplicationShell::ActivationPolicy policy);

private:
    ActivationPolicy m_policy = ActivationPolicy::Accessory;
};
