#include "Overlay/NotchPanel.h"

NotchPanel::NotchPanel(QWidget* parent) : OverlayWindow(parent)
{
    setWindowTitle(QStringLiteral("QuaverLoom"));
    setAccessibleName(QStringLiteral("QuaverLoom notch"));
}
