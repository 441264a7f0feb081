#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <optional>
#include <variant>

// The XSETTINGS protocol: desktop settings a settings manager (GNOME's, Xfce's,
// Cinnamon's, MATE's) publishes in the _XSETTINGS_SETTINGS property of the
// window that owns the _XSETTINGS_S<screen> selection.
namespace XSettings {
struct Color {
    quint16 red = 0, green = 0, blue = 0, alpha = 0;
    friend bool operator==(const Color&, const Color&) = default;
};
using Value = std::variant<qint32, QByteArray, Color>;

// The settings in a property's bytes, by name; none when the bytes do not
// hold a whole, well-formed list.
std::optional<QHash<QByteArray, Value>> parse(QByteArrayView bytes);
} // namespace XSettings
