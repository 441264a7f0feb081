#pragma once

#include <QString>

namespace Text {
// String equality under which canonically equivalent strings are equal.
bool sameText(const QString& a, const QString& b);
// Localized, case-insensitive three-way comparison (<0, 0, >0).
int localizedCaseInsensitiveCompare(const QString& a, const QString& b);
// Trims white space and line breaks at both ends.
QString trimmed(const QString& text);
} // namespace Text
