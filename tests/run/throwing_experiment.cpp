// An experiment that fails on its fourth frame with a framework error, for the scripted-run
// tests: the run must end with status 1 and the error's text on stderr.
#include "lumidraft.h"

using namespace Lumidraft;

void experimentMain()
{
    for (int frame = 1;; ++frame) {
        ActiveCanvas::clear(Color(0.5));
        ActiveCanvas::flip(frame < 4 ? 1 : -1);
    }
}
