// SDL2 backend: process services (message box, exit, priority, error text) and backend creation.
// Stands in for MessageBoxA, ExitProcess, SetPriorityClass and FormatMessageA. Limits: the box
// blocks until dismissed and needs a display (without one, or with LUMIDRAFT_NO_MESSAGE_BOX set
// to a non-empty value, the text goes to stderr alone); exit lets SDL restore the desktop mode
// and cursor, then ends the process without unwinding.
// Dependencies: SDL2 (libsdl2-dev); POSIX setpriority where available.
#include "platform/sdl2/sdl2_backend.h"

#include "platform/sdl2/sdl2_window.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace Lumidraft::platform {

std::unique_ptr<Backend> makeSdl2Backend() { return std::make_unique<Sdl2Backend>(); }

Sdl2Backend::Sdl2Backend() = default;

Sdl2Backend::~Sdl2Backend()
{
    for (Sdl2Window* window : windows_)
        window->orphan();
    // SDL video stays up until the process ends: its windows are gone by now (they put the desktop
    // mode back), and closing the display would unload the GL driver while its allocations live.
}

bool Sdl2Backend::ensureVideo()
{
    if (videoReady_)
        return true;
    if (videoFailed_)
        return false;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::cerr << "Lumidraft sdl2 backend: SDL video did not start: " << SDL_GetError() << '\n';
        videoFailed_ = true;
        return false;
    }
    videoReady_ = true;
    // Without a display SDL quietly falls back to a driver that shows nothing.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")) && !asked)
        std::cerr << "Lumidraft sdl2 backend: no display found (SDL video driver \"" << driver
                  << "\"); nothing will be visible.\n";
    return true;
}

void Sdl2Backend::setNormalPriority()
{
#if defined(__unix__) || defined(__APPLE__)
    // Nice value 0. From a lowered priority this needs privileges; the result is ignored, as the
    // system call's is on Windows.
    (void)setpriority(PRIO_PROCESS, 0, 0);
#endif
}

void Sdl2Backend::messageBox(const std::string& text, const std::string& caption)
{
    std::cerr << '[' << caption << "] " << text << std::endl;
    // Unattended runs (CI, scripted sessions) must not wait for a click that never comes.
    const char* quiet = SDL_getenv("LUMIDRAFT_NO_MESSAGE_BOX");
    if (quiet && *quiet)
        return;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), nullptr) != 0)
        std::cerr << "Lumidraft sdl2 backend: the message box could not be shown: " << SDL_GetError() << '\n';
}

void Sdl2Backend::exitProcess(int code)
{
    std::fflush(nullptr);
    std::cout.flush();
    std::cerr.flush();
    // What the system does for a process that ends in full screen: desktop mode and cursor back.
    SDL_Quit();
    std::_Exit(code);
}

std::string Sdl2Backend::lastErrorText()
{
    const char* sdl = SDL_GetError();
    if (sdl && *sdl)
        return sdl;
    return std::strerror(errno);
}

bool Sdl2Backend::registerWindowClass(const std::string& className, WindowProcedure procedure)
{
    if (std::find(registered_.begin(), registered_.end(), className) != registered_.end())
        return false;
    registered_.push_back(className);
    procedure_ = procedure;
    return true;
}

void Sdl2Backend::forget(Sdl2Window* window)
{
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

} // namespace Lumidraft::platform
