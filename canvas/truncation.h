// Real-to-integer conversion for pixel positions and counts, and overflow-safe count sums.
// Internal to canvas/.
#pragma once

#include <cmath>
#include <cstdint>

namespace Lumidraft::detail {

// Truncates toward zero, saturating at the int32 limits (NaN gives 0): a wild coordinate or a
// clock that jumped must not turn into undefined behaviour.
inline std::int32_t truncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<std::int32_t>(value);
}

// a + b, held at the int32 limits: the frame and missed totals must not overflow however long a
// run or a stall lasts.
inline std::int32_t saturatingAdd(std::int32_t a, std::int32_t b)
{
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > 2147483647)
        return 2147483647;
    if (sum < -2147483647 - 1)
        return -2147483647 - 1;
    return static_cast<std::int32_t>(sum);
}

} // namespace Lumidraft::detail
