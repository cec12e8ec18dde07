#include "timing/clock.h"

#include "app/exception.h"
#include "platform/script/script_backend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using Lumidraft::Clock;
using Lumidraft::Exception;

namespace {

Clock fromTicks(std::int64_t t)
{
    const auto bits = static_cast<std::uint64_t>(t);
    return Clock(static_cast<std::uint32_t>(bits), static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32)));
}

// A fresh scripted machine with a counter of the given frequency, the frequency read from it.
Lumidraft::platform::ScriptBackend& machineAt(std::int64_t hz)
{
    auto& machine = Lumidraft::platform::useScriptBackend();
    machine.setCounterFrequency(hz);
    Clock::initializeFrequency();
    return machine;
}

void expectNoCounter()
{
    try {
        Clock::initializeFrequency();
        ADD_FAILURE() << "counter accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.raisingClass(), typeid(Clock));
        EXPECT_EQ(e.kind(), "HARDWARE NOT SUPPORTED");
        EXPECT_EQ(e.message(), "This computer does not support high-resolution performance counter.");
    }
}

} // namespace

TEST(Clock, HalvesRoundTrip)
{
    const Clock c(0xDEADBEEFu, -2);
    EXPECT_EQ(c.low(), 0xDEADBEEFu);
    EXPECT_EQ(c.high(), -2);
    EXPECT_EQ(c.ticks(), -2 * (std::int64_t(1) << 32) + 0xDEADBEEF);
    EXPECT_EQ(fromTicks(-1).low(), 0xFFFFFFFFu);
    EXPECT_EQ(fromTicks(-1).high(), -1);
}

TEST(Clock, ArithmeticCarriesAndBorrowsBetweenHalves)
{
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const struct {
        std::int64_t a, b, sum, difference;
    } cases[] = {
        {0xFFFFFFFF, 1, 0x100000000, 0xFFFFFFFE},   // low half carries into the high half
        {0x100000000, 1, 0x100000001, 0xFFFFFFFF},  // low half borrows from the high half
        {5, 7, 12, -2},                             // negative difference
        {-3, -4, -7, 1},
        {max, 1, min, max - 1},                     // wraps silently
        {min, 1, min + 1, max},
        {123456789012345, 98765432109876, 123456789012345 + 98765432109876, 123456789012345 - 98765432109876},
    };
    for (const auto& c : cases) {
        const Clock a = fromTicks(c.a), b = fromTicks(c.b);
        EXPECT_EQ((a + b).ticks(), c.sum) << c.a << " + " << c.b;
        EXPECT_EQ((a - b).ticks(), c.difference) << c.a << " - " << c.b;
        Clock x = a;
        Clock& same = (x += b);
        EXPECT_EQ(&same, &x);
        EXPECT_EQ(x.ticks(), c.sum);
        x = a;
        x -= b;
        EXPECT_EQ(x.ticks(), c.difference);
    }
}

TEST(Clock, ComparisonsFollowSigned64BitOrder)
{
    // Sorted ascending; the high half decides as a signed number, the low half as unsigned.
    const Clock ordered[] = {Clock(0xFFFFFFFFu, std::numeric_limits<std::int32_t>::min()),
                             Clock(0u, -1), Clock(0xFFFFFFFFu, -1), Clock(0u, 0), Clock(1u, 0),
                             Clock(0x80000000u, 0), Clock(0u, 1), Clock(0u, std::numeric_limits<std::int32_t>::max())};
    const int n = static_cast<int>(std::size(ordered));
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const Clock &a = ordered[i], &b = ordered[j];
            EXPECT_EQ(a < b, i < j) << i << " " << j;
            EXPECT_EQ(a > b, i > j) << i << " " << j;
            EXPECT_EQ(a <= b, i <= j) << i << " " << j;
            EXPECT_EQ(a >= b, i >= j) << i << " " << j;
            EXPECT_EQ(a == b, i == j) << i << " " << j;
            EXPECT_EQ(a != b, i != j) << i << " " << j;
        }
}

TEST(Clock, MillisecondsTruncateTowardZero)
{
    machineAt(3'579'545); // 3579 ticks per millisecond, remainder dropped
    EXPECT_EQ(Lumidraft::ticksPerMillisecond, 3579);
    const struct {
        std::int64_t ticks;
        double ms;
    } cases[] = {
        {0, 0.0},       {3578, 0.0},   {3579, 1.0},    {2 * 3579 + 3220, 2.0}, // 2.9 ms gives 2
        {-3578, 0.0},   {-(2 * 3579 + 3220), -2.0},    {3579LL * 5000000000LL, 5000000000.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromTicks(c.ticks).milliseconds(), c.ms) << c.ticks;

    // Elapsed time as the canvas measures it: later minus earlier.
    const Clock earlier = fromTicks(1000), later = fromTicks(1000 + 10 * 3579);
    EXPECT_EQ((later - earlier).milliseconds(), 10.0);
    EXPECT_EQ((earlier - later).milliseconds(), -10.0);
}

TEST(Clock, ReadsTheCounter)
{
    auto& machine = machineAt(10'000'000);
    machine.setReadQuantum(0);
    machine.setCounter((std::int64_t(7) << 32) + 42);
    Clock c;
    EXPECT_EQ(c.high(), 7);
    EXPECT_EQ(c.low(), 42u);
    machine.advanceCounter(25'000);
    EXPECT_EQ(&c.update(), &c);
    EXPECT_EQ(c.ticks(), (std::int64_t(7) << 32) + 42 + 25'000);

    machine.setCounter(10'000 * 1234 + 9'999);
    EXPECT_EQ(Lumidraft::currentMilliseconds(), 1234);
}

TEST(Clock, MillisecondsSinceKeepsTheFraction)
{
    auto& machine = machineAt(10'000'000); // 10 000 ticks a millisecond
    machine.setReadQuantum(0);
    machine.setCounter(std::int64_t(3) << 32); // across the halves' boundary
    const Clock start;
    machine.advanceCounter(3'002'500);
    EXPECT_DOUBLE_EQ(Lumidraft::millisecondsSince(start), 300.25);
    // A start after now (a clock read later) gives a negative time, not a wrapped one.
    machine.setCounter((std::int64_t(3) << 32) - 5'000);
    EXPECT_DOUBLE_EQ(Lumidraft::millisecondsSince(start), -0.5);
}

TEST(Clock, CurrentMillisecondsKeepsLow32Bits)
{
    auto& machine = machineAt(1000); // one tick per millisecond
    machine.setReadQuantum(0);
    machine.setCounter((std::int64_t(1) << 32) + 5);
    EXPECT_EQ(Lumidraft::currentMilliseconds(), 5);
    machine.setCounter(std::int64_t(1) << 31);
    EXPECT_EQ(Lumidraft::currentMilliseconds(), std::numeric_limits<std::int32_t>::min());
    machine.setCounter(-7);
    EXPECT_EQ(Lumidraft::currentMilliseconds(), -7);
}

TEST(Clock, MissingOrSlowCounterIsRefused)
{
    machineAt(2'000'000);
    ASSERT_EQ(Lumidraft::ticksPerMillisecond, 2000);
    for (std::int64_t hz : {0, -5, 1, 999}) {
        Lumidraft::platform::useScriptBackend().setCounterFrequency(hz);
        expectNoCounter();
        EXPECT_EQ(Lumidraft::ticksPerMillisecond, 2000) << hz; // a refused counter changes nothing
    }
    machineAt(1000);
    EXPECT_EQ(Lumidraft::ticksPerMillisecond, 1);
    machineAt(1999);
    EXPECT_EQ(Lumidraft::ticksPerMillisecond, 1);
}

TEST(Clock, ConversionBeforeStartUpReadsTheFrequency)
{
    auto& machine = Lumidraft::platform::useScriptBackend();
    machine.setCounterFrequency(4'000'000);
    Lumidraft::detail::forgetCounterFrequency();
    ASSERT_EQ(Lumidraft::ticksPerMillisecond, 0);
    EXPECT_EQ(fromTicks(40'000).milliseconds(), 10.0); // no division by zero
    EXPECT_EQ(Lumidraft::ticksPerMillisecond, 4000);

    machine.setCounterFrequency(0);
    Lumidraft::detail::forgetCounterFrequency();
    EXPECT_THROW(fromTicks(40'000).milliseconds(), Exception);
    EXPECT_THROW(Lumidraft::currentMilliseconds(), Exception);
}
