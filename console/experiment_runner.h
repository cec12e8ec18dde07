// ExperimentRunner: the launch record through which the launcher starts the experiment's main
// function, switching the console on first when the console option is 0.
#pragma once

#include <cstdint>

namespace Lumidraft {

class ExperimentRunner {
public:
    using MainFunction = void (*)();

    ExperimentRunner& setConsoleOption(int option);
    ExperimentRunner& setMain(MainFunction function);
    // Option 0 turns the console on; then main runs. Exceptions from main pass through. Without a
    // main function it raises an Exception rather than call through a null pointer.
    void run();

    MainFunction main = nullptr;
    std::int32_t consoleOption = 0;
};

} // namespace Lumidraft
