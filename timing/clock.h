// Clock: a reading of the high-resolution counter as a signed 64-bit tick count (kept as a low
// unsigned and a high signed 32-bit half), with tick arithmetic and a whole-millisecond conversion.
#pragma once

#include <cstdint>

namespace Lumidraft {

class Clock {
public:
    // Reads the counter now.
    Clock();
    Clock(std::uint32_t low, std::int32_t high) : low_(low), high_(high) {}
    Clock(const Clock&) = default;
    Clock& operator=(const Clock&) = default;
    ~Clock() = default;

    // Reads the counter into this clock.
    Clock& update();

    // 64-bit wrapping arithmetic on the two halves, with carry and borrow between them.
    Clock operator+(const Clock& other) const;
    Clock operator-(const Clock& other) const;
    Clock& operator+=(const Clock& other);
    Clock& operator-=(const Clock& other);

    bool operator==(const Clock& other) const { return low_ == other.low_ && high_ == other.high_; }
    bool operator!=(const Clock& other) const { return !(*this == other); }
    // Signed 64-bit order: high halves as signed numbers, then low halves as unsigned ones.
    bool operator<(const Clock& other) const;
    bool operator>(const Clock& other) const { return other < *this; }
    bool operator<=(const Clock& other) const { return !(other < *this); }
    bool operator>=(const Clock& other) const { return !(*this < other); }

    // Whole milliseconds: ticks / ticksPerMillisecond, truncated toward zero. Queries the counter
    // frequency first if start-up has not done so (which raises when there is no counter).
    double milliseconds() const;

    std::uint32_t low() const { return low_; }
    std::int32_t high() const { return high_; }
    std::int64_t ticks() const;

    // Reads the counter frequency and sets ticksPerMillisecond. A counter slower than 1000 Hz is
    // refused like a missing one: Exception (Clock, "HARDWARE NOT SUPPORTED"), nothing changed.
    static void initializeFrequency();

private:
    void assign(std::int64_t ticks);

    std::uint32_t low_;
    std::int32_t high_;
};

// Counter ticks per millisecond (frequency / 1000, remainder dropped); 0 until the frequency is
// read. Read-only here: only Clock::initializeFrequency sets it.
extern const std::int64_t& ticksPerMillisecond;

// A fresh reading in whole milliseconds, wrapped to 32 bits.
std::int32_t currentMilliseconds();

// Milliseconds from `start` to a fresh reading, with the fraction kept (the counter's full
// resolution), for reaction times: `Clock shown; ...; double rt = millisecondsSince(shown);`.
double millisecondsSince(const Clock& start);

namespace detail {
// Tests only: back to the state before start-up (ticksPerMillisecond 0).
void forgetCounterFrequency() noexcept;
} // namespace detail

} // namespace Lumidraft
