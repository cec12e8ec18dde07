// The SDL2 backend on a real (virtual) X display: run through run_with_xvfb.sh.
#include "platform/sdl2/sdl2_backend.h"

#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "platform/canvas_properties.h"
#include "platform/gl.h"
#include "timing/clock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace Lumidraft;
using namespace Lumidraft::platform;

class Sdl2 : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto fresh = std::make_unique<Sdl2Backend>();
        machine = fresh.get();
        useBackend(std::move(fresh));
        // Without a display SDL falls back on a driver that shows nothing: nothing to test on.
        const bool started = machine->currentMode().width != 0;
        const char* driver = SDL_GetCurrentVideoDriver();
        const std::string name = driver ? driver : "";
        if (!started || name.empty() || name == "offscreen" || name == "dummy")
            GTEST_SKIP() << "no display to test on (video driver \"" << name << "\")";
        drain();
    }
    void TearDown() override { useBackend(nullptr); }

    void drain()
    {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    static void pushKey(SDL_Keycode sym, SDL_Scancode scancode, bool pressed, Uint16 mod = KMOD_NONE)
    {
        SDL_Event e{};
        e.type = pressed ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = pressed ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = sym;
        e.key.keysym.scancode = scancode;
        e.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }

    Sdl2Backend* machine = nullptr;
};

// One pixel of the X screen, as "#RRGGBB", read by ImageMagick's import.
std::string screenPixel(int x, int y)
{
    const std::string command =
        "import -window root -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) + " -depth 8 txt:- 2>/dev/null";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    const std::size_t hash = text.find(" #");
    return hash == std::string::npos ? text : text.substr(hash + 1, 7);
}

TEST(Sdl2Keys, EveryKeyTheFrameworkNamesHasItsVirtualKeyCode)
{
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        unsigned vk;
    } cases[] = {
        {SDLK_1, SDL_SCANCODE_1, 0x31},        {SDLK_9, SDL_SCANCODE_9, 0x39},
        {SDLK_0, SDL_SCANCODE_0, 0x30},        {SDLK_a, SDL_SCANCODE_A, 0x41},
        {SDLK_z, SDL_SCANCODE_Z, 0x5A},        {SDLK_COMMA, SDL_SCANCODE_COMMA, 0xBC},
        {SDLK_PERIOD, SDL_SCANCODE_PERIOD, 0xBE}, {SDLK_SLASH, SDL_SCANCODE_SLASH, 0xBF},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60},  {SDLK_KP_9, SDL_SCANCODE_KP_9, 0x69},
        // Keypad digits with Num Lock off still count as keypad digits.
        {SDLK_HOME, SDL_SCANCODE_KP_7, 0x67},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D}, {SDLK_SPACE, SDL_SCANCODE_SPACE, 0x20},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B}, {SDLK_UP, SDL_SCANCODE_UP, 0x26},
        {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28},  {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 0x27}, {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x10}, {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 0x11},
        {SDLK_RALT, SDL_SCANCODE_RALT, 0x12},  {SDLK_MINUS, SDL_SCANCODE_MINUS, 0xBD},
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0xBA}, {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 0xDB},
        {SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, 0xDD},
        {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, 0x6B}, {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 0x6D},
        {SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY, 0x6A}, {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 0x6F},
        {SDLK_F4, SDL_SCANCODE_F4, 0x73},
        // A French layout: the key in the Q position types 'a', and A is what Windows reports.
        {SDLK_a, SDL_SCANCODE_Q, 0x41},
        // A Cyrillic letter falls back on the key's position.
        {0x0444, SDL_SCANCODE_A, 0x41},
        {SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP, 0},
    };
    for (const Case& c : cases) {
        SDL_Keysym key{};
        key.sym = c.sym;
        key.scancode = c.scancode;
        EXPECT_EQ(Sdl2Backend::virtualKey(key), c.vk) << SDL_GetKeyName(c.sym) << " / " << SDL_GetScancodeName(c.scancode);
    }
}

TEST_F(Sdl2, TheCounterRunsAtAboveOneKilohertz)
{
    std::int64_t f = 0;
    ASSERT_TRUE(machine->counterFrequency(f));
    EXPECT_GE(f, 1000);
    const std::int64_t a = machine->counterValue();
    SDL_Delay(2);
    EXPECT_GT(machine->counterValue(), a);
}

TEST_F(Sdl2, OnlyAModeTheDisplayListsExactlyIsAccepted)
{
    // What the display itself reports, asked past the backend.
    SDL_DisplayMode own{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &own), 0) << SDL_GetError();
    const DisplayMode desktop = machine->currentMode();
    EXPECT_EQ(desktop.width, own.w);
    EXPECT_EQ(desktop.height, own.h);
    EXPECT_EQ(desktop.bitsPerPixel, 32);
    EXPECT_TRUE(machine->changeDisplayMode(desktop));
    machine->restoreDisplayMode();
    EXPECT_FALSE(machine->changeDisplayMode({desktop.width + 7, desktop.height + 3, 32, desktop.refreshHz}));
    EXPECT_FALSE(machine->changeDisplayMode({desktop.width, desktop.height, 16, desktop.refreshHz}));
    EXPECT_FALSE(machine->changeDisplayMode({desktop.width, desktop.height, 32, desktop.refreshHz + 7}));
    int w = 0, h = 0;
    machine->screenSize(w, h);
    EXPECT_EQ(w, own.w);
    EXPECT_EQ(h, own.h);
}

TEST_F(Sdl2, ACanvasWindowHasADoubleBufferedFixedFunctionContext)
{
    const DisplayMode desktop = machine->currentMode();
    const int w = desktop.width, h = desktop.height;
    APICanvasProperties props;
    props.openCurrentMode();
    ASSERT_TRUE(props.isOpen());
    EXPECT_EQ(props.getWidth(), w);
    EXPECT_EQ(props.getHeight(), h);
    EXPECT_GT(props.getRefreshRate(), 1.0);

    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(doubleBuffered, GL_TRUE);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], w);
    EXPECT_EQ(viewport[3], h);

    // Fixed-function drawing into the back buffer, read back after a swap (the back buffer keeps
    // its contents here; the front buffer of an X window cannot be read reliably).
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(255, 0, 0);
    glRectd(10, 10, 20, 20);
    glFinish();
    unsigned char inside[4] = {}, outside[4] = {9, 9, 9, 9};
    glReadPixels(15, h - 15, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, inside);
    glReadPixels(25, h - 15, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, outside);
    EXPECT_EQ(inside[0], 255);
    EXPECT_EQ(inside[1], 0);
    EXPECT_EQ(outside[0], 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    props.swapBuffers();

    props.close();
    EXPECT_FALSE(props.isOpen());
    EXPECT_EQ(machine->currentMode().width, w);
}

TEST_F(Sdl2, KeyEventsBecomeKeyMessagesAndTheTableMovesOnePerRemoval)
{
    // A press and release that arrive together: the table shows the press first.
    pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
    pushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
    Message m;
    std::uint8_t table[256];
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::keyDown);
    EXPECT_EQ(m.wParam, 0x1Bu);
    machine->keyboardState(table);
    EXPECT_EQ(table[0x1B], 0x81);
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::keyUp);
    machine->keyboardState(table);
    EXPECT_EQ(table[0x1B], 0x01);

    // Shift on both sides: the generic entry stays down until both are up.
    pushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
    pushKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, true);
    pushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false);
    pushKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, false);
    std::vector<std::uint8_t> shift;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(machine->peekMessage(m)) << "message " << i;
        EXPECT_EQ(m.wParam, 0x10u);
        machine->keyboardState(table);
        shift.push_back(table[0x10] & 0x80);
    }
    EXPECT_EQ(shift, (std::vector<std::uint8_t>{0x80, 0x80, 0x80, 0x00}));

    // Alt+F4 is a system key.
    pushKey(SDLK_LALT, SDL_SCANCODE_LALT, true, KMOD_LALT);
    pushKey(SDLK_F4, SDL_SCANCODE_F4, true, KMOD_LALT);
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::sysKeyDown);
    EXPECT_EQ(m.wParam, 0x12u);
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::sysKeyDown);
    EXPECT_EQ(m.wParam, vkF4);
    EXPECT_FALSE(machine->peekMessage(m));
}

TEST_F(Sdl2, ButtonsCloseQuitAndSigtermBecomeWindowsMessages)
{
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 3;
    e.button.y = 2;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEMOTION; // passed over
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);

    Message m;
    std::uint8_t table[256];
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::rButtonDown);
    EXPECT_EQ(m.lParam, (2 << 16) | 3);
    machine->keyboardState(table);
    EXPECT_EQ(table[0x02] & 0x80, 0x80);
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::close);

    machine->postQuitMessage(0);
    std::raise(SIGTERM);
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::quit) << "SIGTERM";
    ASSERT_TRUE(machine->peekMessage(m));
    EXPECT_EQ(m.id, msg::quit) << "the posted quit, once nothing else waits";
    EXPECT_FALSE(machine->peekMessage(m));
}

TEST_F(Sdl2, RealKeyPressesOnTheDisplayReachTheQueue)
{
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    APICanvasProperties props;
    props.openCurrentMode();
    // Keys go where the pointer is (no window manager): wait until the window is mapped, then put
    // the pointer on it in the same connection as the keys, so the server takes them in order.
    // The timeout only ends a hang. Alt is let go last, step by step, so the releases' order is
    // fixed.
    const DisplayMode desktop = machine->currentMode();
    ASSERT_EQ(std::system("timeout 60 xdotool search --sync --onlyvisible --name 'Lumidraft Window' >/dev/null"), 0);
    const std::string keys = "xdotool mousemove " + std::to_string(desktop.width / 2) + " " +
                             std::to_string(desktop.height / 2) +
                             " key Escape keydown alt keydown F4 keyup F4 keyup alt";
    ASSERT_EQ(std::system(keys.c_str()), 0);
    const std::vector<std::pair<unsigned, std::uintptr_t>> expected = {
        {msg::keyDown, 0x1B},    {msg::keyUp, 0x1B},       {msg::sysKeyDown, 0x12},
        {msg::sysKeyDown, vkF4}, {msg::sysKeyUp, vkF4}, {msg::sysKeyUp, 0x12}};
    std::vector<std::pair<unsigned, std::uintptr_t>> seen;
    Message m;
    const Uint32 start = SDL_GetTicks();
    while (seen.size() < expected.size() && SDL_GetTicks() - start < 60000) {
        if (machine->peekMessage(m)) {
            if (m.id != msg::quit && m.id != msg::mouseMove)
                seen.emplace_back(m.id, m.wParam);
        } else {
            SDL_Delay(1);
        }
    }
    EXPECT_EQ(seen, expected);
}

TEST_F(Sdl2, ExitEndsTheProcessAtOnceWithTheCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process, not a fork of one holding X
    EXPECT_EXIT(machine->exitProcess(3), ::testing::ExitedWithCode(3), "");
}

TEST_F(Sdl2, AnUnattendedRunGetsTheBoxOnStderrWithoutWaiting)
{
    setenv("LUMIDRAFT_NO_MESSAGE_BOX", "1", 1);
    ::testing::internal::CaptureStderr();
    machine->messageBox("API Error (Failed to switch display mode)", "Lumidraft Notification");
    const std::string err = ::testing::internal::GetCapturedStderr();
    unsetenv("LUMIDRAFT_NO_MESSAGE_BOX");
    EXPECT_EQ(err, "[Lumidraft Notification] API Error (Failed to switch display mode)\n");
}

TEST_F(Sdl2, TheCursorCanBeMovedAndReadInScreenPixels)
{
    machine->setCursorPosition(123, 45);
    SDL_PumpEvents();
    int x = 0, y = 0;
    machine->cursorPosition(x, y);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 45);
}

// Off Windows an experiment runs on the real display unless told otherwise: with
// LUMIDRAFT_BACKEND unset the selector makes the sdl2 backend.
TEST(Sdl2Default, WithoutTheVariableTheNativeBackendIsSdl2)
{
    const char* set = std::getenv("LUMIDRAFT_BACKEND");
    const std::string saved = set ? set : "";
    unsetenv("LUMIDRAFT_BACKEND");
    useBackend(nullptr);
    const std::string name = backend().name();
    useBackend(nullptr);
    if (set)
        setenv("LUMIDRAFT_BACKEND", saved.c_str(), 1);
    EXPECT_EQ(name, "sdl2");
}

// The progress bar goes to the front buffer, so it shows without a flip: here front and back are
// separate buffers, unlike on the scripted machine.
TEST_F(Sdl2, TheProgressBarIsDrawnIntoTheFrontBufferAtOnce)
{
    Lumidraft::detail::forgetCounterFrequency();
    Clock::initializeFrequency();
    ActiveCanvas::detail::forgetCurrentCanvas();
    {
        Canvas canvas(0);
        const int h = canvas.getHeight();
        canvas.clear(Color::black);
        canvas.flip();
        canvas.clear(Color::white); // only the back buffer is white
        canvas.drawProgressBar(0.5);
        glFinish();
        const auto read = [h](GLenum buffer, int x, int y) {
            std::vector<unsigned char> p(4);
            glReadBuffer(buffer);
            glReadPixels(x, h - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
            glReadBuffer(GL_BACK);
            return p;
        };
        using Px = std::vector<unsigned char>;
        // 102 x 12 at the top left: 51 pixels of blue fill, then the dark grey of the rest.
        EXPECT_EQ(read(GL_FRONT, 10, 5), (Px{0, 0, 255, 255}));
        EXPECT_EQ(read(GL_FRONT, 90, 5), (Px{64, 64, 64, 255}));
        EXPECT_EQ(read(GL_BACK, 10, 5), (Px{255, 255, 255, 255})) << "the back buffer is left alone";
        EXPECT_EQ(read(GL_BACK, 200, 200), (Px{255, 255, 255, 255}));
        GLint drawBuffer = 0;
        glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
        EXPECT_EQ(drawBuffer, GL_BACK);
        // And on the display itself, as the X server holds it, still without a flip.
        if (std::system("command -v import >/dev/null 2>&1") == 0) {
            EXPECT_EQ(screenPixel(10, 5), "#0000FF");
            EXPECT_EQ(screenPixel(90, 5), "#404040");
        }
    }
    ActiveCanvas::detail::forgetCurrentCanvas();
}

} // namespace
