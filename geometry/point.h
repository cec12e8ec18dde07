// Point: a position in canvas pixels, x rightwards and y downwards from the top-left pixel.
#pragma once

namespace Lumidraft {

class Point {
public:
    Point() : x(0.0), y(0.0) {}
    Point(double x_, double y_) : x(x_), y(y_) {}

    Point& set(double x_, double y_);
    Point& shift(double dx, double dy);
    // Moves to the current canvas's centre; raises an Exception when no canvas is open.
    Point& centerAt();
    Point& centerAt(double x_, double y_) { return set(x_, y_); }
    Point& setX(double x_);
    Point& setY(double y_);
    double getX() const { return x; }
    double getY() const { return y; }

    double x;
    double y;
};

} // namespace Lumidraft
