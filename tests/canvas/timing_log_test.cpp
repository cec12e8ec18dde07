// The per-flip timing log, the console changes it carries and the summary line at close, against
// the scripted counter's exact swap times (10 MHz, 60 Hz display).
#include "recorded_run_fixture.h"

#include "app/exception.h"
#include "console/console_changes.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

namespace Lumidraft::testing {
namespace {

class TimingLogTest : public RecordedRunTest {
protected:
    // Opens the canvas, then has every swap take no time unless one is scripted.
    void open(Canvas& canvas)
    {
        canvas.open(0);
        machine->setRetraceRate(0.0);
        machine->setReadQuantum(1);
    }

    // The flip's return swaps exactly `ms` after the previous one.
    int flipAfter(Canvas& canvas, double ms, int n = 1)
    {
        machine->queueSwapAfterPrevious(static_cast<std::int64_t>(ms * ticksPerMs));
        return canvas.flip(n);
    }

    // Closes the canvas and returns what it printed on stderr.
    static std::string close(Canvas& canvas)
    {
        ::testing::internal::CaptureStderr();
        canvas.dispose();
        return ::testing::internal::GetCapturedStderr();
    }
};

TEST_F(TimingLogTest, RowsCarryTheExactSwapTimesMissedCountsAndTags)
{
    Canvas canvas;
    open(canvas);
    const std::string path = folder / "run-timing.csv";
    canvas.logTiming(path);

    EXPECT_EQ(flipAfter(canvas, 16), 0);
    canvas.tag("cue");
    EXPECT_EQ(flipAfter(canvas, 17), 1);
    // Two frames asked, one refresh late: the log keeps the measured 34 ms where the canvas
    // reports the nominal interval only for a flip without a miss.
    EXPECT_EQ(flipAfter(canvas, 34, 2), 1);
    canvas.tag("target, \"big\"");
    EXPECT_EQ(flipAfter(canvas, 16.7), 0);
    canvas.tag("");
    EXPECT_EQ(flipAfter(canvas, 35.1), 2);
    EXPECT_EQ(canvas.getLastInterval(), 35.0) << "the canvas's own interval stays in whole milliseconds";

    const std::string err = close(canvas);
    EXPECT_EQ(readLines(path), (std::vector<std::string>{
                                   "frame,refreshes_asked,flip_ms,interval_ms,missed,tag",
                                   "1,1,16,16,0,",
                                   "2,1,33,17,1,cue",
                                   "3,2,67,34,1,cue",
                                   "4,1,83.7,16.7,0,\"target, \"\"big\"\"\"",
                                   "5,1,118.8,35.1,2,",
                               }));
    // Intervals 16, 17, 34, 16.7, 35.1: mean 23.76, sample SD 9.86.
    EXPECT_NE(err.find("Lumidraft: 5 flips at 60.00 Hz, 4 refreshes missed in 3 flips; interval mean 23.76 ms, "
                       "SD 9.86 ms, max 35.10 ms\n"),
              std::string::npos)
        << err;

    const std::string svg = readFile(folder / "run-timing.svg");
    ASSERT_FALSE(svg.empty());
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7) << "the picture is complete";
    EXPECT_NE(svg.find("refresh period 16.67 ms"), std::string::npos);
    EXPECT_NE(svg.find("flip 5: 2 missed, 35.10 ms"), std::string::npos) << "each missed refresh is marked";
    EXPECT_NE(svg.find("Lumidraft: 5 flips"), std::string::npos) << "the summary is the picture's title";
}

TEST_F(TimingLogTest, TheSummaryLineIsPrintedAtEveryCloseWithoutALog)
{
    {
        Canvas canvas;
        open(canvas);
        for (int i = 0; i < 3; ++i)
            flipAfter(canvas, 16.5);
        const std::string err = close(canvas);
        EXPECT_EQ(err, "Lumidraft: 3 flips at 60.00 Hz, 0 refreshes missed in 0 flips; interval mean 16.50 ms, "
                       "SD 0.00 ms, max 16.50 ms\n");
        EXPECT_EQ(close(canvas), "") << "a second dispose closes nothing";
    }
    // A canvas destroyed without an explicit dispose reports as well; the opening flips do not count.
    ::testing::internal::CaptureStderr();
    {
        Canvas canvas;
        open(canvas);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Lumidraft: 0 flips at 60.00 Hz, 0 refreshes missed in 0 flips; interval mean 0.00 ms, SD 0.00 ms, "
              "max 0.00 ms\n");
}

TEST_F(TimingLogTest, AConsoleChangeIsInTheTagOfTheFlipAtWhichItTookEffect)
{
    double size = 500.0;
    int count = 5;
    Range rng;
    registerVariable(size).label("Rect Size").range(50 <= rng <= 500).step(100).step(10);
    registerVariable(count).label("Count").range(1 <= rng <= 9).step(2).step(1);
    setConsoleVisible(true);

    Canvas canvas;
    open(canvas);
    const std::string path = folder / "console.csv";
    canvas.logTiming(path);
    canvas.tag("fixation");

    auto press = [&](unsigned vk) {
        machine->postKeyDown(vk);
        machine->postKeyUp(vk);
    };
    flipAfter(canvas, 16);
    press(0x25); // Left: 500 -> 490
    flipAfter(canvas, 16);
    press(0x27); // Right: back to 500, then Down selects Count
    press(0x28);
    flipAfter(canvas, 16);
    press(0x27); // Right at the upper end of Rect Size would be refused; on Count: 5 -> 6
    flipAfter(canvas, 16);
    press(0x28); // Down back to Rect Size, Right refused there: nothing to record
    flipAfter(canvas, 16);
    press(0x27);
    flipAfter(canvas, 16);
    close(canvas);

    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "1,1,16,16,0,fixation");
    EXPECT_EQ(lines[2], "2,1,32,16,0,fixation; console: Rect Size 500 -> 490");
    EXPECT_EQ(lines[3], "3,1,48,16,0,fixation; console: Rect Size 490 -> 500");
    EXPECT_EQ(lines[4], "4,1,64,16,0,fixation; console: Count 5 -> 6");
    EXPECT_EQ(lines[6], "6,1,96,16,0,fixation");

    const auto& history = console::history();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].frame, 2);
    EXPECT_EQ(history[0].timeMs, 32.0);
    EXPECT_EQ(history[2].frame, 4);
    EXPECT_EQ(history[2].before, 5.0);
    EXPECT_EQ(history[2].after, 6.0);
    EXPECT_TRUE(history[2].integer);
}

TEST_F(TimingLogTest, TheEnvironmentStartsTheCurrentCanvasLogAndABadPathIsRefusedAtOpening)
{
    const std::string path = folder / "sub/env-timing.csv";
    Lumidraft::detail::setRunEnvironment({path, false});
    {
        Canvas canvas;
        open(canvas);
        flipAfter(canvas, 16);
        close(canvas);
    }
    EXPECT_EQ(readLines(path).size(), 2u) << "missing folder created, one row";
    EXPECT_TRUE(std::filesystem::exists(folder / "sub/env-timing.svg"));

    // A file where the folder should be: the canvas does not open, and the message names the variable.
    std::ofstream(folder / "plain").put('x');
    Lumidraft::detail::setRunEnvironment({folder / "plain/t.csv", false});
    ActiveCanvas::detail::forgetCurrentCanvas();
    Canvas canvas;
    try {
        canvas.open(0);
        ADD_FAILURE() << "opened";
    } catch (const Exception& e) {
        EXPECT_EQ(e.kind(), "CONFIGURATION ERROR");
        EXPECT_EQ(e.message().rfind("LUMIDRAFT_TIMING_LOG: Cannot write the timing log \"", 0), 0u) << e.message();
    }
    EXPECT_FALSE(canvas.isOpened());
    EXPECT_EQ(machine->liveWindows(), 0);
}

TEST_F(TimingLogTest, AnErrorThatEndsTheRunStillWritesEveryRow)
{
    const std::string path = folder / "error.csv";
    ::testing::internal::CaptureStderr();
    try {
        Canvas canvas;
        open(canvas);
        canvas.logTiming(path);
        for (int i = 0; i < 5; ++i)
            flipAfter(canvas, 16);
        canvas.flip(-1);
    } catch (const Exception& e) {
        EXPECT_EQ(e.kind(), "ARGUMENT ERROR");
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readLines(path).size(), 6u);
    EXPECT_NE(readFile(folder / "error.svg").find("</svg>"), std::string::npos);
    EXPECT_NE(err.find("Lumidraft: 5 flips at 60.00 Hz"), std::string::npos) << err;
}

TEST_F(TimingLogTest, AWindowClosedMidRunWritesTheLogBeforeTheProcessEnds)
{
    Canvas canvas;
    open(canvas);
    const std::string path = folder / "closed.csv";
    canvas.logTiming(path);
    for (int i = 0; i < 3; ++i)
        flipAfter(canvas, 16);
    machine->postClose();
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(queryKey(escape, pushed), platform::ScriptedExit);
    const std::string err = ::testing::internal::GetCapturedStderr();
    // The process would be gone here: the files are complete before the canvas is closed.
    EXPECT_EQ(readLines(path).size(), 4u);
    EXPECT_NE(readFile(folder / "closed.svg").find("</svg>"), std::string::npos);
    EXPECT_NE(err.find("Lumidraft: 3 flips at 60.00 Hz"), std::string::npos) << err;
    EXPECT_EQ(close(canvas), "") << "reported once";
}

// Lines in the file now, waiting up to 10 s for at least `atLeast` of them.
std::size_t linesWithin10s(const std::string& path, std::size_t atLeast)
{
    std::size_t lines = 0;
    for (int i = 0; i < 200 && (lines = readLines(path).size()) < atLeast; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return lines;
}

TEST_F(TimingLogTest, RowsReachTheFileWhileTheRunGoesOnAndLoggingAgainFinishesTheFirstFile)
{
    Canvas canvas;
    open(canvas);
    const std::string first = folder / "first.csv", second = folder / "second.csv";
    canvas.logTiming(first);
    // Three bursts of more rows in all than the memory reserved before the first flip: the
    // writer puts each burst in the file without the canvas closing (what a killed process
    // keeps) and reserves memory ahead as it goes.
    for (int burst = 1; burst <= 3; ++burst) {
        for (int i = 0; i < 8000; ++i)
            canvas.flip(0);
        EXPECT_EQ(linesWithin10s(first, 8000u * burst + 1), 8000u * burst + 1);
    }
    canvas.logTiming(second);
    flipAfter(canvas, 16);
    close(canvas);

    const auto lines = readLines(first);
    ASSERT_EQ(lines.size(), 24001u);
    EXPECT_EQ(lines.back().rfind("24000,0,", 0), 0u) << lines.back();
    const auto more = readLines(second);
    ASSERT_EQ(more.size(), 2u);
    EXPECT_EQ(more[1].rfind("24001,1,", 0), 0u) << "frames count on from the canvas's opening";
    EXPECT_EQ(more[1].substr(more[1].size() - 6), ",16,0,");
}

} // namespace
} // namespace Lumidraft::testing
