// Chooses the active backend from LUMIDRAFT_BACKEND and lets tests swap it.
#include "platform/backend.h"

#include "app/exception.h"
#include "platform/script/script_backend.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace Lumidraft::platform {

#if defined(LUMIDRAFT_HAVE_SDL2)
std::unique_ptr<Backend> makeSdl2Backend();
#endif
#if defined(LUMIDRAFT_HAVE_WIN32)
std::unique_ptr<Backend> makeWin32Backend();
#endif

namespace {

std::unique_ptr<Backend>& activeSlot()
{
    static std::unique_ptr<Backend> active;
    return active;
}

std::string environmentChoice()
{
#if defined(_MSC_VER)
    char* value = nullptr;
    std::size_t length = 0;
    std::string result;
    if (_dupenv_s(&value, &length, "LUMIDRAFT_BACKEND") == 0 && value) {
        result = value;
        std::free(value);
    }
    return result;
#else
    const char* value = std::getenv("LUMIDRAFT_BACKEND");
    return value ? value : "";
#endif
}

// The native backend: win32 on Windows, sdl2 elsewhere; a Windows build without the win32
// backend uses sdl2 when it has it.
const char* nativeName()
{
#if defined(LUMIDRAFT_HAVE_WIN32)
    return "win32";
#elif defined(LUMIDRAFT_HAVE_SDL2) || !defined(_WIN32)
    return "sdl2";
#else
    return "win32";
#endif
}

[[noreturn]] void refuse(const std::string& reason)
{
    std::cerr << "Lumidraft: " << reason << '\n';
    throw Exception(typeid(Backend), "CONFIGURATION ERROR", reason);
}

std::unique_ptr<Backend> make(const std::string& name)
{
    if (name == "script")
        return std::make_unique<ScriptBackend>();
    if (name == "sdl2") {
#if defined(LUMIDRAFT_HAVE_SDL2)
        return makeSdl2Backend();
#else
        refuse("LUMIDRAFT_BACKEND names \"sdl2\", which this program was built without.");
#endif
    }
    if (name == "win32") {
#if defined(LUMIDRAFT_HAVE_WIN32)
        return makeWin32Backend();
#else
        refuse("LUMIDRAFT_BACKEND names \"win32\", which this program was built without.");
#endif
    }
    refuse("LUMIDRAFT_BACKEND names an unknown backend \"" + name + "\"; use win32, sdl2 or script.");
}

} // namespace

std::unique_ptr<Backend> makeBackend(const std::string& name)
{
    return make(name.empty() ? nativeName() : name);
}

Backend& backend()
{
    auto& active = activeSlot();
    if (!active)
        active = makeBackend(environmentChoice());
    return *active;
}

std::unique_ptr<Backend> useBackend(std::unique_ptr<Backend> next)
{
    auto previous = std::move(activeSlot());
    activeSlot() = std::move(next);
    return previous;
}

} // namespace Lumidraft::platform
