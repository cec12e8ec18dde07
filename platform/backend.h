// The one seam between the framework and the operating system. Everything that touches a window
// system, a GL binding, the message queue, the keyboard table, the cursor, the high-resolution
// counter, message boxes or process control goes through the Backend below; nothing outside
// platform/ includes a windowing header.
//
// Messages travel with their Windows identifiers and keys with Windows virtual-key codes, so the
// pump logic and the key tables are the same whatever backend stands behind them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace Lumidraft::platform {

// A display mode as the display lists it. refreshHz 0 means "not reported".
struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int refreshHz = 0;
};

// Message identifiers (the Windows values) that the pump and the window procedure act on.
namespace msg {
inline constexpr unsigned destroy = 0x0002;
inline constexpr unsigned close = 0x0010;
inline constexpr unsigned quit = 0x0012;
inline constexpr unsigned keyDown = 0x0100;
inline constexpr unsigned keyUp = 0x0101;
inline constexpr unsigned sysKeyDown = 0x0104;
inline constexpr unsigned sysKeyUp = 0x0105;
inline constexpr unsigned mouseMove = 0x0200;
inline constexpr unsigned lButtonDown = 0x0201;
inline constexpr unsigned lButtonUp = 0x0202;
inline constexpr unsigned lButtonDoubleClick = 0x0203;
inline constexpr unsigned rButtonDown = 0x0204;
inline constexpr unsigned rButtonUp = 0x0205;
inline constexpr unsigned rButtonDoubleClick = 0x0206;
inline constexpr unsigned mButtonDown = 0x0207;
inline constexpr unsigned mButtonUp = 0x0208;
} // namespace msg

inline constexpr unsigned vkF4 = 0x73;

struct Message {
    unsigned id = 0;
    std::uintptr_t wParam = 0; // the virtual-key code for key messages
    std::intptr_t lParam = 0;
};

enum class AttachResult { ok, pixelFormatFailed, contextFailed };

// The pixel format a canvas asks for, in the terms of a Windows pixel-format descriptor. Backends
// that cannot express a field exactly take the nearest they can offer and say so on stderr.
struct PixelFormatRequest {
    int version = 2;
    unsigned flags = 0x142D; // draw to window and bitmap, OpenGL, double buffer, swap copy, accelerated
    int colorBits = 32;
    int redBits = 8;
    int greenBits = 8;
    int blueBits = 8;
    int alphaBits = 8;
    int depthBits = 32;
    int stencilBits = 1;
    int auxBuffers = 4;
};

// One full-screen window of a canvas and its OpenGL context.
class Window {
public:
    virtual ~Window() = default;
    // Pixel format and context, made current on the calling thread.
    virtual AttachResult attachGL(const PixelFormatRequest& format) = 0;
    // Releases the context (not current any more, deleted) and the window's device context.
    virtual void detachGL() = 0;
    // showCommand is the application record's show command (Windows SW_* value).
    virtual void show(int showCommand) = 0;
    virtual void swapBuffers() = 0;
};

// The window procedure of the window class: returns true when it handled the message, false to
// leave it to the window system's default handling.
using WindowProcedure = bool (*)(const Message& message);

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;

    // High-resolution counter. false when the machine has none.
    virtual bool counterFrequency(std::int64_t& ticksPerSecond) = 0;
    virtual std::int64_t counterValue() = 0;

    // Process.
    virtual void setNormalPriority() = 0;
    // Shows a box and returns when the user dismisses it; the text also goes to stderr. With
    // LUMIDRAFT_NO_MESSAGE_BOX set (non-empty), the sdl2 and win32 backends write to stderr only,
    // so an unattended run never waits for a click.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
    // Ends the process at once, with no clean-up. The script backend records the code and throws
    // ScriptedExit (platform/script/script_backend.h) instead, so no caller code runs after it.
    [[noreturn]] virtual void exitProcess(int code) = 0;
    // Text of the calling thread's last system error.
    virtual std::string lastErrorText() = 0;

    // Display and windows.
    // Registers the window class with its procedure; false when it was already registered
    // (harmless: the first registration stays in force for the life of the process).
    virtual bool registerWindowClass(const std::string& className, WindowProcedure procedure) = 0;
    virtual DisplayMode currentMode() = 0;
    // Switches to exactly this mode; false if the display cannot show it.
    virtual bool changeDisplayMode(const DisplayMode& mode) = 0;
    // Back to the desktop's own mode.
    virtual void restoreDisplayMode() = 0;
    virtual void showCursor(bool visible) = 0;
    // Screen size in the mode now in force.
    virtual void screenSize(int& width, int& height) = 0;
    // A topmost, borderless window at (x, y) of the given size; null on failure.
    virtual std::unique_ptr<Window> createWindow(const std::string& className, const std::string& title,
                                                 int x, int y, int width, int height) = 0;

    // Message queue and input.
    // Removes at most one message; false when the queue is empty.
    virtual bool peekMessage(Message& out) = 0;
    // Hands a message the pump does not handle to the window system (translate and dispatch):
    // the window procedure sees it, or the default handling.
    virtual void dispatchMessage(const Message& message) = 0;
    virtual void postQuitMessage(int exitCode) = 0;
    // The 256-entry key-state table as it stands after the messages removed so far
    // (bit 7 set while a key is down), indexed by Windows virtual-key code.
    virtual void keyboardState(std::uint8_t table[256]) = 0;
    virtual void cursorPosition(int& x, int& y) = 0;
    virtual void setCursorPosition(int x, int y) = 0;
};

// The active backend: chosen on first use from LUMIDRAFT_BACKEND (win32, sdl2 or script), the
// native one by default. A name that is unknown or not built into this program is refused: the
// reason goes to stderr and an Exception (raising class Backend, "CONFIGURATION ERROR") is thrown,
// again on every call until a backend is installed with useBackend.
Backend& backend();
// A new backend by name ("" for the native one), refused as backend() refuses.
std::unique_ptr<Backend> makeBackend(const std::string& name);
// Replaces the active backend (tests, embedding). Returns the previous one.
std::unique_ptr<Backend> useBackend(std::unique_ptr<Backend> next);

} // namespace Lumidraft::platform
