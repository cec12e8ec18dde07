#include "console/console_changes.h"

#include "console/variable_registry.h"

#include <array>
#include <charconv>
#include <cstring>

namespace Lumidraft::console {

namespace {

// A frame can change the selected entry twice (Right and Left both pushed); a few more slots
// cover handleConsoleKeys called outside a flip.
std::array<ConsoleChange, 8> pending;
std::size_t pendingCount = 0;
std::vector<ConsoleChange> changes;

void appendNumber(char*& at, char* end, double value, bool integer)
{
    const auto result = integer ? std::to_chars(at, end, static_cast<long long>(value)) : std::to_chars(at, end, value);
    if (result.ec == std::errc())
        at = result.ptr;
}

void appendText(char*& at, char* end, const char* text, std::size_t length)
{
    const std::size_t room = static_cast<std::size_t>(end - at);
    const std::size_t n = length < room ? length : room;
    std::memcpy(at, text, n);
    at += n;
}

} // namespace

bool readVariable(AdjustableVariable& entry, double& value, bool& integer)
{
    if (auto* i = dynamic_cast<Adjustable<int>*>(&entry)) {
        value = *i->value;
        integer = true;
        return true;
    }
    if (auto* d = dynamic_cast<Adjustable<double>*>(&entry)) {
        value = *d->value;
        integer = false;
        return true;
    }
    return false;
}

const std::string* variableLabel(std::size_t variable)
{
    const auto& entries = registeredVariables();
    if (variable >= entries.size())
        return nullptr;
    AdjustableVariable* entry = entries[variable].get();
    if (auto* i = dynamic_cast<Adjustable<int>*>(entry))
        return &i->label;
    if (auto* d = dynamic_cast<Adjustable<double>*>(entry))
        return &d->label;
    return nullptr;
}

void noteChange(std::size_t variable, double before, double after, bool integer) noexcept
{
    if (pendingCount == pending.size())
        return; // only when nothing stamps them: no flip is running
    ConsoleChange& c = pending[pendingCount++];
    c = ConsoleChange{};
    c.variable = variable;
    c.before = before;
    c.after = after;
    c.integer = integer;
}

std::size_t pendingChanges(const ConsoleChange*& first) noexcept
{
    first = pending.data();
    return pendingCount;
}

void stampPendingChanges(std::int64_t frame, double timeMs)
{
    for (std::size_t i = 0; i < pendingCount; ++i) {
        pending[i].frame = frame;
        pending[i].timeMs = timeMs;
        changes.push_back(pending[i]); // reserved up front; grows only after thousands of presses
    }
    pendingCount = 0;
}

void reserveHistory()
{
    if (changes.capacity() < 4096)
        changes.reserve(4096);
}

const std::vector<ConsoleChange>& history() { return changes; }

std::size_t describeChange(const ConsoleChange& change, char* out, std::size_t capacity) noexcept
{
    char* at = out;
    char* end = out + capacity;
    if (const std::string* label = variableLabel(change.variable))
        appendText(at, end, label->data(), label->size());
    appendText(at, end, " ", 1);
    appendNumber(at, end, change.before, change.integer);
    appendText(at, end, " -> ", 4);
    appendNumber(at, end, change.after, change.integer);
    return static_cast<std::size_t>(at - out);
}

namespace detail {
void forgetHistory() noexcept
{
    changes.clear();
    pendingCount = 0;
}
} // namespace detail

} // namespace Lumidraft::console
