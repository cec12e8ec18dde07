// Win32 backend: process services and backend creation. MessageBoxA (the text also to stderr;
// with LUMIDRAFT_NO_MESSAGE_BOX set, only there), ExitProcess, SetPriorityClass and
// FormatMessageA. A quit message waiting in the queue would close a message box the moment its
// own message loop starts (the canvas's window posts one as it is destroyed, just before the entry
// point reports an error), so the box holds it back until it is dismissed.
// Dependencies: user32, kernel32.
#include "platform/win32/win32_backend.h"

#include "platform/application_properties.h"

#include <cstdio>
#include <iostream>

namespace Lumidraft::platform {

std::unique_ptr<Backend> makeWin32Backend() { return std::make_unique<Win32Backend>(); }

HINSTANCE Win32Backend::instance()
{
    void* stored = applicationProperties().instance;
    return stored ? static_cast<HINSTANCE>(stored) : GetModuleHandleA(nullptr);
}

void Win32Backend::setNormalPriority() { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }

void Win32Backend::messageBox(const std::string& text, const std::string& caption)
{
    std::cerr << '[' << caption << "] " << text << std::endl;
    // Unattended runs ask for stderr alone.
    char quiet[2] = {};
    if (GetEnvironmentVariableA("LUMIDRAFT_NO_MESSAGE_BOX", quiet, sizeof quiet) > 0)
        return;
    MSG quit;
    const bool quitWaiting = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
    // The queue is left as it was found.
    if (quitWaiting)
        PostQuitMessage(static_cast<int>(quit.wParam));
}

void Win32Backend::exitProcess(int code)
{
    std::fflush(nullptr);
    std::cout.flush();
    std::cerr.flush();
    ExitProcess(static_cast<UINT>(code));
}

std::string Win32Backend::lastErrorText() { return systemErrorText(GetLastError()); }

std::string Win32Backend::systemErrorText(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer), 0,
                       nullptr);
    std::string text = length > 0 && buffer ? std::string(buffer, length) : "System error " + std::to_string(code) + ".";
    if (buffer)
        LocalFree(buffer);
    // The system's texts end in a line break.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

} // namespace Lumidraft::platform
