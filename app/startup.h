// initializeFramework: the framework's one-time start-up (random seeds, window-class name,
// counter frequency, input tables, variable registry), run by the entry point before launch.
#pragma once

namespace Lumidraft {

// Runs once per process; later calls do nothing. Raises Exception (Clock, "HARDWARE NOT
// SUPPORTED") when there is no usable counter, and then stays not-run.
void initializeFramework();
bool frameworkInitialized() noexcept;

namespace detail {
// Tests only: lets the next initializeFramework run again.
void forgetFrameworkStartup() noexcept;
} // namespace detail

} // namespace Lumidraft
