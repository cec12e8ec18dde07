// SDL2 backend: the message queue, the key-state table and the cursor.
// Stands in for PeekMessageA, DispatchMessageA, PostQuitMessage, GetKeyboardState,
// GetCursorPos and SetCursorPos. One SDL event is turned into one Windows message per call;
// events without a counterpart the framework acts on (motion, wheel, text, most window events)
// are passed over. The key table is kept here from the key and button events as they are removed,
// not taken from SDL_GetKeyboardState, which already shows every pending event and misses a press
// and release that arrive together. Limits: double clicks are never reported (the window class
// does not ask for them); the toggle bit of a key starts at 0 whatever the lock lights show.
// Dependencies: SDL2.
#include "platform/sdl2/sdl2_backend.h"

#include <algorithm>
#include <cstring>

namespace Lumidraft::platform {

namespace {

constexpr std::uint8_t down = 0x80;
constexpr std::uint8_t toggled = 0x01;

struct KeyPair {
    SDL_Keycode sdl;
    unsigned vk;
};

// Keys found by what they type (they follow the keyboard layout, as virtual-key codes do).
constexpr KeyPair byKeycode[] = {
    {SDLK_RETURN, 0x0D},      {SDLK_ESCAPE, 0x1B},     {SDLK_BACKSPACE, 0x08},  {SDLK_TAB, 0x09},
    {SDLK_SPACE, 0x20},       {SDLK_COMMA, 0xBC},      {SDLK_PERIOD, 0xBE},     {SDLK_SLASH, 0xBF},
    {SDLK_MINUS, 0xBD},       {SDLK_EQUALS, 0xBB},     {SDLK_SEMICOLON, 0xBA},  {SDLK_LEFTBRACKET, 0xDB},
    {SDLK_BACKSLASH, 0xDC},   {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},    {SDLK_BACKQUOTE, 0xC0},
    {SDLK_UP, 0x26},          {SDLK_DOWN, 0x28},       {SDLK_LEFT, 0x25},       {SDLK_RIGHT, 0x27},
    {SDLK_INSERT, 0x2D},      {SDLK_DELETE, 0x2E},     {SDLK_HOME, 0x24},       {SDLK_END, 0x23},
    {SDLK_PAGEUP, 0x21},      {SDLK_PAGEDOWN, 0x22},   {SDLK_CAPSLOCK, 0x14},   {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},  {SDLK_PAUSE, 0x13},      {SDLK_PRINTSCREEN, 0x2C}, {SDLK_APPLICATION, 0x5D},
    {SDLK_LSHIFT, 0x10},      {SDLK_RSHIFT, 0x10},     {SDLK_LCTRL, 0x11},      {SDLK_RCTRL, 0x11},
    {SDLK_LALT, 0x12},        {SDLK_RALT, 0x12},       {SDLK_LGUI, 0x5B},       {SDLK_RGUI, 0x5C},
};

// Keypad keys by position, whatever Num Lock says.
constexpr struct {
    SDL_Scancode sdl;
    unsigned vk;
} byScancode[] = {
    {SDL_SCANCODE_KP_0, 0x60},        {SDL_SCANCODE_KP_1, 0x61},     {SDL_SCANCODE_KP_2, 0x62},
    {SDL_SCANCODE_KP_3, 0x63},        {SDL_SCANCODE_KP_4, 0x64},     {SDL_SCANCODE_KP_5, 0x65},
    {SDL_SCANCODE_KP_6, 0x66},        {SDL_SCANCODE_KP_7, 0x67},     {SDL_SCANCODE_KP_8, 0x68},
    {SDL_SCANCODE_KP_9, 0x69},        {SDL_SCANCODE_KP_PLUS, 0x6B},  {SDL_SCANCODE_KP_MINUS, 0x6D},
    {SDL_SCANCODE_KP_MULTIPLY, 0x6A}, {SDL_SCANCODE_KP_DIVIDE, 0x6F}, {SDL_SCANCODE_KP_PERIOD, 0x6E},
    {SDL_SCANCODE_KP_ENTER, 0x0D},
};

// The side-specific entries Windows keeps beside VK_SHIFT, VK_CONTROL and VK_MENU.
unsigned sideKey(SDL_Keycode key)
{
    switch (key) {
    case SDLK_LSHIFT: return 0xA0;
    case SDLK_RSHIFT: return 0xA1;
    case SDLK_LCTRL: return 0xA2;
    case SDLK_RCTRL: return 0xA3;
    case SDLK_LALT: return 0xA4;
    case SDLK_RALT: return 0xA5;
    default: return 0;
    }
}

std::intptr_t pointParameter(int x, int y)
{
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
}

} // namespace

unsigned Sdl2Backend::virtualKey(const SDL_Keysym& key)
{
    for (const auto& pair : byScancode)
        if (pair.sdl == key.scancode)
            return pair.vk;
    const SDL_Keycode sym = key.sym;
    if (sym >= SDLK_a && sym <= SDLK_z)
        return 0x41 + static_cast<unsigned>(sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9)
        return 0x30 + static_cast<unsigned>(sym - SDLK_0);
    if (sym >= SDLK_F1 && sym <= SDLK_F12)
        return 0x70 + static_cast<unsigned>(sym - SDLK_F1);
    for (const KeyPair& pair : byKeycode)
        if (pair.sdl == sym)
            return pair.vk;
    // Layouts whose letters and digits are not Latin: fall back on the key's position.
    if (key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z)
        return 0x41 + static_cast<unsigned>(key.scancode - SDL_SCANCODE_A);
    if (key.scancode >= SDL_SCANCODE_1 && key.scancode <= SDL_SCANCODE_9)
        return 0x31 + static_cast<unsigned>(key.scancode - SDL_SCANCODE_1);
    if (key.scancode == SDL_SCANCODE_0)
        return 0x30;
    return 0;
}

void Sdl2Backend::applyKey(unsigned vk, unsigned side, bool pressed)
{
    auto set = [this](unsigned index, bool isDown) {
        std::uint8_t& entry = keys_[index & 0xFF];
        if (isDown && !(entry & down))
            entry ^= toggled;
        entry = isDown ? static_cast<std::uint8_t>(entry | down) : static_cast<std::uint8_t>(entry & ~down);
    };
    if (side == 0) {
        set(vk, pressed);
        return;
    }
    // The generic entry is down while either side is.
    set(side, pressed);
    const unsigned other = side ^ 1u;
    set(vk, pressed || (keys_[other] & down));
}

bool Sdl2Backend::translate(const SDL_Event& event, Message& out)
{
    switch (event.type) {
    case SDL_QUIT: // also what SDL makes of SIGINT and SIGTERM
        out = {msg::quit, 0, 0};
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            out = {msg::close, 0, 0};
            return true;
        }
        return false;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool pressed = event.type == SDL_KEYDOWN;
        const unsigned vk = virtualKey(event.key.keysym);
        if (vk == 0)
            return false;
        applyKey(vk, sideKey(event.key.keysym.sym), pressed);
        // With Alt held (and not as AltGr, which Windows reports with Control), keys are system keys.
        const Uint16 mod = event.key.keysym.mod;
        const bool system = (vk == 0x12 || (mod & KMOD_ALT)) && !(mod & KMOD_CTRL);
        out.id = pressed ? (system ? msg::sysKeyDown : msg::keyDown) : (system ? msg::sysKeyUp : msg::keyUp);
        out.wParam = vk;
        out.lParam = 0;
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
        unsigned id = 0, vk = 0;
        switch (event.button.button) {
        case SDL_BUTTON_LEFT: id = pressed ? msg::lButtonDown : msg::lButtonUp, vk = 0x01; break;
        case SDL_BUTTON_RIGHT: id = pressed ? msg::rButtonDown : msg::rButtonUp, vk = 0x02; break;
        case SDL_BUTTON_MIDDLE: id = pressed ? msg::mButtonDown : msg::mButtonUp, vk = 0x04; break;
        default: return false;
        }
        applyKey(vk, 0, pressed);
        out = {id, 0, pointParameter(event.button.x, event.button.y)};
        return true;
    }
    default:
        return false;
    }
}

bool Sdl2Backend::peekMessage(Message& out)
{
    if (ensureVideo()) {
        // Pump and take directly: SDL_PollEvent stops at a marker it leaves in the queue and would
        // report an empty queue while events wait behind it.
        SDL_PumpEvents();
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
            if (translate(event, out))
                return true;
        }
    }
    // As on Windows, the quit message comes once nothing else is waiting.
    if (quitPending_) {
        quitPending_ = false;
        out = {msg::quit, static_cast<std::uintptr_t>(quitCode_), 0};
        return true;
    }
    return false;
}

void Sdl2Backend::dispatchMessage(const Message& message)
{
    if (procedure_ && !windows_.empty())
        procedure_(message);
}

void Sdl2Backend::postQuitMessage(int exitCode)
{
    quitPending_ = true;
    quitCode_ = exitCode;
}

void Sdl2Backend::keyboardState(std::uint8_t table[256]) { std::memcpy(table, keys_.data(), keys_.size()); }

void Sdl2Backend::cursorPosition(int& x, int& y)
{
    if (!ensureVideo()) {
        x = y = 0;
        return;
    }
    SDL_GetGlobalMouseState(&x, &y);
}

void Sdl2Backend::setCursorPosition(int x, int y)
{
    if (ensureVideo())
        SDL_WarpMouseGlobal(x, y);
}

} // namespace Lumidraft::platform
