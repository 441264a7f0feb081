#pragma once

#include <QString>

namespace Text {
// String equality under which canonically equivalent strings are equal.
bool sameText(const QString& a, const QString& b);
// Localized, case-insensitive three-way comparison (<0, 0, >0).
int localizedCaseInsensitiveCompare(const QString& a, const QString& b);
// Trims white space and line breaks at both ends.
QString trimmed(const QString& text);

// A stored title may be megabytes long, but no view shows more than a few
// lines of it: whatever shows or measures user text works on this much.
inline constexpr qsizetype displayPrefixLength = 1000;
// The text itself when short enough, else its first `limit` characters (never
// half a surrogate pair) followed by an ellipsis.
QString displayPrefix(const QString& text, qsizetype limit = displayPrefixLength);
} // namespace Text
