#include "console/adjustable_variable.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace Lumidraft {

namespace {

// Truncation toward zero; a NaN gives 0 and values beyond int saturate instead of overflowing.
int toStep(double s, int)
{
    if (std::isnan(s))
        return 0;
    if (s >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (s <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(s);
}

double toStep(double s, double) { return s; }

// The candidate value one step away, or false when it cannot be represented (an int overflow
// is refused like a value outside the range).
bool candidate(int value, int s, int direction, int& out)
{
    const std::int64_t wide = static_cast<std::int64_t>(value) + direction * static_cast<std::int64_t>(s);
    if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(wide);
    return true;
}

bool candidate(double value, double s, int direction, double& out)
{
    out = direction > 0 ? value + s : value - s;
    return true;
}

} // namespace

template <typename T>
void Adjustable<T>::setRange(const Range& other)
{
    range.lower = other.lower;
    range.upper = other.upper;
}

template <typename T>
void Adjustable<T>::setShiftStep(double s)
{
    shiftStep = toStep(s, T{});
}

template <typename T>
void Adjustable<T>::setStep(double s)
{
    step = toStep(s, T{});
}

template <typename T>
void Adjustable<T>::move(bool shiftHeld, int direction)
{
    const T s = shiftHeld ? shiftStep : step;
    T next{};
    if (candidate(*value, s, direction, next) && range.includes(static_cast<double>(next)))
        *value = next;
}

template <typename T>
void Adjustable<T>::increment(bool shiftHeld)
{
    move(shiftHeld, +1);
}

template <typename T>
void Adjustable<T>::decrement(bool shiftHeld)
{
    move(shiftHeld, -1);
}

template class Adjustable<int>;
template class Adjustable<double>;

} // namespace Lumidraft
