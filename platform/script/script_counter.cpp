// Script backend: the virtual high-resolution counter and the buffer-swap clock.
// Stands in for QueryPerformanceCounter/Frequency and for the wait a real swap makes for the
// display's retrace, so flip timing is deterministic. Limits: time moves only when the code reads
// the counter or swaps, or when the test advances it. Dependencies: the standard library only.
#include "platform/script/script_backend.h"

#include <algorithm>
#include <cmath>

namespace Lumidraft::platform {

bool ScriptBackend::counterFrequency(std::int64_t& ticksPerSecond)
{
    if (frequency_ <= 0)
        return false;
    ticksPerSecond = frequency_;
    return true;
}

std::int64_t ScriptBackend::counterValue()
{
    ++counterReads_;
    const std::int64_t now = counter_;
    counter_ += readQuantum_;
    return now;
}

void ScriptBackend::setCounterFrequency(std::int64_t ticksPerSecond) { frequency_ = ticksPerSecond; }

void ScriptBackend::simulateSwap()
{
    std::int64_t done = counter_;
    if (!swapScript_.empty()) {
        done = std::max(counter_, lastSwap_ + swapScript_.front());
        swapScript_.pop_front();
    } else {
        if (retraceHz_ > 0.0 && frequency_ > 0) {
            const long double period = static_cast<long double>(frequency_) / retraceHz_;
            auto k = static_cast<std::int64_t>(std::floor(static_cast<long double>(counter_) / period)) + 1;
            done = std::llround(k * period);
            while (done <= counter_)
                done = std::llround(++k * period);
        }
        done += swapExtraDelay_;
    }
    counter_ = done;
    lastSwap_ = done;
    ++swapCount_;
}

} // namespace Lumidraft::platform
