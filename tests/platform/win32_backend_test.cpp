// The win32 backend against a real window system (Windows, or wine on an X display): the canvas's
// window with its class, styles, pixel format and context, the window procedure, display modes,
// the message box that outlasts a pending quit, the key table, the cursor and the counter.
// The Windows headers first: they define what platform/gl.h would otherwise stand in for.
#include "platform/win32/win32_system.h"

#include "platform/application_properties.h"
#include "platform/backend.h"
#include "platform/canvas_properties.h"
#include "platform/gl.h"
#include "platform/win32/win32_backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

namespace {

using namespace Lumidraft;
using namespace Lumidraft::platform;

class Win32Machine : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = useBackend(std::make_unique<Win32Backend>());
        system = &backend();
        drainQueue();
    }
    void TearDown() override
    {
        drainQueue();
        useBackend(std::move(previous_));
    }

    // Everything waiting is handled as a window system would (a paint message taken out without
    // being dispatched comes back at once); a waiting quit message is dropped.
    static void drainQueue()
    {
        MSG message;
        for (int i = 0; i < 10000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    static bool quitWaiting(int& code)
    {
        MSG message;
        if (!PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            return false;
        code = static_cast<int>(message.wParam);
        return true;
    }

    Backend* system = nullptr;

private:
    std::unique_ptr<Backend> previous_;
};

std::uint32_t centrePixel(GLenum buffer)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::uint8_t rgba[4] = {};
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[2] / 2, viewport[3] / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return static_cast<std::uint32_t>(rgba[0]) << 16 | static_cast<std::uint32_t>(rgba[1]) << 8 | rgba[2];
}

TEST_F(Win32Machine, ACanvasGetsAFullScreenTopmostDoubleBufferedWindowAndGivesItBack)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(screenWidth, 0) << "no display";

    APICanvasProperties canvas;
    canvas.openCurrentMode();
    ASSERT_TRUE(canvas.isOpen());
    EXPECT_EQ(canvas.getWidth(), screenWidth);
    EXPECT_EQ(canvas.getHeight(), screenHeight);
    EXPECT_GT(canvas.getRefreshRate(), 1.0) << "a default rate reported as 0 or 1 must not become the period";
    EXPECT_EQ(canvas.windowClass().className, "LumidraftWindow");

    HWND window = FindWindowA("LumidraftWindow", "Lumidraft Window");
    ASSERT_NE(window, nullptr) << "the class was not registered or the window not made";
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)) & WS_POPUP, static_cast<DWORD>(WS_POPUP));
    const auto extended = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    EXPECT_EQ(extended & (WS_EX_TOPMOST | WS_EX_APPWINDOW), static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_APPWINDOW));
    RECT area{};
    GetWindowRect(window, &area);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, screenWidth);
    EXPECT_EQ(area.bottom, screenHeight);
    EXPECT_TRUE(IsWindowVisible(window));

    // The context is current on the window's device context, in a double-buffered format.
    HDC deviceContext = wglGetCurrentDC();
    ASSERT_NE(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(WindowFromDC(deviceContext), window);
    PIXELFORMATDESCRIPTOR format{};
    ASSERT_NE(DescribePixelFormat(deviceContext, GetPixelFormat(deviceContext), sizeof format, &format), 0);
    EXPECT_TRUE(format.dwFlags & PFD_DOUBLEBUFFER) << "a single-buffered format never shows a swapped frame";
    EXPECT_TRUE(format.dwFlags & PFD_SUPPORT_OPENGL);
    EXPECT_TRUE(format.dwFlags & PFD_DRAW_TO_WINDOW);

    // Drawing reaches the back buffer and the swap goes through. (What the screen then shows is
    // checked from outside, by the end-to-end test's screenshots: wine reads the front buffer of
    // a window back as black.)
    glViewport(0, 0, screenWidth, screenHeight);
    glDrawBuffer(GL_BACK);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    EXPECT_EQ(centrePixel(GL_BACK), 0xFF0000u);
    canvas.swapBuffers();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    drainQueue();
    canvas.close();
    EXPECT_FALSE(canvas.isOpen());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    int code = -1;
    EXPECT_TRUE(quitWaiting(code)) << "destroying the window posts the quit message";
    EXPECT_EQ(code, 0);
    canvas.close(); // closed already: nothing happens
}

TEST_F(Win32Machine, TheClassRegistersOnceAndTheProcedureTurnsCloseIntoAQuitMessage)
{
    static int otherMessages = 0;
    otherMessages = 0;
    const auto procedure = [](const Message& message) {
        if (message.id == msg::close || message.id == msg::destroy) {
            backend().postQuitMessage(0);
            return true;
        }
        if (message.id == WM_USER + 7)
            ++otherMessages;
        return false;
    };
    EXPECT_TRUE(system->registerWindowClass("LumidraftProcedureTest", procedure));
    EXPECT_FALSE(system->registerWindowClass("LumidraftProcedureTest", procedure)) << "registered twice";
    WNDCLASSEXA registered{};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(GetClassInfoExA(Win32Backend::instance(), "LumidraftProcedureTest", &registered));
    EXPECT_STREQ(registered.lpszMenuName, "Lumidraft Window");
    EXPECT_EQ(registered.style, 0u);

    auto made = system->createWindow("LumidraftProcedureTest", "procedure test", 0, 0, 64, 48);
    ASSERT_NE(made, nullptr);
    HWND window = FindWindowA("LumidraftProcedureTest", "procedure test");
    ASSERT_NE(window, nullptr);
    drainQueue();

    // A posted close comes out of the queue as itself; dispatched, it becomes the quit message.
    PostMessageA(window, WM_CLOSE, 0, 0);
    Message removed;
    ASSERT_TRUE(system->peekMessage(removed));
    EXPECT_EQ(removed.id, msg::close);
    system->dispatchMessage(removed);
    ASSERT_TRUE(system->peekMessage(removed));
    EXPECT_EQ(removed.id, msg::quit);
    EXPECT_TRUE(IsWindow(window)) << "the procedure does not destroy the window";

    // A sent close reaches the procedure at once; other messages reach it through dispatch.
    SendMessageA(window, WM_CLOSE, 0, 0);
    int code = -1;
    EXPECT_TRUE(quitWaiting(code));
    PostMessageA(window, WM_USER + 7, 0, 0);
    ASSERT_TRUE(system->peekMessage(removed));
    EXPECT_EQ(removed.id, static_cast<unsigned>(WM_USER + 7));
    system->dispatchMessage(removed);
    EXPECT_EQ(otherMessages, 1);
    EXPECT_FALSE(system->peekMessage(removed)) << "an unhandled message posts nothing";

    made.reset();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32Machine, DisplayModesAreReadAsTheyStandAndAnImpossibleOneIsRefused)
{
    const DisplayMode present = system->currentMode();
    EXPECT_EQ(present.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(present.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(present.bitsPerPixel, 0);
    EXPECT_NE(present.refreshHz, 1) << "\"the hardware's default\" is reported as 0";
    EXPECT_GE(present.refreshHz, 0);

    EXPECT_TRUE(system->changeDisplayMode(present));
    system->restoreDisplayMode();

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(system->changeDisplayMode({present.width + 7, present.height + 3, present.bitsPerPixel, 0}));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("ChangeDisplaySettingsA"), std::string::npos);
    const DisplayMode after = system->currentMode();
    EXPECT_EQ(after.width, present.width);
    EXPECT_EQ(after.height, present.height);
}

// The box must stay up until dismissed even though a quit message is waiting, and the quit
// message must still be waiting afterwards.
TEST_F(Win32Machine, TheMessageBoxWaitsForTheUserWhileAQuitIsPending)
{
    PostQuitMessage(0);
    std::atomic<bool> seen{false};
    std::atomic<bool> stayed{false};
    std::thread observer([&] {
        // The bound only ends a hang; the box usually shows within a second.
        HWND box = nullptr;
        const auto start = std::chrono::steady_clock::now();
        while (!box && std::chrono::steady_clock::now() - start < std::chrono::seconds(120)) {
            box = FindWindowA("#32770", "Lumidraft Notification");
            if (!box)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!box)
            return;
        seen = true;
        // A message sent from this thread is handled only inside the box's own message loop, so
        // each answered one is a turn of that loop; a box that a waiting quit would close ends
        // at its first turn. After two turns it must still be up.
        DWORD_PTR answer = 0;
        stayed = true;
        for (int turn = 0; turn < 2 && stayed; ++turn)
            stayed = SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer) != 0 && IsWindow(box) &&
                     IsWindowVisible(box);
        // Dismissed the way the OK button does it.
        while (IsWindow(box)) {
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    ::testing::internal::CaptureStderr();
    system->messageBox("API Error (Failed to switch display mode)", "Lumidraft Notification");
    const std::string echoed = ::testing::internal::GetCapturedStderr();
    observer.join();
    EXPECT_TRUE(seen) << "no box appeared";
    EXPECT_TRUE(stayed) << "the box closed by itself";
    EXPECT_NE(echoed.find("API Error (Failed to switch display mode)"), std::string::npos);
    int code = -1;
    EXPECT_TRUE(quitWaiting(code)) << "the pending quit was lost";
}

TEST_F(Win32Machine, TheKeyTableFollowsTheRemovedKeyMessagesAndTheCursorMoves)
{
    ASSERT_TRUE(system->registerWindowClass("LumidraftKeyTest", [](const Message&) { return false; }));
    auto made = system->createWindow("LumidraftKeyTest", "key test", 0, 0, 200, 100);
    ASSERT_NE(made, nullptr);
    made->show(SW_SHOWNORMAL);
    HWND window = FindWindowA("LumidraftKeyTest", "key test");
    // Keys go to the focused window: wait until it has the focus (under wine the window system
    // may take a while to hand it over), asking again as the queue is handled.
    const ULONGLONG focusDeadline = GetTickCount64() + 60000;
    while (GetFocus() != window && GetTickCount64() < focusDeadline) {
        SetForegroundWindow(window);
        SetFocus(window);
        drainQueue();
        if (GetFocus() != window)
            Sleep(1);
    }
    ASSERT_EQ(GetFocus(), window) << "the test window never got the keyboard focus";
    drainQueue();

    INPUT press{};
    press.type = INPUT_KEYBOARD;
    press.ki.wVk = VK_RIGHT;
    INPUT release = press;
    release.ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(1, &press, sizeof(INPUT)), 1u);

    std::uint8_t table[256] = {};
    Message removed;
    // Waits until the message arrives; the deadline only ends a hang on a loaded machine.
    const auto arrives = [&](unsigned id) {
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (GetTickCount64() < deadline) {
            if (!system->peekMessage(removed))
                Sleep(1);
            else if (removed.id == id && removed.wParam == VK_RIGHT)
                return true;
        }
        return false;
    };
    const bool sawDown = arrives(msg::keyDown);
    ASSERT_TRUE(sawDown) << "the key press never arrived";
    system->keyboardState(table);
    EXPECT_EQ(table[VK_RIGHT] & 0x80, 0x80);

    ASSERT_EQ(SendInput(1, &release, sizeof(INPUT)), 1u);
    const bool sawUp = arrives(msg::keyUp);
    ASSERT_TRUE(sawUp);
    system->keyboardState(table);
    EXPECT_EQ(table[VK_RIGHT] & 0x80, 0);

    system->setCursorPosition(37, 42);
    int x = -1, y = -1;
    system->cursorPosition(x, y);
    EXPECT_EQ(x, 37);
    EXPECT_EQ(y, 42);
}

TEST_F(Win32Machine, TheCounterRunsAtAtLeastAKilohertzAndErrorsHaveTheirSystemText)
{
    std::int64_t frequency = 0;
    ASSERT_TRUE(system->counterFrequency(frequency));
    EXPECT_GE(frequency, 1000);
    const std::int64_t first = system->counterValue();
    Sleep(2);
    const std::int64_t second = system->counterValue();
    EXPECT_GT(second, first);

    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string text = system->lastErrorText();
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("System error"), std::string::npos) << text;
}

} // namespace
