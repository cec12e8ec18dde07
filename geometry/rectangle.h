// Rectangle: a block of whole canvas pixels given by four inclusive edges, plus the colour used
// when it draws itself. Centring, resizing and clipping are plain arithmetic.
#pragma once

#include "geometry/color.h"
#include "geometry/point.h"

namespace Lumidraft {

class Image;

class Rectangle {
public:
    // Edges start at 0; the colour is transparent black.
    Rectangle();
    // Raises "SIZE ERROR" unless r - l > 0 and b - t > 0.
    Rectangle(double l, double t, double r, double b);
    // Raises "SIZE ERROR" unless w > 0 and h > 0. Edges (0, 0, w - 1, h - 1).
    Rectangle(double w, double h);

    // The four-edge setters order their edges so that left <= right and top <= bottom.
    Rectangle& set(double l, double t, double r, double b);
    Rectangle& set(const Rectangle& other); // edges only, not the colour
    Rectangle& set(const Point& p1, const Point& p2);
    Rectangle& set(double w, double h); // (0, 0, w - 1, h - 1), unchecked
    Rectangle& setColor(Color c);
    // New size, same centre.
    Rectangle& resize(double w, double h);

    // Centring keeps the size; edges fall on half pixels for an even size.
    Rectangle& centerAt(double x, double y);
    Rectangle& centerAt(const Point& p);
    Rectangle& centerAt(const Rectangle& other);
    // On the current canvas's centre; raises an Exception when no canvas is open.
    Rectangle& centerAt();
    // On the image's own centre (width div 2, height div 2); defined with Image.
    Rectangle& centerAt(const Image& image);
    Rectangle& shift(double dx, double dy);
    // Intersection with other; raises "SIZE ERROR" and leaves this unchanged when it is empty.
    Rectangle& clip(const Rectangle& other);

    // Fill on the current canvas with the colour member, or with c (the member is unchanged).
    void draw();
    void draw(Color c);

    double getWidth() const;
    double getHeight() const;
    Point getCenter() const { return Point(getCenterX(), getCenterY()); }
    double getCenterX() const { return (left + right) / 2; }
    double getCenterY() const { return (top + bottom) / 2; }
    double getLeft() const { return left; }
    double getTop() const { return top; }
    double getRight() const { return right; }
    double getBottom() const { return bottom; }

    double left;
    double top;
    double right;
    double bottom;
    Color color;
};

} // namespace Lumidraft
