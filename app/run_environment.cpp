#include "app/run_environment.h"

#include <cstdlib>
#include <optional>

namespace Lumidraft {

namespace {

std::optional<RunEnvironment>& slot()
{
    static std::optional<RunEnvironment> environment;
    return environment;
}

} // namespace

std::string environmentVariable(const char* name)
{
#if defined(_MSC_VER)
    char* value = nullptr;
    std::size_t length = 0;
    std::string result;
    if (_dupenv_s(&value, &length, name) == 0 && value) {
        result = value;
        std::free(value);
    }
    return result;
#else
    const char* value = std::getenv(name);
    return value ? value : "";
#endif
}

const RunEnvironment& runEnvironment()
{
    auto& environment = slot();
    if (!environment) {
        RunEnvironment read;
        read.timingLog = environmentVariable("LUMIDRAFT_TIMING_LOG");
        read.scriptGiven = !environmentVariable("LUMIDRAFT_SCRIPT").empty();
        environment = read;
    }
    return *environment;
}

namespace detail {
void setRunEnvironment(const RunEnvironment& environment) { slot() = environment; }
} // namespace detail

} // namespace Lumidraft
