// The geometry operations that act on the current canvas. Until a canvas can be reached from
// here they refuse with an Exception rather than touch a canvas that does not exist.
#include "app/exception.h"
#include "geometry/point.h"
#include "geometry/rectangle.h"

#include <typeinfo>

namespace Lumidraft {

void Rectangle::draw(Color c)
{
    (void)c;
    throw Exception(typeid(Rectangle), "API ERROR", "No canvas is open.");
}

Rectangle& Rectangle::centerAt() { throw Exception(typeid(Rectangle), "API ERROR", "No canvas is open."); }

Point& Point::centerAt() { throw Exception(typeid(Point), "API ERROR", "No canvas is open."); }

} // namespace Lumidraft
