#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <memory>
#include <optional>

class QFileSystemWatcher;

// Whether animations should be reduced. QUAVERLOOM_REDUCE_MOTION=1 forces it;
// otherwise it follows the desktop: on X11 the XSETTINGS value
// Gtk/EnableAnimations (0: reduced) that the settings managers of GNOME, Xfce,
// Cinnamon and MATE publish, and in a KDE session an AnimationDurationFactor
// of 0 in kdeglobals. Changes the desktop announces (a new XSETTINGS value or
// manager, a rewritten kdeglobals) are followed while the program runs.
class ReduceMotionSetting : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // A fixed value, changed only through set().
    explicit ReduceMotionSetting(bool on = false, QObject* parent = nullptr);
    ~ReduceMotionSetting() override;

    // Reads the environment and the desktop now, and follows the desktop from then on.
    static std::unique_ptr<ReduceMotionSetting> live();

    bool isOn() const { return m_on; }
    void set(bool on);

    // What the sources say, and what follows from them.
    static bool decide(bool forced, std::optional<bool> desktopAnimations, std::optional<double> kdeDurationFactor);
    // AnimationDurationFactor of the [KDE] group, when a kdeglobals file sets one.
    static std::optional<double> kdeDurationFactor(const QByteArray& kdeglobals);
    // Gtk/EnableAnimations of an _XSETTINGS_SETTINGS property, when it holds one.
    static std::optional<bool> desktopAnimations(const QByteArray& xsettings);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void changed(bool on);

private:
    void followDesktop();
    void reevaluate();
    // The settings manager's window now, selected for its property changes; 0 when none.
    void findSettingsManager();
    void readDesktopAnimations();
    void readKdeGlobals();

    bool m_on = false;
    bool m_forced = false;
    std::optional<bool> m_desktopAnimations;
    std::optional<double> m_kdeDurationFactor;
    // X11: the selection, the property and the manager that owns the selection.
    quint32 m_selectionAtom = 0;
    quint32 m_settingsAtom = 0;
    quint32 m_managerAtom = 0;
    quint32 m_managerWindow = 0;
    bool m_filtering = false;
    QFileSystemWatcher* m_kdeWatcher = nullptr;
    QString m_kdeGlobalsPath;
};
