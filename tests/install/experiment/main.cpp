// A minimal experiment: a white square on grey until Escape.
#include <lumidraft.h>

void experimentMain()
{
    using namespace Lumidraft;
    Rectangle square(100, 100);
    while (!queryKey(escape, pushed)) {
        ActiveCanvas::clear(Color::gray);
        square.centerAt();
        square.draw(Color::white);
        ActiveCanvas::flip();
    }
}
