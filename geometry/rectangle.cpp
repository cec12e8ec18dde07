#include "geometry/rectangle.h"

#include "app/exception.h"

#include <cmath>
#include <typeinfo>
#include <utility>

namespace Lumidraft {

namespace {

[[noreturn]] void throwSizeError()
{
    throw Exception(typeid(Rectangle), "SIZE ERROR", "Width and Height must be defined as positive value.");
}

} // namespace

Rectangle::Rectangle() : left(0.0), top(0.0), right(0.0), bottom(0.0), color() {}

Rectangle::Rectangle(double l, double t, double r, double b) : Rectangle()
{
    // Written so that NaN edges are refused too.
    if (!(r - l > 0) || !(b - t > 0))
        throwSizeError();
    set(l, t, r, b);
}

Rectangle::Rectangle(double w, double h) : Rectangle()
{
    if (!(w > 0) || !(h > 0))
        throwSizeError();
    set(w, h);
}

Rectangle& Rectangle::set(double l, double t, double r, double b)
{
    if (l > r)
        std::swap(l, r);
    if (t > b)
        std::swap(t, b);
    left = l;
    top = t;
    right = r;
    bottom = b;
    return *this;
}

Rectangle& Rectangle::set(const Rectangle& other) { return set(other.left, other.top, other.right, other.bottom); }

Rectangle& Rectangle::set(const Point& p1, const Point& p2) { return set(p1.x, p1.y, p2.x, p2.y); }

Rectangle& Rectangle::set(double w, double h)
{
    left = 0.0;
    top = 0.0;
    right = w - 1;
    bottom = h - 1;
    return *this;
}

Rectangle& Rectangle::setColor(Color c)
{
    color = c;
    return *this;
}

Rectangle& Rectangle::resize(double w, double h)
{
    const double cx = getCenterX();
    const double cy = getCenterY();
    set(w, h);
    return centerAt(cx, cy);
}

Rectangle& Rectangle::centerAt(double x, double y)
{
    const double halfW = (getWidth() - 1) / 2;
    const double halfH = (getHeight() - 1) / 2;
    left = x - halfW;
    right = x + halfW;
    top = y - halfH;
    bottom = y + halfH;
    return *this;
}

Rectangle& Rectangle::centerAt(const Point& p) { return centerAt(p.x, p.y); }

Rectangle& Rectangle::centerAt(const Rectangle& other) { return centerAt(other.getCenterX(), other.getCenterY()); }

Rectangle& Rectangle::shift(double dx, double dy) { return set(left + dx, top + dy, right + dx, bottom + dy); }

Rectangle& Rectangle::clip(const Rectangle& other)
{
    const double l = left > other.left ? left : other.left;
    const double t = top > other.top ? top : other.top;
    const double r = right < other.right ? right : other.right;
    const double b = bottom < other.bottom ? bottom : other.bottom;
    if (r < l || b < t)
        throw Exception(typeid(Rectangle), "SIZE ERROR", "Cripped rectangle is null.");
    return set(l, t, r, b);
}

void Rectangle::draw() { draw(color); }

double Rectangle::getWidth() const { return std::fabs(right - left) + 1; }

double Rectangle::getHeight() const { return std::fabs(bottom - top) + 1; }

} // namespace Lumidraft
