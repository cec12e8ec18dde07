// FlipSummary: running totals of a canvas's flips for the line it prints when it closes:
//   Lumidraft: 1500 flips at 60.00 Hz, 13 refreshes missed in 9 flips; interval mean 16.68 ms, SD 0.21 ms, max 50.02 ms
#pragma once

#include <string>

namespace Lumidraft::detail {

struct FlipSummary {
    long long flips = 0;
    long long missedRefreshes = 0;
    long long flipsMissing = 0;
    double mean = 0.0;
    double sumSquares = 0.0; // of the deviations from the running mean
    double max = 0.0;

    // One flip: the measured interval since the previous flip returned, and its missed count.
    void add(double intervalMs, int missed) noexcept;
    // Sample standard deviation; 0 below two flips.
    double sd() const noexcept;
    std::string line(double refreshHz) const;
};

} // namespace Lumidraft::detail
