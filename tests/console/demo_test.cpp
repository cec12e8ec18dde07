// The shipped experiment on the scripted machine, from its first frame to Escape: the squares'
// grey levels read back from the GL buffer, the observer's key presses, and the frame pacing.
#include "console/experiment_runner.h"
#include "console/variable_registry.h"

#include "app/launch.h"
#include "app/run_environment.h"
#include "support/temp_folder.h"
#include "canvas/canvas_fixture.h"
#include "platform/input.h"
#include "platform/script/script_backend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Lumidraft;
using Lumidraft::testing::Pixels;

constexpr unsigned vkEscape = 0x1B;
constexpr unsigned vkLeft = 0x25;
constexpr unsigned vkUp = 0x26;
constexpr unsigned vkRight = 0x27;
constexpr unsigned vkDown = 0x28;

// A frame makes five key queries (Escape, then Right, Left, Up, Down in the console), six when an
// arrow was pushed; each removes one message. Mouse moves are neutral padding.
constexpr int queriesPerIdleFrame = 5;

class Demo : public Lumidraft::testing::CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        machine->setDisplayModes({{1024, 768, 32, 60}});
        machine->setDesktopMode({1024, 768, 32, 60});
        initializeInput();
        clearRegisteredVariables();
        setConsoleVisible(false);
    }
    void TearDown() override
    {
        clearRegisteredVariables();
        setConsoleVisible(false);
        CanvasTest::TearDown();
    }

    void pad(int messages)
    {
        for (int i = 0; i < messages; ++i)
            machine->post({platform::msg::mouseMove, 0, 0});
    }
    // A press and release, then enough padding that the console consumes the push before the
    // next key arrives.
    void press(unsigned vk)
    {
        machine->postKeyDown(vk);
        machine->postKeyUp(vk);
        pad(8);
    }

    // Runs the experiment the way the launcher does; returns the number of frames it drew. A close
    // message well behind Escape turns a run that misses Escape into a failure instead of a hang.
    int run(Canvas& canvas)
    {
        machine->postKeyDown(vkEscape);
        pad(50);
        machine->postClose();
        const int before = canvas.getFrameCount();
        try {
            ExperimentRunner().setConsoleOption(0).setMain(experimentMain).run();
        } catch (const platform::ScriptedExit&) {
            ADD_FAILURE() << "the experiment ran past Escape";
        }
        // Escape up again and the rest of the queue dropped, for the next run.
        platform::Message rest;
        while (platform::backend().peekMessage(rest)) {
        }
        machine->setKeyState(vkEscape, 0);
        initializeInput();
        return canvas.getFrameCount() - before;
    }

    // The grey (red channel) at a distance d left of the centre, on the centre row.
    static int greyLeftOfCentre(const Pixels& p, int d) { return p.at(512 - d, 384)[0]; }

    // The grey levels of n squares of the given largest size, outside in, sampled half-way
    // between each square's edge and the next smaller one's.
    static std::vector<int> squareGreys(const Pixels& p, int n, double largest)
    {
        std::vector<int> greys;
        for (int k = n; k >= 1; --k) {
            const double outer = k * largest / n / 2, inner = (k - 1) * largest / n / 2;
            greys.push_back(greyLeftOfCentre(p, static_cast<int>((outer + inner) / 2)));
        }
        return greys;
    }

    static std::vector<double> levels(std::initializer_list<double> greys) { return greys; }

    // Each grey as 8 bits; the conversion may round either way at a half.
    static void expectGreys(const std::vector<int>& read, const std::vector<double>& expected)
    {
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t i = 0; i < read.size(); ++i)
            EXPECT_NEAR(read[i], expected[i] * 255, 0.51) << "square " << i << " from the outside";
    }

    // The run of pixels on the centre row that differ from the background: the outer square.
    static std::pair<int, int> outerSquareColumns(const Pixels& p, int background)
    {
        int left = -1, right = -1;
        for (int x = 0; x < 1024; ++x)
            if (p.at(x, 384)[0] != background) {
                if (left < 0)
                    left = x;
                right = x;
            }
        return {left, right};
    }
};

TEST_F(Demo, FirstFrameShowsFiveCentredSquaresUnderTheConsole)
{
    Canvas canvas(0);
    pad(queriesPerIdleFrame);
    EXPECT_EQ(run(canvas), 1);
    ASSERT_EQ(registeredVariables().size(), 4u);
    const Pixels p(canvas);

    expectGreys(squareGreys(p, 5, 500), levels({0, 0.2, 0.4, 0.6, 0.8}));
    // The largest square is 500 pixels wide, centred on 512 to within the half pixel that an
    // even size leaves.
    const auto [left, right] = outerSquareColumns(p, 51);
    EXPECT_EQ(right - left + 1, 500);
    EXPECT_NEAR((left + right) / 2.0, 512, 0.5);
    EXPECT_EQ(p.at(left, 384)[0], 0) << "outermost black";
    EXPECT_EQ(p.at(512, 384)[0], 204) << "innermost 0.8";

    // The console: 200 x 200 of black at half opacity over the background, then the background.
    EXPECT_NEAR(p.at(2, 2)[0], 25.5, 1.0);
    EXPECT_NEAR(p.at(199, 199)[0], 25.5, 1.0);
    EXPECT_EQ(p.at(200, 100)[0], 51);
    EXPECT_EQ(p.at(100, 200)[0], 51);
    // Four rows of text, the first one selected (full white somewhere in it).
    for (int row = 0; row < 4; ++row)
        EXPECT_GT(p.litBox(30, 50 * row, 199, 50 * row + 49).count, 0) << "row " << row;
}

TEST_F(Demo, TheObserversKeysShowFromTheNextFrame)
{
    struct Case {
        const char* name;
        std::vector<unsigned> keys;
        int squares;
        double largest;
        std::vector<double> greys; // outside in
        int background;
    };
    const Case cases[] = {
        {"Right: ten squares", {vkRight}, 10, 500, levels({0, .1, .2, .3, .4, .5, .6, .7, .8, .9}), 51},
        {"Down Down Right: ramp reversed", {vkDown, vkDown, vkRight}, 5, 500, levels({.8, .6, .4, .2, 0}), 51},
        {"Up Left: darker background", {vkUp, vkLeft}, 5, 500, levels({0, .2, .4, .6, .8}), 38},
        {"Down Left Left: smaller squares", {vkDown, vkLeft, vkLeft}, 5, 480, levels({0, .2, .4, .6, .8}), 51},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearRegisteredVariables();
        setConsoleVisible(false); // on again once the canvas is open, as the launcher does it
        ActiveCanvas::detail::forgetCurrentCanvas();
        Canvas canvas(0);
        for (unsigned vk : c.keys)
            press(vk);
        pad(2 * queriesPerIdleFrame);
        run(canvas);
        const Pixels p(canvas);
        expectGreys(squareGreys(p, c.squares, c.largest), c.greys);
        const auto [left, right] = outerSquareColumns(p, c.background);
        EXPECT_EQ(right - left + 1, static_cast<int>(c.largest)) << "background " << c.background;
    }
}

TEST_F(Demo, EscapeEndsTheRunBeforeAnotherFrameIsDrawn)
{
    Canvas canvas(0);
    const int swaps = machine->swapCount();
    EXPECT_EQ(run(canvas), 0);
    EXPECT_EQ(machine->swapCount(), swaps);
    EXPECT_TRUE(isConsoleVisible());
}

TEST_F(Demo, SixHundredFramesAtSixtyHertzMissNoRefresh)
{
    machine->setReadQuantum(100); // 10 us a counter read: the flip's spin takes fewer reads
    Canvas canvas(0);
    ASSERT_EQ(canvas.getRefreshHz(), 60.0);
    pad(600 * queriesPerIdleFrame);
    EXPECT_EQ(run(canvas), 600);
    EXPECT_EQ(canvas.getFrameCount(), 602) << "the two opening flips plus 600 frames";
    EXPECT_EQ(canvas.getMissedCount(), 0);
    EXPECT_EQ(canvas.missedFrames(), 0);
    EXPECT_NEAR(canvas.getLastInterval(), 1000.0 / 60, 1.0) << "whole milliseconds";
}

TEST_F(Demo, EscapeMidRunLeavesTheTimingLogAndItsPictureComplete)
{
    const Lumidraft::testing::TempFolder folder;
    const std::string csv = folder / "run-timing.csv";
    Lumidraft::detail::setRunEnvironment({csv, false});
    machine->setReadQuantum(100);
    int frames = 0;
    std::string err;
    {
        Canvas canvas(0);
        Lumidraft::detail::setRunEnvironment({});
        pad(40 * queriesPerIdleFrame);
        press(vkRight); // ten squares from here on, recorded in the log's tag column
        pad(20 * queriesPerIdleFrame);
        frames = run(canvas);
        ::testing::internal::CaptureStderr();
    }
    err = ::testing::internal::GetCapturedStderr();
    ASSERT_GT(frames, 50);

    const auto lines = Lumidraft::testing::readLines(csv);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(frames) + 1) << "one row per frame the demo drew";
    EXPECT_EQ(lines.back().rfind(std::to_string(frames) + ",1,", 0), 0u) << lines.back();
    int changes = 0;
    for (const std::string& line : lines)
        changes += line.find(",console: Number of Rect  5 -> 10") != std::string::npos;
    EXPECT_EQ(changes, 1);
    const std::string svg = Lumidraft::testing::readFile(folder / "run-timing.svg");
    ASSERT_GE(svg.size(), 7u);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_NE(err.find("Lumidraft: " + std::to_string(frames) + " flips at 60.00 Hz, 0 refreshes missed in 0 flips"),
              std::string::npos)
        << err;
}

} // namespace
