#pragma once

#include <QImage>
#include <QRegion>

// For windows that cannot show translucency: every pixel at least half covered
// becomes opaque in its own colour, every other one is cleared, and the kept
// pixels are returned as the region a window's shape should keep. Nothing
// half transparent is left to show dark against the black behind the window.
class OpaqueCutout {
public:
    // `image` must be ARGB32 premultiplied; the region is in its pixels.
    static QRegion cut(QImage& image);
};
