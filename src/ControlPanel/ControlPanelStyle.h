#pragma once

#include "ControlPanel/ControlPanelViewModel.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRectF>

class QAbstractButton;
class QPainter;
class QWidget;

// Colours, fonts and card painting shared by the control-panel views. Colours
// come from the window's palette (the desktop's, or the chosen light or dark
// one) and the fixed values of the cards; nothing here reads the template.
namespace ControlPanelStyle {
enum class TextStyle { title3, headline, body, subheadline, caption };

QFont textFont(TextStyle style, QFont::Weight weight = QFont::Normal);
QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);

bool isDark(const QPalette& palette);
QColor primary(const QPalette& palette, double opacity = 1.0);
// Labels take the secondary colour with setForegroundRole(QPalette::PlaceholderText),
// which the desktop's and our palettes set to the same shade.
QColor secondary(const QPalette& palette, double opacity = 1.0);
QColor tertiary(const QPalette& palette);
QColor accent(const QPalette& palette, double opacity = 1.0);
QColor controlBackground(const QPalette& palette);
QColor cardShadowColor(const QPalette& palette);

struct TintColors {
    QColor text;
    QColor fill;
    QColor stroke;
};
TintColors tint(ControlPanelStatusTint tint, const QPalette& palette);

// The palette of an appearance: the desktop's for system, else a fixed light or dark one.
QPalette palette(AppAppearanceMode mode, const QPalette& desktop);

// A dialog or menu opened from the window takes the window's appearance along:
// Qt gives a window of its own the desktop's palette, not its parent's.
void followParentAppearance(QWidget* window);

// A destructive action reads in red while it can be used; disabled, it greys like any button.
void markDestructive(QAbstractButton* button);

constexpr double cardRadius = 18;

// A soft shadow under a rounded rectangle, drawn as a few widening layers.
void paintShadow(QPainter& painter, const QRectF& rect, double radius, const QColor& color, double blur,
                 double offsetY);
// The card: shadow, filled shape, and the faint border.
void paintCard(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& border, const QColor& shadow,
               double shadowBlur, double shadowOffsetY);
} // namespace ControlPanelStyle

namespace ControlPanelStyle {
// A named symbol fitted into `rect`, stroked in `color`; `pointSize` is the
// text size the symbol stands beside and sets its line weight.
void paintSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color, double pointSize,
                 QFont::Weight weight = QFont::Normal);
} // namespace ControlPanelStyle
