#pragma once

#include <QString>
#include <QUuid>
#include <optional>

namespace Uuid {
// Canonical 36-character form, upper-case, no braces (how task ids are written).
QString upperString(const QUuid& id);
// Canonical 36-character form, lower-case, no braces (custom section ids).
QString lowerString(const QUuid& id);
// Strict parse: exactly 36 characters in the 8-4-4-4-12 form, either case, no braces.
std::optional<QUuid> parse(const QString& text);
std::optional<QUuid> parse(QLatin1StringView text);
// Order by canonical string, which is what every stored order relies on.
int compare(const QUuid& a, const QUuid& b);
inline bool less(const QUuid& a, const QUuid& b) { return compare(a, b) < 0; }
} // namespace Uuid
