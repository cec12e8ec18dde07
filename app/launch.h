// launch: opens the canvas in the display's current mode and runs the experiment on it; and the
// experiment's main function, which every experiment program defines.
#pragma once

// Defined by the experiment (the demo in console/ is one): the experiment's frame loop.
void experimentMain();

namespace Lumidraft {

// Opens Canvas(0), runs experimentMain through the console's ExperimentRunner with console
// option 0 (console on), then destroys the canvas; errors propagate after the canvas is gone.
void launch();

} // namespace Lumidraft
