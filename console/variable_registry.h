// The process-wide registry of adjustable variables with its selection, the registration chain
// (registerVariable(v).label(...).range(...).step(shift).step(normal)), the console's arrow-key
// handling and its on/off switch.
#pragma once

#include "console/adjustable_variable.h"
#include "geometry/range.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Lumidraft {

// Returned by registerVariable; its setters find the entry bound to the same variable.
class VariableRegistrar {
public:
    explicit VariableRegistrar(void* variable) : address(variable) {}

    VariableRegistrar& label(const char* text);
    VariableRegistrar& label(const std::string& text);
    VariableRegistrar& range(const Range& rng);
    // The first step given is the Shift step; every later one replaces the ordinary step.
    VariableRegistrar& step(double s);
    VariableRegistrar& step(int s) { return step(static_cast<double>(s)); }

    // Null: every setter does nothing.
    void* address;
    bool stepGiven = false;

private:
    AdjustableVariable* entry() const;
};

// Appends a new entry bound to the variable and moves the selection back to the first entry.
// The variable's value is not changed.
VariableRegistrar registerVariable(int& variable);
VariableRegistrar registerVariable(double& variable);

// The registered entries in registration order. The registry owns them.
const std::vector<std::unique_ptr<AdjustableVariable>>& registeredVariables();
// The selected entry's position; npos while nothing is registered.
inline constexpr std::size_t noSelection = static_cast<std::size_t>(-1);
std::size_t selectedVariable();
// Empties the registry (start-up does this once, before the experiment runs).
void clearRegisteredVariables();

// Right/Left change the selected entry by one step (the Shift step while Shift is held), Up/Down
// move the selection with wrap-around. Each key query pumps the message queue once.
void handleConsoleKeys();

void setConsoleVisible(bool visible);
bool isConsoleVisible();

} // namespace Lumidraft
