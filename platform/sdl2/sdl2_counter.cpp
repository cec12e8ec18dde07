// SDL2 backend: the high-resolution counter.
// Stands in for QueryPerformanceFrequency/Counter. Limits: none beyond SDL's (its frequency is
// never 0 on the supported systems; 0 is still reported as "no counter").
// Dependencies: SDL2.
#include "platform/sdl2/sdl2_backend.h"

namespace Lumidraft::platform {

bool Sdl2Backend::counterFrequency(std::int64_t& ticksPerSecond)
{
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    if (frequency == 0)
        return false;
    ticksPerSecond = static_cast<std::int64_t>(frequency);
    return true;
}

std::int64_t Sdl2Backend::counterValue() { return static_cast<std::int64_t>(SDL_GetPerformanceCounter()); }

} // namespace Lumidraft::platform
