// The SDL2 backend: the native backend off Windows. Internal to platform/sdl2; the rest of the
// framework reaches it through platform/backend.h.
#pragma once

#include "platform/backend.h"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Lumidraft::platform {

class Sdl2Window;

class Sdl2Backend : public Backend {
public:
    Sdl2Backend();
    ~Sdl2Backend() override;
    Sdl2Backend(const Sdl2Backend&) = delete;
    Sdl2Backend& operator=(const Sdl2Backend&) = delete;

    const char* name() const override { return "sdl2"; }

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

    // The mode a new window is to be shown in: none means the desktop's own mode.
    const std::optional<SDL_DisplayMode>& pendingMode() const { return pending_; }
    void forget(Sdl2Window* window);

    // The Windows virtual-key code of an SDL key, 0 when the framework has none for it.
    static unsigned virtualKey(const SDL_Keysym& key);

private:
    // Video and events, started on first need; false (reason on stderr) if SDL cannot start them.
    bool ensureVideo();
    bool translate(const SDL_Event& event, Message& out);
    void applyKey(unsigned vk, unsigned sdlSide, bool down);

    bool videoReady_ = false;
    bool videoFailed_ = false;
    std::optional<SDL_DisplayMode> pending_;
    int cursorCount_ = 0;
    std::vector<std::string> registered_;
    WindowProcedure procedure_ = nullptr;
    std::vector<Sdl2Window*> windows_;
    bool quitPending_ = false;
    int quitCode_ = 0;
    std::array<std::uint8_t, 256> keys_{};
};

} // namespace Lumidraft::platform
