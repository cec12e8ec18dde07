#include "console/experiment_runner.h"

#include "app/exception.h"
#include "console/variable_registry.h"

#include <typeinfo>

namespace Lumidraft {

ExperimentRunner& ExperimentRunner::setConsoleOption(int option)
{
    consoleOption = option;
    return *this;
}

ExperimentRunner& ExperimentRunner::setMain(MainFunction function)
{
    main = function;
    return *this;
}

void ExperimentRunner::run()
{
    if (!main)
        throw Exception(typeid(ExperimentRunner), "ARGUMENT ERROR", "No experiment main function is set.");
    if (consoleOption == 0)
        setConsoleVisible(true);
    main();
}

} // namespace Lumidraft
