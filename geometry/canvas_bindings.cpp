// The geometry operations that act on the current canvas. With no open canvas they raise the
// current-canvas Exception rather than touch a canvas that does not exist.
#include "canvas/active_canvas.h"
#include "geometry/point.h"
#include "geometry/rectangle.h"

namespace Lumidraft {

void Rectangle::draw(Color c) { ActiveCanvas::drawRect(*this, c); }

Rectangle& Rectangle::centerAt() { return centerAt(ActiveCanvas::getCenter()); }

Point& Point::centerAt()
{
    const Point centre = ActiveCanvas::getCenter();
    return set(centre.x, centre.y);
}

} // namespace Lumidraft
