// The input layer on the scripted machine: one message per pump, key events from snapshots,
// button events from messages, the exits, the cursor and the drawn cross-hair.
#include "platform/input.h"

#include "canvas/canvas_fixture.h"
#include "platform/backend.h"
#include "platform/script/script_backend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace Lumidraft;
using platform::ScriptBackend;
using platform::ScriptedExit;

constexpr unsigned vkEscape = 0x1B;
constexpr unsigned vkA = 0x41;
constexpr unsigned vkB = 0x42;
constexpr unsigned vkRight = 0x27;

class Input : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = &platform::useScriptBackend();
        initializeInput();
    }
    void TearDown() override
    {
        initializeInput();
        platform::useBackend(nullptr);
    }

    // The exit code the next pump ends the process with, or -1 if it returns.
    int exitOfNextPump()
    {
        try {
            pumpMessages();
        } catch (const ScriptedExit& exit) {
            return exit.code;
        }
        return -1;
    }

    ScriptBackend* machine = nullptr;
};

TEST_F(Input, EachQueryRemovesOneMessageAndSeesTheKeysOnlyThatFar)
{
    machine->postKeyDown(vkA);
    machine->postKeyUp(vkA);
    machine->postKeyDown(vkB);

    EXPECT_TRUE(queryKey(keyA, held));
    EXPECT_FALSE(queryKey(keyB, held)) << "B's message is still queued";
    EXPECT_EQ(machine->pendingMessages(), 1u);
    EXPECT_TRUE(queryKey(keyB, held));
    EXPECT_EQ(machine->pendingMessages(), 0u);
    // A went down and up across the snapshots; reading held consumed neither event.
    EXPECT_TRUE(queryKey(keyA, pushed));
    EXPECT_TRUE(queryKey(keyA, released));
    EXPECT_FALSE(queryKey(keyA, pushed)) << "reading an event consumes it";
    EXPECT_FALSE(queryKey(keyA, released));
    EXPECT_TRUE(machine->dispatched().empty()) << "key messages are dropped, never dispatched";
}

TEST_F(Input, AHeldKeyReadsPushedOnceAndHeldThroughout)
{
    machine->postKeyDown(vkEscape);
    EXPECT_TRUE(queryKey(escape, pushed));
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(queryKey(escape, pushed)) << "pump " << i;
        EXPECT_TRUE(queryKey(escape, held)) << "pump " << i;
    }
    machine->postKeyUp(vkEscape);
    EXPECT_FALSE(queryKey(escape, held));
    EXPECT_TRUE(queryKey(escape, released));
    EXPECT_FALSE(queryKey(escape, pushed));
}

TEST_F(Input, KeysChangedWithoutMessagesAreSeenByTheNextSnapshot)
{
    // An empty queue still gives a fresh snapshot and cursor reading, and no button events.
    machine->setKeyState(vkRight, 0x80);
    machine->moveCursor(123, 45);
    EXPECT_TRUE(queryKey(rightArrow, held));
    EXPECT_EQ(static_cast<int>(mouseX), 123);
    EXPECT_EQ(static_cast<int>(mouseY), 45);
    for (int b : {leftButton, rightButton, middleButton})
        for (int s : {held, previous, pushed, released})
            EXPECT_FALSE(queryButton(b, s)) << b << "/" << s;
}

TEST_F(Input, ButtonPressAndReleaseBetweenQueriesLeaveBothEvents)
{
    machine->postButton(rightButton, true);
    machine->postButton(rightButton, false);
    pumpMessages();
    pumpMessages();
    EXPECT_FALSE(queryButton(rightButton, held));
    EXPECT_FALSE(queryButton(rightButton, previous)) << "the previous row is never written";
    EXPECT_TRUE(queryButton(rightButton, pushed));
    EXPECT_TRUE(queryButton(rightButton, released));
    EXPECT_FALSE(queryButton(rightButton, pushed));
    EXPECT_FALSE(queryButton(rightButton, released));
    EXPECT_FALSE(queryButton(leftButton, pushed));

    machine->postButton(middleButton, true);
    EXPECT_TRUE(queryButton(middleButton, held));
    EXPECT_TRUE(queryButton(middleButton, held)) << "held is not consumed";
    clearButtonEvents();
    EXPECT_FALSE(queryButton(middleButton, held)) << "clearing empties every row";
    EXPECT_FALSE(queryButton(middleButton, pushed));
}

TEST_F(Input, AltF4EndsTheProgramOnTheNextPumpWithCodeOne)
{
    machine->postAltF4();
    EXPECT_EQ(exitOfNextPump(), -1) << "the first pump only posts the quit message";
    EXPECT_TRUE(machine->quitPending());
    EXPECT_EQ(exitOfNextPump(), 1);
    EXPECT_EQ(machine->exitCode(), 1);
    EXPECT_TRUE(machine->dispatched().empty());
}

TEST_F(Input, OtherSystemKeysAreDroppedWithoutQuitting)
{
    machine->post({platform::msg::sysKeyDown, 0x72 /* F3 */, 0});
    EXPECT_EQ(exitOfNextPump(), -1);
    EXPECT_FALSE(machine->quitPending());
    EXPECT_TRUE(machine->dispatched().empty());
}

TEST_F(Input, CloseDestroyAndQuitEndTheProgramAtOnce)
{
    const std::pair<const char*, platform::Message> cases[] = {
        {"close", {platform::msg::close, 0, 0}},
        {"destroy", {platform::msg::destroy, 0, 0}},
        {"quit 0", {platform::msg::quit, 0, 0}},
    };
    for (const auto& [name, message] : cases) {
        machine = &platform::useScriptBackend();
        machine->post(message);
        machine->postKeyDown(vkA);
        EXPECT_EQ(exitOfNextPump(), 1) << name;
        EXPECT_EQ(machine->pendingMessages(), 1u) << name << ": nothing after it is handled";
    }
}

TEST_F(Input, MessagesThePumpDoesNotHandleAreDispatched)
{
    const unsigned ids[] = {platform::msg::lButtonDoubleClick, platform::msg::rButtonDoubleClick,
                            platform::msg::mouseMove, platform::msg::sysKeyUp};
    for (unsigned id : ids)
        machine->post({id, 7, 9});
    for (std::size_t i = 0; i < std::size(ids); ++i)
        pumpMessages();
    ASSERT_EQ(machine->dispatched().size(), std::size(ids));
    for (std::size_t i = 0; i < std::size(ids); ++i)
        EXPECT_EQ(machine->dispatched()[i].id, ids[i]);
    EXPECT_FALSE(queryButton(leftButton, pushed)) << "a double click is no press";
}

// Every key code against the virtual-key code it must read: each mapped key is held alone and
// read back through its code.
TEST_F(Input, KeyCodesReadTheirVirtualKeys)
{
    std::vector<std::pair<int, unsigned>> mapping;
    for (int i = 0; i < 9; ++i)
        mapping.push_back({key1 + i, 0x31u + i});
    mapping.push_back({key0, 0x30});
    for (int i = 0; i < 26; ++i)
        mapping.push_back({keyA + i, 0x41u + i});
    for (int i = 0; i < 10; ++i)
        mapping.push_back({numpad0 + i, 0x60u + i});
    const std::pair<int, unsigned> named[] = {
        {36, 0xBC}, {37, 0xBE}, {38, 0xBF}, {49, 0x0D}, {50, 0x20}, {51, 0x1B}, {52, 0x26}, {53, 0x28},
        {54, 0x25}, {55, 0x27}, {56, 0x10}, {57, 0x11}, {58, 0x12}, {59, 0xBD}, {61, 0xDC}, {62, 0x01},
        {64, 0xBA}, {65, 0xBA}, {66, 0xDB}, {67, 0xDD}, {72, 0x6B}, {73, 0x6D}, {74, 0x6A}, {75, 0x6F},
    };
    mapping.insert(mapping.end(), std::begin(named), std::end(named));
    EXPECT_EQ(escape, 51);
    EXPECT_EQ(upArrow, 52);
    EXPECT_EQ(downArrow, 53);
    EXPECT_EQ(leftArrow, 54);
    EXPECT_EQ(rightArrow, 55);
    EXPECT_EQ(shift, 56);

    for (const auto& [code, vk] : mapping) {
        machine->setKeyState(vk, 0x80);
        EXPECT_TRUE(queryKey(code, held)) << "code " << code;
        machine->setKeyState(vk, 0x00);
        EXPECT_FALSE(queryKey(code, held)) << "code " << code;
    }
}

// Codes without a key, code 68 (whose table entry lies outside the tables) and arguments outside
// their tables never read as down and touch nothing out of bounds, even with every key down.
TEST_F(Input, CodesWithoutKeysAndOutOfTableArgumentsReadFalse)
{
    for (unsigned vk = 1; vk < 256; ++vk)
        if (vk != 0x40)
            machine->setKeyState(vk, 0x81);
    pumpMessages();
    pumpMessages(); // previous is all down too

    std::vector<int> keyless = {60, 63, 68, -1, -100000, 256, 1 << 30};
    for (int code = 69; code < 256; ++code)
        if (code < 72 || code > 75)
            keyless.push_back(code);
    for (int code : keyless)
        for (int state : {held, previous, pushed, released})
            EXPECT_FALSE(queryKey(code, state)) << "code " << code << " state " << state;

    for (int state : {-1, 4, 1000})
        EXPECT_FALSE(queryKey(escape, state)) << state;
    machine->postButton(leftButton, true);
    pumpMessages();
    for (int button : {-1, 3, 1 << 20})
        for (int state : {held, pushed})
            EXPECT_FALSE(queryButton(button, state)) << button;
    for (int state : {-1, 4})
        EXPECT_FALSE(queryButton(leftButton, state)) << state;
    EXPECT_TRUE(queryButton(leftButton, pushed)) << "the in-table event is intact";
    EXPECT_TRUE(queryKey(escape, held));
}

TEST_F(Input, ClearKeyEventsForgetsPushesAndReleasesButNotTheSnapshot)
{
    machine->postKeyDown(vkA);
    machine->postKeyDown(vkB);
    machine->postKeyUp(vkB);
    pumpMessages();
    pumpMessages();
    pumpMessages();
    clearKeyEvents();
    EXPECT_FALSE(queryKey(keyA, pushed));
    EXPECT_FALSE(queryKey(keyB, released));
    EXPECT_TRUE(queryKey(keyA, held));
}

TEST_F(Input, InitializeInputClearsEveryTableAndTheDrawnCursor)
{
    machine->postKeyDown(vkA);
    machine->postButton(leftButton, true);
    pumpMessages();
    pumpMessages();
    showDrawnCursor();
    initializeInput();
    EXPECT_FALSE(inputProperties().drawnCursor);
    const auto& p = inputProperties();
    for (int s = 0; s < 4; ++s) {
        for (int vk = 0; vk < 256; ++vk)
            ASSERT_EQ(p.keys[s][vk], 0) << s << "/" << vk;
        for (int b = 0; b < 3; ++b)
            ASSERT_EQ(p.buttons[s][b], 0) << s << "/" << b;
    }
    machine->postKeyUp(vkA);
    pumpMessages();
    EXPECT_FALSE(queryKey(keyA, released)) << "the cleared snapshot had A up already";
}

TEST_F(Input, MouseCoordinatesMoveTheSystemCursor)
{
    machine->moveCursor(300, 200);
    pumpMessages();
    EXPECT_EQ(getMousePosition().x, 300.0);
    EXPECT_EQ(getMousePosition().y, 200.0);

    EXPECT_EQ(mouseX = 50, 50);
    EXPECT_EQ(machine->cursorWarps(), 1);
    int x = 0, y = 0;
    platform::backend().cursorPosition(x, y);
    EXPECT_EQ(x, 50);
    EXPECT_EQ(y, 200);
    mouseY = mouseX;
    platform::backend().cursorPosition(x, y);
    EXPECT_EQ(y, 50);

    machine->moveCursor(7, 8);
    EXPECT_EQ(static_cast<int>(mouseX), 50) << "reading does not pump";

    const Point stored = setMousePosition(Point(10.7, -3.2));
    EXPECT_EQ(stored.x, 10.0);
    EXPECT_EQ(stored.y, -3.0);
    EXPECT_EQ(static_cast<int>(mouseX), 10);
    EXPECT_EQ(static_cast<int>(mouseY), -3);
    EXPECT_EQ(machine->cursorWarps(), 3) << "one move for both coordinates";

    const Point wild = setMousePosition(Point(1e300, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(wild.x, 2147483647.0) << "saturates instead of overflowing";
    EXPECT_EQ(wild.y, 0.0);
}

// A machine whose cursor read fails (as it does while another desktop has the input): the
// read leaves the caller's buffer as it was.
class CursorReadFails : public ScriptBackend {
public:
    void cursorPosition(int&, int&) override {}
};

TEST_F(Input, AFailedCursorReadKeepsThePositionOfTheLastReading)
{
    machine->moveCursor(300, 200);
    pumpMessages();
    platform::useBackend(std::make_unique<CursorReadFails>());
    pumpMessages();
    EXPECT_EQ(static_cast<int>(mouseX), 300);
    EXPECT_EQ(static_cast<int>(mouseY), 200);
}

class DrawnCursor : public Lumidraft::testing::CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        initializeInput();
    }
    void TearDown() override
    {
        initializeInput();
        CanvasTest::TearDown();
    }
};

TEST_F(DrawnCursor, IsAWhiteCrossWithABlackBorderAtTheCursor)
{
    Canvas canvas(0);
    machine->moveCursor(100, 60);
    pumpMessages();
    canvas.clear(Color(0.5));

    drawCursor();
    const Lumidraft::testing::Pixels hidden(canvas);
    EXPECT_EQ(hidden.at(100, 60), (Lumidraft::testing::Rgba{128, 128, 128, 255})) << "the drawn cursor is off";

    showDrawnCursor();
    drawCursor();
    const Lumidraft::testing::Pixels shown(canvas);
    const Lumidraft::testing::Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255}, grey{128, 128, 128, 255};
    // White arms 4 pixels each way from the centre; a black border one pixel wide around them.
    for (int d = -4; d <= 4; ++d) {
        EXPECT_EQ(shown.at(100 + d, 60), white) << d;
        EXPECT_EQ(shown.at(100, 60 + d), white) << d;
        if (d == 0)
            continue;
        EXPECT_EQ(shown.at(100 + d, 59), black) << d;
        EXPECT_EQ(shown.at(100 + d, 61), black) << d;
        EXPECT_EQ(shown.at(99, 60 + d), black) << d;
        EXPECT_EQ(shown.at(101, 60 + d), black) << d;
    }
    for (auto [x, y] : {std::pair{95, 60}, {105, 60}, {100, 55}, {100, 65}})
        EXPECT_EQ(shown.at(x, y), black) << x << "," << y;
    for (auto [x, y] : {std::pair{94, 60}, {106, 60}, {100, 54}, {100, 66}, {102, 62}, {98, 58}})
        EXPECT_EQ(shown.at(x, y), grey) << x << "," << y;

    hideDrawnCursor();
    canvas.clear(Color(0.5));
    drawCursor();
    EXPECT_EQ(Lumidraft::testing::Pixels(canvas).at(100, 60), grey);
}

} // namespace
