#include "Platform/ReduceMotionSetting.h"

#include "Platform/Logger.h"
#include "Platform/X11Support.h"
#include "Platform/XSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStandardPaths>
#include <xcb/xcb.h>

namespace {
const Logger& logger()
{
    static const Logger instance(QStringLiteral("ReduceMotion"));
    return instance;
}

bool isKdeSession()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QLatin1String("KDE"), Qt::CaseInsensitive)
           || qEnvironmentVariable("KDE_FULL_SESSION") == QLatin1String("true");
}

// Selects `mask` on a window another client owns; it may be gone already, which is no error of ours.
bool selectEvents(xcb_connection_t* c, xcb_window_t window, uint32_t mask)
{
    return !xcbReply(xcb_request_check(c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask)));
}
} // namespace

ReduceMotionSetting::ReduceMotionSetting(bool on, QObject* parent) : QObject(parent), m_on(on) {}

ReduceMotionSetting::~ReduceMotionSetting()
{
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::unique_ptr<ReduceMotionSetting> ReduceMotionSetting::live()
{
    auto setting = std::make_unique<ReduceMotionSetting>();
    setting->m_forced = qEnvironmentVariable("QUAVERLOOM_REDUCE_MOTION") == QLatin1String("1");
    if (!setting->m_forced)
        setting->followDesktop();
    setting->m_on = decide(setting->m_forced, setting->m_desktopAnimations, setting->m_kdeDurationFactor);
    if (setting->m_on && !setting->m_forced)
        qCInfo(logger().category(), "Animations reduced: the desktop has turned them off");
    return setting;
}

void ReduceMotionSetting::set(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    emit changed(on);
}

bool ReduceMotionSetting::decide(bool forced, std::optional<bool> desktopAnimations,
                                 std::optional<double> kdeDurationFactor)
{
    if (forced)
        return true;
    if (desktopAnimations)
        return !*desktopAnimations;
    return kdeDurationFactor && *kdeDurationFactor <= 0;
}

std::optional<double> ReduceMotionSetting::kdeDurationFactor(const QByteArray& kdeglobals)
{
    bool inKdeGroup = false;
    for (const QByteArray& rawLine : kdeglobals.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inKdeGroup = line == "[KDE]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inKdeGroup || equals < 0)
            continue;
        QByteArray key = line.left(equals).trimmed();
        // A key may carry flags such as [$i] (immutable).
        if (const qsizetype flags = key.indexOf('['); flags >= 0)
            key.truncate(flags);
        if (key != "AnimationDurationFactor")
            continue;
        bool ok = false;
        const double factor = line.mid(equals + 1).trimmed().toDouble(&ok);
        if (ok)
            return factor;
    }
    return std::nullopt;
}

std::optional<bool> ReduceMotionSetting::desktopAnimations(const QByteArray& xsettings)
{
    const auto settings = XSettings::parse(xsettings);
    if (!settings)
        return std::nullopt;
    const auto found = settings->constFind(QByteArrayLiteral("Gtk/EnableAnimations"));
    if (found == settings->cend() || !std::holds_alternative<qint32>(*found))
        return std::nullopt;
    return std::get<qint32>(*found) != 0;
}

void ReduceMotionSetting::followDesktop()
{
    if (isKdeSession()) {
        m_kdeGlobalsPath =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/kdeglobals");
        m_kdeWatcher = new QFileSystemWatcher(this);
        // The file is replaced when written: watched again each time, and its folder while it is missing.
        connect(m_kdeWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
            readKdeGlobals();
            reevaluate();
        });
        connect(m_kdeWatcher, &QFileSystemWatcher::directoryChanged, this, [this] {
            readKdeGlobals();
            reevaluate();
        });
        readKdeGlobals();
    }

    xcb_connection_t* c = X11Support::connection();
    if (!c)
        return;
    const QByteArray selection = "_XSETTINGS_S" + QByteArray::number(X11Support::screenNumber());
    const xcb_intern_atom_cookie_t cookies[] = {
        xcb_intern_atom(c, 0, uint16_t(selection.size()), selection.constData()),
        xcb_intern_atom(c, 0, 19, "_XSETTINGS_SETTINGS"),
        xcb_intern_atom(c, 0, 7, "MANAGER"),
    };
    const xcb_window_t root = X11Support::rootWindow();
    const auto rootAttributes = xcb_get_window_attributes(c, root);
    quint32* atoms[] = {&m_selectionAtom, &m_settingsAtom, &m_managerAtom};
    for (int i = 0; i < 3; ++i) {
        if (auto reply = xcbReply(xcb_intern_atom_reply(c, cookies[i], nullptr)))
            *atoms[i] = reply->atom;
    }
    // A settings manager that starts later announces itself to the root window's structure listeners.
    if (auto attributes = xcbReply(xcb_get_window_attributes_reply(c, rootAttributes, nullptr)))
        selectEvents(c, root, attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    if (!m_selectionAtom || !m_settingsAtom)
        return;
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_filtering = true;
    findSettingsManager();
}

void ReduceMotionSetting::findSettingsManager()
{
    m_managerWindow = 0;
    m_desktopAnimations.reset();
    xcb_connection_t* c = X11Support::connection();
    auto owner = xcbReply(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selectionAtom), nullptr));
    if (!owner || !owner->owner)
        return;
    if (!selectEvents(c, owner->owner, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY))
        return;
    m_managerWindow = owner->owner;
    readDesktopAnimations();
}

void ReduceMotionSetting::readDesktopAnimations()
{
    xcb_connection_t* c = X11Support::connection();
    auto property = xcbReply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_managerWindow, m_settingsAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20), nullptr));
    if (!property || property->format != 8) {
        m_desktopAnimations.reset();
        return;
    }
    const QByteArray bytes(static_cast<const char*>(xcb_get_property_value(property.get())),
                           xcb_get_property_value_length(property.get()));
    m_desktopAnimations = desktopAnimations(bytes);
}

void ReduceMotionSetting::readKdeGlobals()
{
    m_kdeDurationFactor.reset();
    // The user's file first, then the system's: the first that sets the factor wins.
    for (const QString& path :
         QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"))) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            m_kdeDurationFactor = kdeDurationFactor(file.read(1 << 20));
        if (m_kdeDurationFactor)
            break;
    }
    const QString folder = QFileInfo(m_kdeGlobalsPath).path();
    m_kdeWatcher->removePaths(m_kdeWatcher->files() + m_kdeWatcher->directories());
    m_kdeWatcher->addPath(QFileInfo::exists(m_kdeGlobalsPath) ? m_kdeGlobalsPath : folder);
}

void ReduceMotionSetting::reevaluate()
{
    const bool was = m_on;
    set(decide(m_forced, m_desktopAnimations, m_kdeDurationFactor));
    if (m_on != was)
        qCInfo(logger().category(), "%s", m_on ? "Animations reduced: the desktop has turned them off"
                                                : "Animations back: the desktop has turned them on");
}

bool ReduceMotionSetting::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (m_managerWindow && changed->window == m_managerWindow && changed->atom == m_settingsAtom) {
            readDesktopAnimations();
            reevaluate();
        }
        break;
    }
    case XCB_DESTROY_NOTIFY:
        if (m_managerWindow && reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == m_managerWindow) {
            findSettingsManager();
            reevaluate();
        }
        break;
    case XCB_CLIENT_MESSAGE: {
        const auto* announcement = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (announcement->type == m_managerAtom && announcement->data.data32[1] == m_selectionAtom) {
            findSettingsManager();
            reevaluate();
        }
        break;
    }
    default:
        break;
    }
    return false;
}
