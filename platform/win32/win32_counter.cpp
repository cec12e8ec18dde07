// Win32 backend: the high-resolution counter, QueryPerformanceFrequency and
// QueryPerformanceCounter. A frequency call that fails or reports no ticks means "no counter".
// Dependencies: kernel32.
#include "platform/win32/win32_backend.h"

namespace Lumidraft::platform {

bool Win32Backend::counterFrequency(std::int64_t& ticksPerSecond)
{
    LARGE_INTEGER frequency{};
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0)
        return false;
    ticksPerSecond = frequency.QuadPart;
    return true;
}

std::int64_t Win32Backend::counterValue()
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

} // namespace Lumidraft::platform
