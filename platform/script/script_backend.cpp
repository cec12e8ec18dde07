// Script backend: process services, display modes, the window class and cursor visibility.
// Stands in for the kernel and window-system calls of a real machine; everything is recorded for
// tests to inspect. Limits: one thread; exitProcess throws ScriptedExit instead of ending the
// process. Dependencies: the standard library only.
#include "platform/script/script_backend.h"

#include "platform/script/script_window.h"

#include <algorithm>
#include <iostream>

namespace Lumidraft::platform {

ScriptBackend::ScriptBackend()
{
    desktop_ = {640, 480, 32, 60};
    current_ = desktop_;
    modes_ = {{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 75}};
}

ScriptBackend::~ScriptBackend()
{
    // Windows that outlive their machine keep working as plain GL surfaces but stop reporting.
    for (ScriptWindow* window : live_)
        window->orphan();
}

ScriptBackend& useScriptBackend()
{
    auto fresh = std::make_unique<ScriptBackend>();
    ScriptBackend& machine = *fresh;
    useBackend(std::move(fresh));
    return machine;
}

void ScriptBackend::setNormalPriority() { ++priorityCalls_; }

void ScriptBackend::messageBox(const std::string& text, const std::string& caption)
{
    boxes_.push_back({text, caption});
    std::cerr << '[' << caption << "] " << text << std::endl;
}

void ScriptBackend::exitProcess(int code)
{
    exitCode_ = code;
    throw ScriptedExit{code};
}

std::string ScriptBackend::lastErrorText() { return lastError_; }

bool ScriptBackend::registerWindowClass(const std::string& className, WindowProcedure procedure)
{
    registrations_.push_back(className);
    if (std::find(registered_.begin(), registered_.end(), className) != registered_.end())
        return false;
    registered_.push_back(className);
    procedure_ = procedure;
    return true;
}

DisplayMode ScriptBackend::currentMode() { return current_; }

void ScriptBackend::setDesktopMode(const DisplayMode& mode)
{
    desktop_ = mode;
    current_ = mode;
    switched_ = false;
}

bool ScriptBackend::changeDisplayMode(const DisplayMode& mode)
{
    requested_.push_back(mode);
    const bool anyRate = mode.refreshHz == 0 || mode.refreshHz == 1;
    for (const DisplayMode& listed : modes_) {
        if (listed.width == mode.width && listed.height == mode.height &&
            listed.bitsPerPixel == mode.bitsPerPixel && (anyRate || listed.refreshHz == mode.refreshHz)) {
            current_ = listed;
            switched_ = true;
            return true;
        }
    }
    return false;
}

void ScriptBackend::restoreDisplayMode()
{
    ++restores_;
    current_ = desktop_;
    switched_ = false;
}

void ScriptBackend::showCursor(bool visible) { cursorCount_ += visible ? 1 : -1; }

void ScriptBackend::screenSize(int& width, int& height)
{
    width = current_.width;
    height = current_.height;
}

std::unique_ptr<Window> ScriptBackend::createWindow(const std::string& className, const std::string& title,
                                                    int x, int y, int width, int height)
{
    windows_.push_back({className, title, x, y, width, height});
    if (failWindow_)
        return nullptr;
    auto window = std::make_unique<ScriptWindow>(*this, width, height);
    live_.push_back(window.get());
    return window;
}

void ScriptBackend::forget(ScriptWindow* window)
{
    live_.erase(std::remove(live_.begin(), live_.end(), window), live_.end());
}

} // namespace Lumidraft::platform
