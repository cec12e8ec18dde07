// Frame flip pacing and counters under the scripted counter (10 MHz, 60 Hz display).
#include "canvas_fixture.h"

#include "app/exception.h"

namespace Lumidraft::testing {
namespace {

class FlipTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        canvas.open(0);
        // From here on the swap itself takes no time unless a test scripts it.
        machine->setRetraceRate(0.0);
        machine->setReadQuantum(1);
    }

    std::int64_t sinceLastSwap() const { return machine->counter() - machine->lastSwapCompletion(); }

    Canvas canvas;
};

TEST_F(FlipTest, WaitEndsAtTheFirstWholeMillisecondPastTheHold)
{
    struct Case {
        int n;
        std::int64_t swapAfterMs; // more than (n - 0.5) x 16.67 ms, in whole milliseconds
    };
    // 8.33 -> 9 and 41.67 -> 42; 1.5 x (1000 / 60) comes out a hair above 25, so 26.
    for (const Case c : {Case{1, 9}, Case{3, 42}, Case{2, 26}}) {
        SCOPED_TRACE(c.n);
        const std::int32_t frames = canvas.getFrameCount();
        const std::int64_t previousSwap = machine->lastSwapCompletion();
        EXPECT_EQ(canvas.flip(c.n), 0);
        EXPECT_EQ((machine->lastSwapCompletion() - previousSwap) / ticksPerMs, c.swapAfterMs);
        EXPECT_EQ(canvas.getFrameCount(), frames + c.n);
    }
    // A one-frame flip reports what it measured.
    canvas.flip(1);
    EXPECT_EQ(canvas.getLastInterval(), 9.0);
}

TEST_F(FlipTest, MeasuredIntervalAndWorkedMissedCounts)
{
    struct Case {
        int swapAfterMs;
        int missed;
    };
    for (const Case c : {Case{16, 0}, Case{17, 1}, Case{34, 2}, Case{9, 0}}) {
        machine->queueSwapAfterPrevious(c.swapAfterMs * ticksPerMs);
        SCOPED_TRACE(c.swapAfterMs);
        EXPECT_EQ(canvas.flip(), c.missed);
        EXPECT_EQ(canvas.missedFrames(), c.missed);
        EXPECT_EQ(canvas.getLastInterval(), c.swapAfterMs);
    }
}

TEST_F(FlipTest, MissedTotalLagsOneFlipBehind)
{
    machine->queueSwapAfterPrevious(34 * ticksPerMs);
    EXPECT_EQ(canvas.flip(), 2);
    EXPECT_EQ(canvas.getMissedCount(), 0);
    EXPECT_EQ(canvas.getFrameCount(), 3);
    EXPECT_EQ(canvas.getRefreshCount(), 3);

    machine->queueSwapAfterPrevious(16 * ticksPerMs);
    EXPECT_EQ(canvas.flip(), 0);
    EXPECT_EQ(canvas.getMissedCount(), 2);
    EXPECT_EQ(canvas.getFrameCount(), 4);
    EXPECT_EQ(canvas.getRefreshCount(), 6);
}

// Whole-millisecond intervals reach a period only within the 0.2 ms tolerance: at 62 Hz a period
// is 16.129 ms, so a swap 16 ms after the previous one counts as the next refresh.
TEST_F(FlipTest, TheToleranceDecidesWhatCountsAsMissed)
{
    canvas.dispose();
    machine->setDisplayModes({{640, 480, 32, 62}});
    canvas.open(640, 480, 32, 62.0, 0);
    ASSERT_EQ(canvas.getRefreshHz(), 62.0);
    machine->setRetraceRate(0.0);
    struct Case {
        int swapAfterMs;
        int missed; // floor((interval + 0.2) / 16.129)
    };
    for (const Case c : {Case{15, 0}, Case{16, 1}, Case{17, 1}, Case{32, 1}, Case{33, 2}}) {
        SCOPED_TRACE(c.swapAfterMs);
        machine->queueSwapAfterPrevious(c.swapAfterMs * ticksPerMs);
        EXPECT_EQ(canvas.flip(), c.missed);
        EXPECT_EQ(canvas.getLastInterval(), c.swapAfterMs);
    }
}

TEST_F(FlipTest, ResetCountersKeepsPreviousMissed)
{
    machine->queueSwapAfterPrevious(34 * ticksPerMs);
    canvas.flip();
    canvas.resetCounters();
    EXPECT_EQ(canvas.getFrameCount(), 0);
    EXPECT_EQ(canvas.getMissedCount(), 0);
    EXPECT_EQ(canvas.getRefreshCount(), 0);
    EXPECT_EQ(canvas.missedFrames(), 2);

    machine->queueSwapAfterPrevious(16 * ticksPerMs);
    canvas.flip();
    EXPECT_EQ(canvas.getFrameCount(), 1);
    EXPECT_EQ(canvas.getMissedCount(), 2);
    EXPECT_EQ(canvas.getRefreshCount(), 3);
}

TEST_F(FlipTest, CountsStopAtTheIntegerLimitInsteadOfWrapping)
{
    // A gap of about 460 days between swaps: more missed refreshes than an int holds.
    machine->advanceCounter(400'000'000'000'000);
    EXPECT_EQ(canvas.flip(), 2147483647);
    EXPECT_EQ(canvas.getMissedCount(), 0);
    canvas.flip(); // the lagging total takes the huge count now
    EXPECT_EQ(canvas.getMissedCount(), 2147483647);
    EXPECT_EQ(canvas.getRefreshCount(), 2147483647);
    machine->advanceCounter(400'000'000'000'000);
    canvas.flip();
    canvas.flip();
    EXPECT_EQ(canvas.getMissedCount(), 2147483647);
    EXPECT_EQ(canvas.getRefreshCount(), 2147483647);
    EXPECT_EQ(canvas.getFrameCount(), 6);

    // The largest frame count, on a counter that leaps past the whole hold at one read.
    canvas.resetCounters();
    canvas.flip();
    machine->setReadQuantum(400'000'000'000'000);
    canvas.flip(2147483647);
    EXPECT_EQ(canvas.getFrameCount(), 2147483647);
    EXPECT_GE(canvas.getRefreshCount(), canvas.getFrameCount());
}

TEST_F(FlipTest, MultiFrameFlipWithoutMissReportsNominalInterval)
{
    machine->queueSwapAfterPrevious(33 * ticksPerMs);
    EXPECT_EQ(canvas.flip(2), 0);
    EXPECT_DOUBLE_EQ(canvas.getLastInterval(), 2 * 1000.0 / 60.0);

    // A missed refresh keeps the measured value.
    machine->queueSwapAfterPrevious(40 * ticksPerMs);
    EXPECT_EQ(canvas.flip(2), 1);
    EXPECT_EQ(canvas.getLastInterval(), 40.0);
}

TEST_F(FlipTest, ZeroFramesSwapsAtOnceAndCountsNoFrame)
{
    const std::int64_t readsBefore = machine->counterReads();
    const int swapsBefore = machine->swapCount();
    canvas.flip(0);
    EXPECT_EQ(machine->swapCount(), swapsBefore + 1);
    EXPECT_EQ(canvas.getFrameCount(), 2);
    EXPECT_EQ(canvas.getLastInterval(), 0.0);
    // One read for the wait, one after the swap.
    EXPECT_EQ(machine->counterReads() - readsBefore, 2);
}

TEST_F(FlipTest, RestartClockShiftsTheNextWait)
{
    machine->advanceCounter(100 * ticksPerMs);
    canvas.restartClock();
    canvas.flip();
    EXPECT_EQ(canvas.getLastInterval(), 9.0);
}

TEST_F(FlipTest, BadFrameCountsAreRefusedBeforeAnything)
{
    const int swaps = machine->swapCount();
    try {
        canvas.flip(-1);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "class Lumidraft::Canvas [ARGUMENT ERROR] flip-delay frames must be positive number.");
    }
    try {
        canvas.flip(2.5);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(),
                     "class Lumidraft::Canvas [Specification Error] Canvas::flip can not accept float point number.");
    }
    EXPECT_THROW(canvas.flip(1.0f), Exception);
    EXPECT_EQ(machine->swapCount(), swaps);
    EXPECT_EQ(canvas.getFrameCount(), 2);
}

TEST_F(FlipTest, SwapAtTheRetraceOnASixtyHertzDisplay)
{
    machine->setRetraceRate(60.0);
    canvas.flip();
    canvas.flip();
    // A swap that waits for the retrace: one period per frame, nothing missed.
    EXPECT_EQ(canvas.getLastInterval(), 16.0);
    EXPECT_EQ(canvas.missedFrames(), 0);
    EXPECT_EQ(canvas.getMissedCount(), 0);
}

TEST_F(FlipTest, TimingReadoutShowsTheCountsInTheTopRightCorner)
{
    canvas.clear(Color::black);
    canvas.showTiming();
    machine->queueSwapAfterPrevious(34 * ticksPerMs);
    canvas.flip();
    canvas.clear(Color::black);
    machine->queueSwapAfterPrevious(16 * ticksPerMs);
    canvas.flip(); // draws missed total 0, refreshes 3, interval 34 (red: the previous flip missed)
    const Pixels pixels(canvas); // one buffer on the scripted machine: the frame just shown

    // Numbers sit right-aligned on x = 628 with baselines at 21, 43 and 65; each is one colour.
    const int right = 640 - 2 - 10;
    EXPECT_EQ(pixels.litColors(right - 12, 5, right, 21), (std::vector<Rgba>{{255, 0, 0, 255}}));
    EXPECT_EQ(pixels.litColors(right - 12, 27, right, 43), (std::vector<Rgba>{{255, 255, 255, 255}}));
    EXPECT_EQ(pixels.litColors(right - 24, 49, right, 65), (std::vector<Rgba>{{255, 0, 0, 255}}));
    // Two digits on the last line, nothing outside the box.
    EXPECT_GT(pixels.litBox(right - 24, 49, right - 13, 65).count, 0);
    EXPECT_EQ(pixels.litBox(0, 0, 640 - 101, 479).count, 0);
    EXPECT_EQ(pixels.litBox(0, 78, 639, 479).count, 0);
}

// The readout's digits, compared pixel for pixel with the numbers it should show drawn in the
// same font, places and colours: missed total, missed total + frame total, and the last interval
// (red after a missed refresh, cyan when it reaches a period within the tolerance, else white).
TEST_F(FlipTest, TimingReadoutShowsTheNumbersThePreviousFlipLeft)
{
    struct Case {
        int n;
        int swapAfterMs;
        int missedTotal, refreshes, interval;
        Color color;
    };
    // Before: two flips of 34 ms, each missing 2 refreshes (the total lags one flip behind).
    machine->queueSwapAfterPrevious(34 * ticksPerMs);
    canvas.flip();
    machine->queueSwapAfterPrevious(34 * ticksPerMs);
    canvas.flip();
    canvas.showTiming();
    const Case cases[] = {
        {1, 16, 2, 6, 34, Color::red},   // frames 4; the first 2 missed already in the total
        {2, 33, 4, 9, 16, Color::white}, // 16 ms: nothing missed; frames 5
        {1, 16, 4, 11, 33, Color::cyan}, // two frames without a miss read 2 x 16.67 = 33.3 ms
    };
    const int right = 640 - 2 - 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        canvas.clear(Color::black);
        machine->queueSwapAfterPrevious(c.swapAfterMs * ticksPerMs);
        canvas.flip(c.n);
        const Pixels shown(canvas); // one buffer on the scripted machine: the frame just shown

        canvas.clear(Color::black);
        Rectangle box;
        box.set(640 - 100, 1, 640 - 2, 77);
        canvas.drawRect(box, Color(0.0, 0.0, 0.0, 0.5));
        canvas.drawNumber(c.missedTotal, right, 21, Color::red, false);
        canvas.drawNumber(c.refreshes, right, 43, Color::white, false);
        canvas.drawNumber(c.interval, right, 65, c.color, false);
        const Pixels expected(canvas);
        EXPECT_GT(expected.litBox().count, 0);
        EXPECT_TRUE(shown == expected);
    }
}

} // namespace
} // namespace Lumidraft::testing
