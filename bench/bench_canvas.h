// The canvas the drawing benchmarks draw on: a 1024 x 768 full screen on the scripted machine,
// with no waiting for a retrace, so a frame costs what drawing it costs.
#pragma once

#include "canvas/canvas.h"
#include "platform/script/script_backend.h"
#include "timing/clock.h"

#include <memory>

namespace Lumidraft::bench {

inline Canvas& scriptedCanvas()
{
    static std::unique_ptr<Canvas> instance = [] {
        auto& machine = platform::useScriptBackend();
        machine.setDesktopMode({1024, 768, 32, 60});
        machine.setDisplayModes({{1024, 768, 32, 60}});
        machine.setRetraceRate(0.0);
        Clock::initializeFrequency();
        return std::make_unique<Canvas>(0);
    }();
    return *instance;
}

} // namespace Lumidraft::bench
