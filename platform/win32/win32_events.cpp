// Win32 backend: the message queue, the key-state table and the cursor. PeekMessageA with
// PM_REMOVE, TranslateMessage and DispatchMessageA, PostQuitMessage, GetKeyboardState,
// GetCursorPos and SetCursorPos. The message last removed is kept whole, so that dispatching it
// hands the window procedure its own window, time and point. Dependencies: user32.
#include "platform/win32/win32_backend.h"

#include <cstring>

namespace Lumidraft::platform {

bool Win32Backend::peekMessage(Message& out)
{
    MSG removed;
    if (!PeekMessageA(&removed, nullptr, 0, 0, PM_REMOVE))
        return false;
    lastPeeked_ = removed;
    havePeeked_ = true;
    out.id = removed.message;
    out.wParam = static_cast<std::uintptr_t>(removed.wParam);
    out.lParam = static_cast<std::intptr_t>(removed.lParam);
    return true;
}

void Win32Backend::dispatchMessage(const Message& message)
{
    MSG handed{};
    if (havePeeked_ && lastPeeked_.message == message.id && static_cast<std::uintptr_t>(lastPeeked_.wParam) == message.wParam &&
        static_cast<std::intptr_t>(lastPeeked_.lParam) == message.lParam) {
        handed = lastPeeked_;
    } else {
        handed.message = message.id;
        handed.wParam = static_cast<WPARAM>(message.wParam);
        handed.lParam = static_cast<LPARAM>(message.lParam);
    }
    TranslateMessage(&handed);
    DispatchMessageA(&handed);
}

void Win32Backend::postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

void Win32Backend::keyboardState(std::uint8_t table[256])
{
    // Read into a copy: a failed read leaves the caller's table (the last snapshot) as it was, so
    // no key seems to be released and pushed again.
    BYTE state[256];
    if (GetKeyboardState(state))
        std::memcpy(table, state, sizeof state);
}

void Win32Backend::cursorPosition(int& x, int& y)
{
    // A failed read leaves the position the caller had.
    POINT position{x, y};
    GetCursorPos(&position);
    x = position.x;
    y = position.y;
}

void Win32Backend::setCursorPosition(int x, int y) { SetCursorPos(x, y); }

} // namespace Lumidraft::platform
