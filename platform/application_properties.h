// APIApplicationProperties: the process-wide record of what the entry point received from the
// system and what the window layer needs from it (instance, show command, window-class name).
#pragma once

#include <string>

namespace Lumidraft {

struct APIApplicationProperties {
    void* instance = nullptr;         // the module instance handle (null off Windows)
    void* previousInstance = nullptr; // always null
    std::string commandLine;          // stored, never read
    int showCommand = 1;              // Windows SW_* value given to the window when first shown
    std::string windowClassName;      // "LumidraftWindow", filled by the entry point and start-up

    static constexpr const char* defaultWindowClassName = "LumidraftWindow";
};

// The one record of the process.
APIApplicationProperties& applicationProperties();

} // namespace Lumidraft
