// The console: variables changed by the arrow keys through the scripted message queue, the
// registration chain, the selection, the launch record and the panel's pixels.
#include "console/adjustable_variable.h"
#include "console/console_display.h"
#include "console/experiment_runner.h"
#include "console/variable_registry.h"

#include "app/exception.h"
#include "canvas/canvas_fixture.h"
#include "platform/input.h"
#include "platform/script/script_backend.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

namespace {

using namespace Lumidraft;

constexpr unsigned vkShift = 0x10;
constexpr unsigned vkLeft = 0x25;
constexpr unsigned vkUp = 0x26;
constexpr unsigned vkRight = 0x27;
constexpr unsigned vkDown = 0x28;

class Console : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = &platform::useScriptBackend();
        initializeInput();
        clearRegisteredVariables();
        setConsoleVisible(false);
    }
    void TearDown() override
    {
        clearRegisteredVariables();
        setConsoleVisible(false);
        platform::useBackend(nullptr);
    }

    // One key press (down and up), then console frames until the queue is empty.
    void press(unsigned vk, bool withShift = false)
    {
        machine->setKeyState(vkShift, withShift ? 0x80 : 0x00);
        machine->postKeyDown(vk);
        machine->postKeyUp(vk);
        while (machine->pendingMessages() > 0)
            handleConsoleKeys();
        handleConsoleKeys();
    }

    platform::ScriptBackend* machine = nullptr;
};

template <typename T>
Adjustable<T>& entry(std::size_t i)
{
    return dynamic_cast<Adjustable<T>&>(*registeredVariables().at(i));
}

TEST_F(Console, IntegerStepsAreRefusedWhenTheyWouldLeaveTheRange)
{
    int v = 95;
    Range rng;
    registerVariable(v).label("n").range(5 <= rng <= 100).step(10).step(5);
    press(vkRight, true);
    EXPECT_EQ(v, 95) << "105 lies outside [5, 100]";
    press(vkRight);
    EXPECT_EQ(v, 100);
    press(vkRight);
    EXPECT_EQ(v, 100);
    press(vkLeft, true);
    EXPECT_EQ(v, 90);
    for (int i = 0; i < 20; ++i)
        press(vkLeft);
    EXPECT_EQ(v, 5);
}

TEST_F(Console, RealStepsAddUpInFloatingPointAndStopShortOfTheEnds)
{
    // The expected values replay the presses' sums here: each step is added to the value the
    // last one left, and a sum outside [0, 1] leaves the value as it was.
    const auto replay = [](double value, double step, int presses) {
        for (int i = 0; i < presses; ++i) {
            const double next = value + step;
            if (next >= 0.0 && next <= 1.0)
                value = next;
        }
        return value;
    };
    double v = 0.2;
    Range rng;
    registerVariable(v).label("grey").range(0 <= rng <= 1).step(0.1).step(0.05);

    const double up = replay(0.2, 0.05, 30);
    EXPECT_GT(up + 0.05, 1.0) << "the replay stopped short of the end";
    for (int i = 0; i < 30; ++i)
        press(vkRight);
    EXPECT_EQ(v, up);
    EXPECT_EQ(v, 0.9500000000000003) << "the next sum, 1.0000000000000002, is outside";

    v = 0.2;
    for (int i = 0; i < 30; ++i)
        press(vkRight, true);
    EXPECT_EQ(v, replay(0.2, 0.1, 30));
    EXPECT_EQ(v, 0.9999999999999999);

    v = 0.2;
    for (int i = 0; i < 30; ++i)
        press(vkLeft);
    const double down = replay(0.2, -0.05, 30);
    EXPECT_LT(down - 0.05, 0.0);
    EXPECT_EQ(v, down);
    EXPECT_GT(v, 0.0);
    EXPECT_NEAR(v, 1.4e-17, 0.1e-17);
}

TEST_F(Console, SelectionWrapsAndRegistrationMovesItBackToTheFirstEntry)
{
    int a = 0, b = 0, c = 0;
    registerVariable(a);
    EXPECT_EQ(selectedVariable(), 0u);
    press(vkUp);
    EXPECT_EQ(selectedVariable(), 0u) << "a single entry stays selected";
    press(vkDown);
    EXPECT_EQ(selectedVariable(), 0u);

    registerVariable(b);
    registerVariable(c);
    press(vkUp);
    EXPECT_EQ(selectedVariable(), 2u) << "Up on the first selects the last";
    press(vkDown);
    EXPECT_EQ(selectedVariable(), 0u) << "Down on the last selects the first";
    press(vkDown);
    EXPECT_EQ(selectedVariable(), 1u);

    double d = 0.0;
    registerVariable(d);
    EXPECT_EQ(selectedVariable(), 0u);
    EXPECT_EQ(registeredVariables().size(), 4u);
}

TEST_F(Console, KeysActOnTheEntrySelectedAtTheStartOfTheFrame)
{
    int first = 50, second = 50;
    Range rng;
    registerVariable(first).range(0 <= rng <= 100).step(1).step(1);
    registerVariable(second).range(0 <= rng <= 100).step(1).step(1);
    // Right and Down land in the same frame: the value changes first, then the selection moves.
    machine->postKeyDown(vkRight);
    machine->postKeyDown(vkDown);
    handleConsoleKeys();
    EXPECT_EQ(first, 51);
    EXPECT_EQ(second, 50);
    EXPECT_EQ(selectedVariable(), 1u);
}

TEST_F(Console, RightAndLeftInOneFrameBothApplyIncrementFirst)
{
    int v = 100;
    Range rng;
    registerVariable(v).range(5 <= rng <= 100).step(5).step(5);
    machine->postKeyDown(vkRight);
    machine->postKeyDown(vkLeft);
    handleConsoleKeys();
    EXPECT_EQ(v, 95) << "105 refused, then 95; the other order would end at 100";
}

TEST_F(Console, KeysArriveOneMessagePerQuery)
{
    int v = 0;
    Range rng;
    registerVariable(v).range(0 <= rng <= 100).step(10).step(1);
    // Shift goes down in the message after Right: the Shift query that follows Right's push
    // removes it, so the step is already the Shift step.
    machine->postKeyDown(vkRight);
    machine->postKeyDown(vkShift);
    handleConsoleKeys();
    EXPECT_EQ(v, 10);
    EXPECT_EQ(machine->pendingMessages(), 0u);
}

TEST_F(Console, TheFirstStepIsTheShiftStepAndLaterOnesReplaceTheOrdinaryStep)
{
    int n = 0;
    double x = 0.0;
    VariableRegistrar r = registerVariable(n);
    r.step(7).step(3).step(2);
    registerVariable(x).step(0.5);
    EXPECT_EQ(entry<int>(0).shiftStep, 7);
    EXPECT_EQ(entry<int>(0).step, 2);
    EXPECT_EQ(entry<double>(1).shiftStep, 0.5);
    EXPECT_EQ(entry<double>(1).step, 0.0) << "a step never given is 0, so the key does nothing";
    EXPECT_EQ(entry<double>(1).label, "Untitled");

    // Integer steps truncate toward zero; absurd ones saturate instead of overflowing.
    int m = 0;
    registerVariable(m).step(2.9).step(-2.9);
    EXPECT_EQ(entry<int>(2).shiftStep, 2);
    EXPECT_EQ(entry<int>(2).step, -2);
    registerVariable(n).step(1e300).step(-1e300);
    EXPECT_EQ(entry<int>(0).shiftStep, INT_MAX) << "a registrar for a twice-registered variable acts on its first entry";
    EXPECT_EQ(entry<int>(0).step, INT_MIN);
    EXPECT_EQ(entry<int>(3).shiftStep, 0);
}

TEST_F(Console, SettersOfARegistrarWithoutAnEntryDoNothing)
{
    int registered = 1, other = 2;
    Range rng;
    registerVariable(registered).label("kept");
    VariableRegistrar(nullptr).label("x").range(0 <= rng <= 1).step(1).step(1);
    VariableRegistrar(&other).label("y").step(4);
    VariableRegistrar(&registered).label(static_cast<const char*>(nullptr));
    ASSERT_EQ(registeredVariables().size(), 1u);
    EXPECT_EQ(entry<int>(0).label, "") << "a null text is an empty label";
    EXPECT_EQ(entry<int>(0).shiftStep, 0);
    EXPECT_EQ(registered, 1);
    EXPECT_EQ(other, 2);
}

TEST_F(Console, IntegerStepsThatWouldOverflowAreRefused)
{
    int big = INT_MAX, small = INT_MIN;
    registerVariable(big).step(1).step(1);
    registerVariable(small).step(1).step(1);
    entry<int>(0).increment(false);
    entry<int>(1).decrement(true);
    EXPECT_EQ(big, INT_MAX);
    EXPECT_EQ(small, INT_MIN);
    entry<int>(0).decrement(false);
    EXPECT_EQ(big, INT_MAX - 1) << "an unlimited range admits everything representable";
}

TEST_F(Console, WithNothingRegisteredTheKeysAreStillConsumed)
{
    machine->postKeyDown(vkRight);
    handleConsoleKeys();
    EXPECT_FALSE(queryKey(rightArrow, pushed));
}

TEST_F(Console, TheConsoleOffHandlesNoKeys)
{
    int v = 1;
    registerVariable(v).step(1).step(1);
    machine->postKeyDown(vkRight);
    updateConsole();
    EXPECT_EQ(machine->pendingMessages(), 1u) << "no query, so no pump";
    EXPECT_EQ(v, 1);
}

namespace runner {
int calls = 0;
void main() { ++calls; }
void failing() { throw Exception(typeid(Canvas), "SIZE ERROR", "boom"); }
} // namespace runner

TEST_F(Console, TheRunnerTurnsTheConsoleOnOnlyForOptionZero)
{
    runner::calls = 0;
    ExperimentRunner().setConsoleOption(1).setMain(runner::main).run();
    EXPECT_EQ(runner::calls, 1);
    EXPECT_FALSE(isConsoleVisible());

    ExperimentRunner r;
    r.setConsoleOption(0);
    r.setMain(runner::main);
    r.run();
    EXPECT_EQ(runner::calls, 2);
    EXPECT_TRUE(isConsoleVisible());

    ExperimentRunner().setConsoleOption(7).setMain(runner::main).run();
    EXPECT_TRUE(isConsoleVisible()) << "other options leave the switch alone";

    try {
        ExperimentRunner().setMain(runner::failing).run();
        FAIL() << "the experiment's exception must pass through";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "boom");
    }
    try {
        ExperimentRunner().run();
        FAIL() << "running without a main function must refuse";
    } catch (const Exception& e) {
        EXPECT_EQ(e.raisingClass(), typeid(ExperimentRunner));
    }
}

// ---- The panel, on a real canvas ----

class ConsolePanel : public Lumidraft::testing::CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        initializeInput();
        clearRegisteredVariables();
    }
    // The console goes on once the canvas is open, as the launcher does it: the canvas's opening
    // flips run the console step too, and it draws through the current canvas.
    static void open(Canvas& canvas)
    {
        canvas.open(0);
        setConsoleVisible(true);
    }
    void TearDown() override
    {
        clearRegisteredVariables();
        setConsoleVisible(false);
        CanvasTest::TearDown();
    }
};

using Lumidraft::testing::Pixels;
using Lumidraft::testing::Rgba;

TEST_F(ConsolePanel, FourEntriesGiveADarkenedSquareWithOneRowEach)
{
    Canvas canvas;
    open(canvas);
    int a = 1, b = 22, c = 333;
    double d = 0.5;
    registerVariable(a).label("A");
    registerVariable(b).label("B");
    registerVariable(c).label("C");
    registerVariable(d).label("D");
    machine->postKeyDown(0x28); // Down: the second row is selected in this very frame
    canvas.clear(Color(0.8));
    updateConsole();
    const Pixels grey(canvas);
    canvas.clear(Color::black);
    updateConsole();
    const Pixels p(canvas); // on black, only the text is lit
    EXPECT_EQ(selectedVariable(), 1u);

    // Half-opaque black over 0.8 grey: 0.4 inside the 200 x 200 panel, 0.8 outside.
    for (auto [x, y] : {std::pair{0, 0}, {199, 0}, {0, 199}, {199, 199}, {5, 60}, {100, 195}})
        EXPECT_EQ(grey.at(x, y), (Rgba{102, 102, 102, grey.at(x, y)[3]})) << x << "," << y;
    for (auto [x, y] : {std::pair{200, 0}, {0, 200}, {200, 200}, {300, 100}})
        EXPECT_EQ(grey.at(x, y), (Rgba{204, 204, 204, 255})) << x << "," << y;

    // Each row has its label starting at x = 30 and its value ending before x = 190; only the
    // selected row is drawn at full white.
    for (int row = 0; row < 4; ++row) {
        const int top = 50 * row;
        const auto label = p.litBox(20, top, 60, top + 49);
        ASSERT_GT(label.count, 0) << "row " << row;
        EXPECT_EQ(label.left, 30) << "row " << row;
        EXPECT_LE(label.bottom, top + 30) << "row " << row;
        const auto value = p.litBox(100, top, 199, top + 49);
        ASSERT_GT(value.count, 0) << "row " << row;
        EXPECT_LT(value.right, 190) << "row " << row;
        EXPECT_GT(value.right, 180) << "row " << row << ": right-aligned on the value column";

        const auto colors = p.litColors(20, top, 199, top + 49);
        bool fullWhite = false;
        for (const Rgba& c : colors)
            fullWhite = fullWhite || (c[0] == 255 && c[1] == 255 && c[2] == 255);
        EXPECT_EQ(fullWhite, row == 1) << "row " << row;
    }
}

TEST_F(ConsolePanel, AChangeMadeByTheKeysShowsInTheSameFrame)
{
    Canvas canvas;
    open(canvas);
    int v = 1;
    Range rng;
    registerVariable(v).label("v").range(0 <= rng <= 9).step(1).step(1);
    canvas.clear(Color::black);
    updateConsole();
    const Pixels before(canvas);

    machine->postKeyDown(0x27);
    canvas.clear(Color::black);
    updateConsole();
    const Pixels after(canvas);
    EXPECT_EQ(v, 2);
    EXPECT_FALSE(before == after) << "the value column shows 2 in the frame that made it";

    v = 1;
    canvas.clear(Color::black);
    updateConsole();
    EXPECT_TRUE(Pixels(canvas) == before);
}

TEST_F(ConsolePanel, NoEntriesDrawNothingAndTheFlipRunsTheConsole)
{
    Canvas canvas;
    open(canvas);
    canvas.clear(Color(0.8));
    updateConsole();
    EXPECT_EQ(Pixels(canvas).at(0, 0), (Rgba{204, 204, 204, 255})) << "a panel of height 0";

    // Inside a flip: the keys are handled there (one frame with Right pushed).
    int v = 3;
    registerVariable(v).step(1).step(1);
    machine->postKeyDown(0x27);
    canvas.flip();
    EXPECT_EQ(v, 4);
    setConsoleVisible(false);
    machine->postKeyDown(0x25);
    canvas.flip();
    EXPECT_EQ(v, 4);
    EXPECT_EQ(machine->pendingMessages(), 1u) << "with the console off the flip pumps nothing";
}

TEST_F(ConsolePanel, ACanvasOpensWhileTheConsoleIsOnAndNoCanvasIsCurrent)
{
    // An experiment that opens its own canvas after turning the console on: the opening flips have
    // no current canvas to draw the panel on, and must neither fail nor leave a panel behind.
    int v = 3;
    registerVariable(v).step(1).step(1);
    setConsoleVisible(true);
    showDrawnCursor();
    Canvas canvas;
    ASSERT_NO_THROW(canvas.open(0));
    const Rgba cleared = Pixels(canvas).at(10, 10);
    EXPECT_EQ((Rgba{cleared[0], cleared[1], cleared[2], 0}), (Rgba{0, 0, 0, 0})) << "both buffers start cleared";

    canvas.clear(Color(0.8));
    canvas.flip();
    const Rgba panel = Pixels(canvas).at(10, 10);
    EXPECT_EQ((Rgba{panel[0], panel[1], panel[2], 0}), (Rgba{102, 102, 102, 0})) << "from then on the panel shows";
    hideDrawnCursor();
}

} // namespace
