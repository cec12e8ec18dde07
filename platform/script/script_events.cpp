// Script backend: the message queue, the key-state table and the cursor.
// Stands in for PeekMessage/DispatchMessage/PostQuitMessage, GetKeyboardState and the cursor
// calls. The key table changes as key and button messages are removed, one per removal, the way
// the system's table reflects the messages a thread has read so far. Limits: no character or
// mouse-move messages are generated. Dependencies: the standard library only.
#include "platform/script/script_backend.h"

#include <algorithm>
#include <cstring>

namespace Lumidraft::platform {

namespace {
constexpr std::uint8_t down = 0x80;
constexpr std::uint8_t toggled = 0x01;
} // namespace

void ScriptBackend::postKeyDown(unsigned virtualKey) { post({msg::keyDown, virtualKey, 0}); }
void ScriptBackend::postKeyUp(unsigned virtualKey) { post({msg::keyUp, virtualKey, 0}); }
void ScriptBackend::postAltF4() { post({msg::sysKeyDown, vkF4, 0}); }
void ScriptBackend::postClose() { post({msg::close, 0, 0}); }
void ScriptBackend::postDestroy() { post({msg::destroy, 0, 0}); }
void ScriptBackend::postQuit(int exitCode) { post({msg::quit, static_cast<std::uintptr_t>(exitCode), 0}); }

void ScriptBackend::postButton(int button, bool pressed)
{
    static constexpr unsigned downIds[3] = {msg::lButtonDown, msg::rButtonDown, msg::mButtonDown};
    static constexpr unsigned upIds[3] = {msg::lButtonUp, msg::rButtonUp, msg::mButtonUp};
    const int b = std::clamp(button, 0, 2);
    post({pressed ? downIds[b] : upIds[b], 0, 0});
}

void ScriptBackend::scheduleMessage(std::uint64_t atPeek, const Message& message)
{
    Scheduled entry;
    entry.atPeek = atPeek;
    entry.message = message;
    // After everything due at the same call, so entries keep the order they were given in.
    auto at = std::upper_bound(scheduled_.begin(), scheduled_.end(), atPeek,
                               [](std::uint64_t peek, const Scheduled& s) { return peek < s.atPeek; });
    scheduled_.insert(at, entry);
}

void ScriptBackend::scheduleCursorMove(std::uint64_t atPeek, int x, int y)
{
    Scheduled entry;
    entry.atPeek = atPeek;
    entry.move = true;
    entry.x = x;
    entry.y = y;
    auto at = std::upper_bound(scheduled_.begin(), scheduled_.end(), atPeek,
                               [](std::uint64_t peek, const Scheduled& s) { return peek < s.atPeek; });
    scheduled_.insert(at, entry);
}

void ScriptBackend::release(std::uint64_t throughPeek)
{
    constexpr unsigned vkControl = 0x11, vkAlt = 0x12;
    while (!scheduled_.empty() && scheduled_.front().atPeek <= throughPeek) {
        Scheduled entry = scheduled_.front();
        scheduled_.pop_front();
        if (entry.move) {
            cursorX_ = std::clamp(entry.x, 0, std::max(0, current_.width - 1));
            cursorY_ = std::clamp(entry.y, 0, std::max(0, current_.height - 1));
            ++delivered_;
            continue;
        }
        Message message = entry.message;
        if (message.id == msg::keyDown || message.id == msg::keyUp) {
            const bool pressed = message.id == msg::keyDown;
            const auto vk = static_cast<unsigned>(message.wParam);
            if (vk == vkAlt)
                altHeld_ = pressed;
            if (vk == vkControl)
                controlHeld_ = pressed;
            if ((vk == vkAlt || altHeld_) && !controlHeld_)
                message.id = pressed ? msg::sysKeyDown : msg::sysKeyUp;
        }
        queue_.push_back(message);
    }
}

bool ScriptBackend::peekMessage(Message& out)
{
    ++peekCalls_;
    release(peekCalls_);
    if (!queue_.empty()) {
        out = queue_.front();
        queue_.pop_front();
        ++delivered_;
        applyKeyMessage(out);
        return true;
    }
    if (quitPending_) {
        quitPending_ = false;
        out = {msg::quit, static_cast<std::uintptr_t>(quitCode_), 0};
        return true;
    }
    return false;
}

void ScriptBackend::applyKeyMessage(const Message& message)
{
    auto press = [this](unsigned vk) {
        std::uint8_t& entry = keys_[vk & 0xFF];
        if (!(entry & down))
            entry ^= toggled;
        entry |= down;
    };
    auto release = [this](unsigned vk) { keys_[vk & 0xFF] &= static_cast<std::uint8_t>(~down); };
    switch (message.id) {
    case msg::keyDown:
    case msg::sysKeyDown: press(static_cast<unsigned>(message.wParam)); break;
    case msg::keyUp:
    case msg::sysKeyUp: release(static_cast<unsigned>(message.wParam)); break;
    // The table also carries the mouse buttons (VK_LBUTTON 1, VK_RBUTTON 2, VK_MBUTTON 4).
    case msg::lButtonDown: press(0x01); break;
    case msg::lButtonUp: release(0x01); break;
    case msg::rButtonDown: press(0x02); break;
    case msg::rButtonUp: release(0x02); break;
    case msg::mButtonDown: press(0x04); break;
    case msg::mButtonUp: release(0x04); break;
    default: break;
    }
}

void ScriptBackend::dispatchMessage(const Message& message)
{
    dispatched_.push_back(message);
    if (procedure_ && !live_.empty())
        procedure_(message);
}

bool ScriptBackend::sendToWindow(const Message& message)
{
    return procedure_ && !live_.empty() && procedure_(message);
}

void ScriptBackend::postQuitMessage(int exitCode)
{
    quitPending_ = true;
    quitCode_ = exitCode;
}

void ScriptBackend::keyboardState(std::uint8_t table[256]) { std::memcpy(table, keys_.data(), keys_.size()); }

void ScriptBackend::cursorPosition(int& x, int& y)
{
    x = cursorX_;
    y = cursorY_;
}

void ScriptBackend::setCursorPosition(int x, int y)
{
    ++warps_;
    cursorX_ = std::clamp(x, 0, std::max(0, current_.width - 1));
    cursorY_ = std::clamp(y, 0, std::max(0, current_.height - 1));
}

} // namespace Lumidraft::platform
