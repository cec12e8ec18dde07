#include "geometry/point.h"

namespace Lumidraft {

Point& Point::set(double x_, double y_)
{
    x = x_;
    y = y_;
    return *this;
}

Point& Point::shift(double dx, double dy)
{
    x += dx;
    y += dy;
    return *this;
}

Point& Point::setX(double x_)
{
    x = x_;
    return *this;
}

Point& Point::setY(double y_)
{
    y = y_;
    return *this;
}

} // namespace Lumidraft
