#include "console/variable_registry.h"

#include "console/console_changes.h"
#include "platform/input.h"

namespace Lumidraft {

namespace {

struct Registry {
    std::vector<std::unique_ptr<AdjustableVariable>> entries;
    std::size_t selection = noSelection;
};

Registry& registry()
{
    // Built on first use, so registration from another static initialiser still finds it.
    static Registry instance;
    return instance;
}

bool consoleVisible = false;

// Runs the step and notes the change it made, so that the run's records show every change an
// observer made (a refused step changes nothing and is not noted).
template <typename Step>
void changeNoted(AdjustableVariable& entry, std::size_t position, Step step)
{
    double before = 0.0, after = 0.0;
    bool integer = false;
    const bool known = console::readVariable(entry, before, integer);
    step();
    if (known && console::readVariable(entry, after, integer) && !(after == before))
        console::noteChange(position, before, after, integer);
}

template <typename T>
VariableRegistrar add(T& variable)
{
    auto& r = registry();
    r.entries.push_back(std::make_unique<Adjustable<T>>(variable));
    r.selection = 0;
    return VariableRegistrar(&variable);
}

} // namespace

VariableRegistrar registerVariable(int& variable) { return add(variable); }
VariableRegistrar registerVariable(double& variable) { return add(variable); }

const std::vector<std::unique_ptr<AdjustableVariable>>& registeredVariables() { return registry().entries; }

std::size_t selectedVariable() { return registry().selection; }

void clearRegisteredVariables()
{
    auto& r = registry();
    r.entries.clear();
    r.selection = noSelection;
}

// The first entry bound to this address: a variable registered twice is set through its
// earlier entry.
AdjustableVariable* VariableRegistrar::entry() const
{
    if (!address)
        return nullptr;
    for (const auto& e : registry().entries)
        if (e->address() == address)
            return e.get();
    return nullptr;
}

VariableRegistrar& VariableRegistrar::label(const char* text)
{
    // A null text would not make a string; it is treated like an empty label.
    return label(std::string(text ? text : ""));
}

VariableRegistrar& VariableRegistrar::label(const std::string& text)
{
    if (auto* e = entry())
        e->setLabel(text);
    return *this;
}

VariableRegistrar& VariableRegistrar::range(const Range& rng)
{
    if (auto* e = entry())
        e->setRange(rng);
    return *this;
}

VariableRegistrar& VariableRegistrar::step(double s)
{
    if (auto* e = entry()) {
        if (!stepGiven) {
            e->setShiftStep(s);
            stepGiven = true;
        } else {
            e->setStep(s);
        }
    }
    return *this;
}

void handleConsoleKeys()
{
    auto& r = registry();
    // Every query is made even with nothing registered, so the pushes are consumed.
    AdjustableVariable* selected = r.entries.empty() ? nullptr : r.entries[r.selection].get();
    const std::size_t last = r.entries.empty() ? 0 : r.entries.size() - 1;

    if (queryKey(rightArrow, pushed)) {
        const bool shiftHeld = queryKey(shift, held);
        if (selected)
            changeNoted(*selected, r.selection, [&] { selected->increment(shiftHeld); });
    }
    if (queryKey(leftArrow, pushed)) {
        const bool shiftHeld = queryKey(shift, held);
        if (selected)
            changeNoted(*selected, r.selection, [&] { selected->decrement(shiftHeld); });
    }
    if (queryKey(upArrow, pushed) && selected)
        r.selection = r.selection != 0 ? r.selection - 1 : last;
    if (queryKey(downArrow, pushed) && selected)
        r.selection = r.selection != last ? r.selection + 1 : 0;
}

void setConsoleVisible(bool visible) { consoleVisible = visible; }
bool isConsoleVisible() { return consoleVisible; }

} // namespace Lumidraft
