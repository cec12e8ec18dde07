#include "timing/clock.h"

#include "app/exception.h"
#include "platform/backend.h"

#include <typeinfo>

namespace Lumidraft {

namespace {

constinit std::int64_t ticksPerMs = 0;

} // namespace

constinit const std::int64_t& ticksPerMillisecond = ticksPerMs;

Clock::Clock() : low_(0), high_(0) { update(); }

Clock& Clock::update()
{
    assign(platform::backend().counterValue());
    return *this;
}

void Clock::assign(std::int64_t ticks)
{
    const auto bits = static_cast<std::uint64_t>(ticks);
    low_ = static_cast<std::uint32_t>(bits);
    high_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32));
}

std::int64_t Clock::ticks() const
{
    const std::uint64_t bits = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high_)) << 32) | low_;
    return static_cast<std::int64_t>(bits);
}

// The high halves are added as unsigned numbers so that overflow wraps instead of being undefined.
Clock Clock::operator+(const Clock& other) const
{
    const std::uint32_t low = low_ + other.low_;
    const std::uint32_t carry = low < low_ ? 1u : 0u;
    const std::uint32_t high = static_cast<std::uint32_t>(high_) + static_cast<std::uint32_t>(other.high_) + carry;
    return Clock(low, static_cast<std::int32_t>(high));
}

Clock Clock::operator-(const Clock& other) const
{
    const std::uint32_t low = low_ - other.low_;
    const std::uint32_t borrow = low_ < other.low_ ? 1u : 0u;
    const std::uint32_t high = static_cast<std::uint32_t>(high_) - static_cast<std::uint32_t>(other.high_) - borrow;
    return Clock(low, static_cast<std::int32_t>(high));
}

Clock& Clock::operator+=(const Clock& other) { return *this = *this + other; }

Clock& Clock::operator-=(const Clock& other) { return *this = *this - other; }

bool Clock::operator<(const Clock& other) const
{
    if (high_ != other.high_)
        return high_ < other.high_;
    return low_ < other.low_;
}

double Clock::milliseconds() const
{
    if (ticksPerMs == 0)
        initializeFrequency();
    return static_cast<double>(ticks() / ticksPerMs);
}

void Clock::initializeFrequency()
{
    // Below 1000 Hz the division would leave 0 ticks per millisecond and every conversion would
    // divide by zero, so such a counter counts as missing.
    std::int64_t frequency = 0;
    if (!platform::backend().counterFrequency(frequency) || frequency < 1000)
        throw Exception(typeid(Clock), "HARDWARE NOT SUPPORTED",
                        "This computer does not support high-resolution performance counter.");
    ticksPerMs = frequency / 1000;
}

std::int32_t currentMilliseconds()
{
    const Clock now;
    if (ticksPerMs == 0)
        Clock::initializeFrequency();
    // Whole milliseconds, keeping the low 32 bits (modular since C++20).
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(now.ticks() / ticksPerMs));
}

double millisecondsSince(const Clock& start)
{
    const Clock now;
    if (ticksPerMs == 0)
        Clock::initializeFrequency();
    return static_cast<double>((now - start).ticks()) / static_cast<double>(ticksPerMs);
}

namespace detail {

void forgetCounterFrequency() noexcept { ticksPerMs = 0; }

} // namespace detail

} // namespace Lumidraft
