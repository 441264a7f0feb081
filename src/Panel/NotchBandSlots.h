#pragma once

#include "Overlay/NotchBandLayout.h"

#include <QWidget>

// The header band level with the notch: two slot views placed at the band
// layout's slot frames (panel-local, so the band's own origin is not added).
// The views are kept; a new layout only moves and resizes them.
class NotchBandSlots final : public QWidget {
    Q_OBJECT
public:
    NotchBandSlots(QWidget* left, QWidget* right, QWidget* parent = nullptr);

    void setLayout(const NotchBandLayout& layout);
    const NotchBandLayout& bandLayout() const { return m_layout; }
    QWidget* left() const { return m_left; }
    QWidget* right() const { return m_right; }

private:
    NotchBandLayout m_layout;
    QWidget* m_left;
    QWidget* m_right;
};
