// Real-to-integer conversion for pixel positions and counts. Internal to canvas/.
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

} // namespace Lumidraft::detail
