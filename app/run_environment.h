// The run's settings from the environment, read once, at start-up (or at first use when a
// program opens a canvas without the entry point):
//   LUMIDRAFT_TIMING_LOG  path of the per-flip timing CSV (an SVG of the same name goes beside it)
//   LUMIDRAFT_SCRIPT      set when the run is driven by a run script (only its presence is used here)
#pragma once

#include <string>

namespace Lumidraft {

struct RunEnvironment {
    std::string timingLog; // empty: no timing log
    bool scriptGiven = false;
};

const RunEnvironment& runEnvironment();

// The value of an environment variable, empty when it is not set.
std::string environmentVariable(const char* name);

namespace detail {
// Tests only: replaces what was read (or will be read).
void setRunEnvironment(const RunEnvironment& environment);
} // namespace detail

} // namespace Lumidraft
