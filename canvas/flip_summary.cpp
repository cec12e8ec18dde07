#include "canvas/flip_summary.h"

#include <cmath>
#include <cstdio>

namespace Lumidraft::detail {

void FlipSummary::add(double intervalMs, int missed) noexcept
{
    ++flips;
    // Welford's update: stable over long runs of nearly equal intervals.
    const double delta = intervalMs - mean;
    mean += delta / static_cast<double>(flips);
    sumSquares += delta * (intervalMs - mean);
    if (flips == 1 || intervalMs > max)
        max = intervalMs;
    if (missed > 0) {
        missedRefreshes += missed;
        ++flipsMissing;
    }
}

double FlipSummary::sd() const noexcept
{
    return flips < 2 ? 0.0 : std::sqrt(sumSquares / static_cast<double>(flips - 1));
}

std::string FlipSummary::line(double refreshHz) const
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "Lumidraft: %lld flips at %.2f Hz, %lld refreshes missed in %lld flips; interval mean %.2f ms, "
                  "SD %.2f ms, max %.2f ms",
                  flips, refreshHz, missedRefreshes, flipsMissing, mean, sd(), max);
    return text;
}

} // namespace Lumidraft::detail
