#include "app/launch.h"

#include "canvas/canvas.h"
#include "console/experiment_runner.h"

namespace Lumidraft {

void launch()
{
    Canvas canvas(0); // destroyed, with its window, however the experiment ends
    ExperimentRunner runner;
    runner.setConsoleOption(0);
    runner.setMain(&experimentMain);
    runner.run();
}

} // namespace Lumidraft
