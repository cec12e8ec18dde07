// The win32 backend: the native backend on Windows, the user32/gdi32/opengl32/kernel32 calls
// themselves. Internal to platform/win32; the rest of the framework reaches it through
// platform/backend.h.
#pragma once

#include "platform/backend.h"
#include "platform/win32/win32_system.h"

#include <cstdint>
#include <string>

namespace Lumidraft::platform {

class Win32Backend : public Backend {
public:
    Win32Backend() = default;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    const char* name() const override { return "win32"; }

    bool counterFrequency(std::int64_t& ticksPerSecond) override;
    std::int64_t counterValue() override;

    void setNormalPriority() override;
    void messageBox(const std::string& text, const std::string& caption) override;
    [[noreturn]] void exitProcess(int code) override;
    std::string lastErrorText() override;

    bool registerWindowClass(const std::string& className, WindowProcedure procedure) override;
    DisplayMode currentMode() override;
    bool changeDisplayMode(const DisplayMode& mode) override;
    void restoreDisplayMode() override;
    void showCursor(bool visible) override;
    void screenSize(int& width, int& height) override;
    std::unique_ptr<Window> createWindow(const std::string& className, const std::string& title, int x, int y,
                                         int width, int height) override;

    bool peekMessage(Message& out) override;
    void dispatchMessage(const Message& message) override;
    void postQuitMessage(int exitCode) override;
    void keyboardState(std::uint8_t table[256]) override;
    void cursorPosition(int& x, int& y) override;
    void setCursorPosition(int x, int y) override;

    // The module the window class and windows belong to: the instance handle the entry point
    // stored, or this program's own module when it was not started through WinMain (tests).
    static HINSTANCE instance();
    // The system's text for an error code (FormatMessageA).
    static std::string systemErrorText(DWORD code);

private:
    // The message removed last, whole, so that dispatching it keeps its window, time and point.
    MSG lastPeeked_{};
    bool havePeeked_ = false;
};

} // namespace Lumidraft::platform
