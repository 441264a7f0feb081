#pragma once

#include <algorithm>

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

// An axis-aligned rectangle in points. Which way y grows is the caller's
// coordinate space: screen rectangles grow upwards from the bottom left,
// panel-local ones downwards from the top left.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double midX() const { return x + width / 2; }
    double maxX() const { return x + width; }
    double minY() const { return y; }
    double midY() const { return y + height / 2; }
    double maxY() const { return y + height; }
    Size size() const { return {width, height}; }

    bool isEmpty() const { return width <= 0 || height <= 0; }

    // Half-open: the maximum edges are outside, so touching rectangles share no point.
    bool contains(Point p) const
    {
        return !isEmpty() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }

    // Negative insets grow the rectangle.
    Rect insetBy(double dx, double dy) const { return {x + dx, y + dy, width - 2 * dx, height - 2 * dy}; }

    // The same rectangle in the space whose y axis runs the other way, mirrored
    // so that y = 0 and y = spaceHeight swap. Applying it twice gives the original.
    Rect verticallyFlipped(double spaceHeight) const { return {x, spaceHeight - maxY(), width, height}; }

    friend bool operator==(const Rect&, const Rect&) = default;
};
