#include "platform/script/script_backend.h"

#include "platform/gl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace Lumidraft::platform;

class ScriptMachine : public ::testing::Test {
protected:
    void SetUp() override { machine = &useScriptBackend(); }
    void TearDown() override { useBackend(nullptr); }
    ScriptBackend* machine = nullptr;
};

// ---- Counter ----

TEST_F(ScriptMachine, CounterFrequencyCanBeMissingOrBelowOneKilohertz)
{
    std::int64_t f = -1;
    ASSERT_TRUE(backend().counterFrequency(f));
    EXPECT_EQ(f, 10'000'000);

    machine->setCounterFrequency(500);
    ASSERT_TRUE(backend().counterFrequency(f));
    EXPECT_EQ(f, 500);

    machine->setCounterFrequency(0);
    f = 1234;
    EXPECT_FALSE(backend().counterFrequency(f));
    EXPECT_EQ(f, 1234) << "a missing counter writes nothing";
}

TEST_F(ScriptMachine, EachReadReturnsTheCounterThenAdvancesItByTheQuantum)
{
    machine->setCounter(100);
    machine->setReadQuantum(7);
    EXPECT_EQ(backend().counterValue(), 100);
    EXPECT_EQ(backend().counterValue(), 107);
    EXPECT_EQ(machine->counter(), 114);
    machine->setReadQuantum(0);
    EXPECT_EQ(backend().counterValue(), 114);
    EXPECT_EQ(backend().counterValue(), 114);
    EXPECT_EQ(machine->counterReads(), 4);
}

// ---- Swap timing ----

TEST_F(ScriptMachine, ASwapWaitsForTheNextRetraceStrictlyAfterNow)
{
    machine->setCounterFrequency(1'000'000);
    machine->setRetraceRate(60.0); // period 16666.67 ticks
    struct Case {
        std::int64_t now;
        std::int64_t done;
    } cases[] = {{0, 16667}, {1, 16667}, {16666, 16667}, {16667, 33333}, {33333, 50000}, {49999, 50000},
                 {50000, 66667}};
    for (const Case& c : cases) {
        machine->setCounter(c.now);
        ASSERT_TRUE(backend().createWindow("c", "t", 0, 0, 4, 4)) << "windows are cheap without GL";
        machine->simulateSwap();
        EXPECT_EQ(machine->counter(), c.done) << "swap at " << c.now;
        EXPECT_EQ(machine->lastSwapCompletion(), c.done);
    }
    EXPECT_EQ(machine->swapCount(), 7);

    machine->setSwapExtraDelay(250);
    machine->setCounter(0);
    machine->simulateSwap();
    EXPECT_EQ(machine->counter(), 16667 + 250);

    machine->setRetraceRate(0.0);
    machine->setSwapExtraDelay(0);
    machine->setCounter(12345);
    machine->simulateSwap();
    EXPECT_EQ(machine->counter(), 12345) << "without a retrace a swap completes at once";
}

TEST_F(ScriptMachine, ScriptedSwapsCompleteAGivenTimeAfterThePreviousOneButNeverGoBack)
{
    machine->setCounterFrequency(1'000'000);
    machine->setCounter(1000);
    machine->simulateSwap(); // retrace at 16667
    const std::int64_t start = machine->counter();
    for (std::int64_t ms : {16, 17, 34})
        machine->queueSwapAfterPrevious(ms * 1000);
    machine->queueSwapAfterPrevious(1000);

    std::int64_t previous = start;
    for (std::int64_t ms : {16, 17, 34}) {
        machine->advanceCounter(9000); // the flip's wait
        machine->simulateSwap();
        EXPECT_EQ(machine->counter(), previous + ms * 1000);
        previous = machine->counter();
    }
    machine->advanceCounter(5000); // already later than previous + 1 ms
    const std::int64_t late = machine->counter();
    machine->simulateSwap();
    EXPECT_EQ(machine->counter(), late);
    machine->simulateSwap();
    EXPECT_EQ(machine->counter(), 100000) << "back to retraces once the script is used up";
}

// ---- Display ----

TEST_F(ScriptMachine, OnlyAListedModeCanBeSetAndRestoreBringsBackTheDesktop)
{
    machine->setDesktopMode({800, 600, 32, 60});
    machine->setDisplayModes({{800, 600, 32, 60}, {1024, 768, 16, 85}});
    struct Case {
        DisplayMode asked;
        bool ok;
    } cases[] = {
        {{1024, 768, 16, 85}, true},  {{1024, 768, 16, 0}, true},   {{1024, 768, 16, 1}, true},
        {{1024, 768, 16, 60}, false}, {{1024, 768, 32, 85}, false}, {{1024, 769, 16, 85}, false},
    };
    for (const Case& c : cases) {
        machine->restoreDisplayMode();
        EXPECT_EQ(backend().changeDisplayMode(c.asked), c.ok)
            << c.asked.width << "x" << c.asked.height << "x" << c.asked.bitsPerPixel << "@" << c.asked.refreshHz;
        int w = 0, h = 0;
        backend().screenSize(w, h);
        EXPECT_EQ(w, c.ok ? 1024 : 800);
        EXPECT_EQ(h, c.ok ? 768 : 600);
        EXPECT_EQ(machine->modeSwitched(), c.ok);
        if (c.ok) {
            EXPECT_EQ(backend().currentMode().refreshHz, 85) << "the listed mode is in force";
        }
    }
    EXPECT_EQ(machine->requestedModes().size(), std::size(cases));
    backend().restoreDisplayMode();
    EXPECT_EQ(backend().currentMode().width, 800);
    EXPECT_FALSE(machine->modeSwitched());
}

TEST_F(ScriptMachine, CursorVisibilityIsACountAndWarpsStayOnScreen)
{
    backend().showCursor(false);
    backend().showCursor(false);
    backend().showCursor(true);
    EXPECT_FALSE(machine->cursorVisible());
    backend().showCursor(true);
    EXPECT_TRUE(machine->cursorVisible());

    int x = 0, y = 0;
    backend().setCursorPosition(10, -3);
    backend().cursorPosition(x, y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 0);
    backend().setCursorPosition(5000, 479);
    backend().cursorPosition(x, y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    machine->moveCursor(-20, 9000);
    backend().cursorPosition(x, y);
    EXPECT_EQ(x, -20);
    EXPECT_EQ(y, 9000);
    EXPECT_EQ(machine->cursorWarps(), 2);
}

// ---- Messages and the key table ----

TEST_F(ScriptMachine, TheKeyTableFollowsTheMessagesRemovedSoFarOneAtATime)
{
    const unsigned escape = 0x1B;
    machine->postKeyDown(escape);
    machine->postKeyUp(escape);
    machine->postKeyDown(escape);
    std::uint8_t table[256];
    Message m;
    std::vector<std::uint8_t> seen;
    while (backend().peekMessage(m)) {
        backend().keyboardState(table);
        seen.push_back(table[escape]);
    }
    // Bit 7 while down; bit 0 toggles on each press.
    EXPECT_EQ(seen, (std::vector<std::uint8_t>{0x81, 0x01, 0x80}));

    machine->postKeyDown(escape); // auto-repeat: still down, no second toggle
    ASSERT_TRUE(backend().peekMessage(m));
    backend().keyboardState(table);
    EXPECT_EQ(table[escape], 0x80);
}

TEST_F(ScriptMachine, ButtonsAltF4AndCloseArriveAsWindowsMessages)
{
    machine->postButton(0, true);
    machine->postButton(2, true);
    machine->postButton(0, false);
    machine->postAltF4();
    machine->postClose();
    machine->postDestroy();
    struct Expected {
        unsigned id;
        std::uintptr_t wParam;
        std::uint8_t lbutton, mbutton, f4;
    } expected[] = {
        {msg::lButtonDown, 0, 0x81, 0x00, 0x00}, {msg::mButtonDown, 0, 0x81, 0x81, 0x00},
        {msg::lButtonUp, 0, 0x01, 0x81, 0x00},   {msg::sysKeyDown, vkF4, 0x01, 0x81, 0x81},
        {msg::close, 0, 0x01, 0x81, 0x81},       {msg::destroy, 0, 0x01, 0x81, 0x81},
    };
    std::uint8_t table[256];
    for (const Expected& e : expected) {
        Message m;
        ASSERT_TRUE(backend().peekMessage(m));
        EXPECT_EQ(m.id, e.id);
        EXPECT_EQ(m.wParam, e.wParam);
        backend().keyboardState(table);
        EXPECT_EQ(table[0x01], e.lbutton) << std::hex << e.id;
        EXPECT_EQ(table[0x04], e.mbutton) << std::hex << e.id;
        EXPECT_EQ(table[vkF4], e.f4) << std::hex << e.id;
    }
    Message m;
    EXPECT_FALSE(backend().peekMessage(m));
}

TEST_F(ScriptMachine, APostedQuitComesOnlyWhenNothingElseIsQueued)
{
    machine->postKeyDown(0x41);
    backend().postQuitMessage(3);
    machine->postKeyUp(0x41);
    EXPECT_EQ(machine->pendingMessages(), 3u);
    Message m;
    std::vector<unsigned> ids;
    while (backend().peekMessage(m))
        ids.push_back(m.id);
    EXPECT_EQ(ids, (std::vector<unsigned>{msg::keyDown, msg::keyUp, msg::quit}));
    EXPECT_EQ(m.wParam, 3u);

    machine->postQuit();
    machine->postKeyDown(0x41);
    ASSERT_TRUE(backend().peekMessage(m));
    EXPECT_EQ(m.id, msg::quit) << "postQuit queues in order";
}

bool closeProcedure(const Message& m)
{
    if (m.id == msg::close || m.id == msg::destroy) {
        backend().postQuitMessage(0);
        return true;
    }
    return false;
}

TEST_F(ScriptMachine, DispatchedAndSentMessagesReachTheWindowProcedureWhileAWindowExists)
{
    EXPECT_TRUE(backend().registerWindowClass("LumidraftWindow", closeProcedure));
    EXPECT_FALSE(backend().registerWindowClass("LumidraftWindow", closeProcedure));
    EXPECT_EQ(machine->registrationAttempts().size(), 2u);

    backend().dispatchMessage({msg::close, 0, 0});
    EXPECT_FALSE(machine->quitPending()) << "no window, nothing to dispatch to";

    auto window = backend().createWindow("LumidraftWindow", "Lumidraft Window", 0, 0, 640, 480);
    ASSERT_TRUE(window);
    EXPECT_FALSE(machine->sendToWindow({msg::lButtonDoubleClick, 0, 0}));
    EXPECT_FALSE(machine->quitPending());
    EXPECT_TRUE(machine->sendToWindow({msg::close, 0, 0}));
    EXPECT_TRUE(machine->quitPending());
    Message m;
    ASSERT_TRUE(backend().peekMessage(m));
    EXPECT_EQ(m.id, msg::quit);

    backend().dispatchMessage({msg::destroy, 0, 0});
    EXPECT_TRUE(machine->quitPending());
    EXPECT_EQ(machine->dispatched().size(), 2u);
    window.reset();
    EXPECT_EQ(machine->liveWindows(), 0);
}

// ---- Process ----

TEST_F(ScriptMachine, ExitThrowsSoNothingRunsAfterItAndBoxesAreRecorded)
{
    bool ranOn = false;
    try {
        backend().exitProcess(1);
        ranOn = true;
    } catch (const ScriptedExit& e) {
        EXPECT_EQ(e.code, 1);
    }
    EXPECT_FALSE(ranOn);
    EXPECT_EQ(machine->exitCode(), 1);

    ::testing::internal::CaptureStderr();
    backend().messageBox("API Error (Failed to switch display mode)", "Lumidraft Notification");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("API Error (Failed to switch display mode)"), std::string::npos);
    ASSERT_EQ(machine->messageBoxes().size(), 1u);
    EXPECT_EQ(machine->messageBoxes()[0].caption, "Lumidraft Notification");

    backend().setNormalPriority();
    EXPECT_EQ(machine->normalPriorityCalls(), 1);
}

// ---- Window and real OpenGL ----

TEST_F(ScriptMachine, TheWindowHasARealContextOfTheScreenSize)
{
    machine->setDesktopMode({96, 64, 32, 60});
    auto window = backend().createWindow("LumidraftWindow", "Lumidraft Window", 0, 0, 96, 64);
    ASSERT_TRUE(window);
    PixelFormatRequest format;
    format.colorBits = 16;
    format.redBits = format.greenBits = format.blueBits = format.alphaBits = 4;
    ASSERT_EQ(window->attachGL(format), AttachResult::ok);
    ASSERT_EQ(machine->pixelFormatRequests().size(), 1u);
    EXPECT_EQ(machine->pixelFormatRequests()[0].redBits, 4);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 96);
    EXPECT_EQ(viewport[3], 64);

    // The canvas draws to and reads from GL_BACK, and draws progress bars to GL_FRONT.
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawBuffer(GL_FRONT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(95, 63, 1, 1);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glFinish();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    unsigned char corner[4] = {}, origin[4] = {9, 9, 9, 9};
    glReadBuffer(GL_FRONT);
    glReadPixels(95, 63, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, origin);
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[1], 128);
    EXPECT_EQ(corner[2], 0);
    EXPECT_EQ(origin[0], 0);
    EXPECT_EQ(origin[3], 255);

    const std::int64_t before = machine->counter();
    window->swapBuffers();
    EXPECT_GT(machine->counter(), before);
    EXPECT_EQ(machine->swapCount(), 1);

    window->show(5);
    EXPECT_EQ(machine->showCommands(), std::vector<int>{5});
    window->detachGL();
    EXPECT_EQ(machine->detachCount(), 1);
}

TEST_F(ScriptMachine, InjectedFailuresReachTheCaller)
{
    machine->failWindowCreation(true);
    EXPECT_EQ(backend().createWindow("c", "t", 0, 0, 8, 8), nullptr);
    EXPECT_EQ(machine->windowsCreated().size(), 1u) << "the attempt is recorded";
    machine->failWindowCreation(false);
    auto window = backend().createWindow("c", "t", 0, 0, 8, 8);
    ASSERT_TRUE(window);
    for (AttachResult r : {AttachResult::pixelFormatFailed, AttachResult::contextFailed}) {
        machine->failAttach(r);
        EXPECT_EQ(window->attachGL(PixelFormatRequest{}), r);
    }
}

} // namespace
