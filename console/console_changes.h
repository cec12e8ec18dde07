// What the observer changed through the console keys. handleConsoleKeys notes each change; the
// flip in which it happened stamps it with its frame and time and keeps it in the run's history,
// which the data file's sidecar reads at close. Nothing here allocates while a flip runs, once
// the history has been reserved (the canvas does that when it opens).
#pragma once

#include "console/adjustable_variable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Lumidraft {

struct ConsoleChange {
    std::size_t variable = 0; // position in the registry
    double before = 0.0;
    double after = 0.0;
    bool integer = false;
    std::int64_t frame = 0;   // the flip at which it took effect, counted from the canvas's opening
    double timeMs = 0.0;      // that flip's return, in milliseconds since the canvas opened
};

namespace console {

// The bound variable's value and whether it is an int; false for a kind of entry this file does
// not know.
bool readVariable(AdjustableVariable& entry, double& value, bool& integer);
// The entry's label, or null when the position holds no entry.
const std::string* variableLabel(std::size_t variable);

// handleConsoleKeys: a change just made.
void noteChange(std::size_t variable, double before, double after, bool integer) noexcept;
// The changes noted since the last stamp, oldest first.
std::size_t pendingChanges(const ConsoleChange*& first) noexcept;
// The flip: stamps the pending changes, appends them to the history and clears them.
void stampPendingChanges(std::int64_t frame, double timeMs);

void reserveHistory();
const std::vector<ConsoleChange>& history();
// "Rect Size 500 -> 510" into a fixed buffer (cut short if it does not fit); returns the length.
std::size_t describeChange(const ConsoleChange& change, char* out, std::size_t capacity) noexcept;

namespace detail {
// Tests only.
void forgetHistory() noexcept;
} // namespace detail

} // namespace console
} // namespace Lumidraft
