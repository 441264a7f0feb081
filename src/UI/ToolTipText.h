#pragma once

#include <QString>

// User text (titles, section names, reasons) as a tooltip that shows it exactly
// as typed: a tooltip guesses rich text, so "R&D" or "<b>x</b>" must be escaped
// and marked as rich text, and line breaks kept.
QString plainTextToolTip(const QString& userText);
