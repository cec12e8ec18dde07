#include "app/startup.h"

#include "app/run_environment.h"
#include "console/variable_registry.h"
#include "platform/application_properties.h"
#include "platform/input.h"
#include "timing/clock.h"
#include "timing/random.h"

namespace Lumidraft {

namespace {
bool started = false;
}

void initializeFramework()
{
    if (started)
        return; // a second run would reseed and re-read the counter frequency
    runEnvironment(); // the LUMIDRAFT_* settings, read once, before anything opens
    seedRandomFromTime();
    applicationProperties().windowClassName = APIApplicationProperties::defaultWindowClassName;
    Clock::initializeFrequency(); // may raise; the flag then stays clear
    // The input tables and the variable registry come last, after the counter is known to work.
    initializeInput();
    clearRegisteredVariables();
    started = true;
}

bool frameworkInitialized() noexcept { return started; }

namespace detail {
void forgetFrameworkStartup() noexcept { started = false; }
} // namespace detail

} // namespace Lumidraft
