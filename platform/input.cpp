// The portable input layer: the pump's message table, the keyboard snapshots with their event
// accumulation, the button tables and the cursor. The backend supplies the queue, the key-state
// table and the cursor calls; everything here is the same on every backend.
#include "platform/input.h"

#include "geometry/color.h"
#include "geometry/rectangle.h"
#include "platform/backend.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace Lumidraft {

namespace {

constinit APIInputProperties properties{};
void (*beforeProcessExit)() = nullptr;

constexpr std::uint8_t downBit = 0x80;

bool inTable(int index, int size) { return index >= 0 && index < size; }

// Truncation toward zero that cannot overflow: a NaN becomes 0, values beyond int saturate.
std::int32_t truncatedCoordinate(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

void setButton(int button, bool down)
{
    if (down) {
        properties.buttons[pushed][button] = 1;
        properties.buttons[held][button] = 1;
    } else {
        properties.buttons[released][button] = 1;
        properties.buttons[held][button] = 0;
    }
}

void handleMessage(const platform::Message& message)
{
    namespace msg = platform::msg;
    switch (message.id) {
    case msg::lButtonDown: setButton(leftButton, true); break;
    case msg::lButtonUp: setButton(leftButton, false); break;
    case msg::rButtonDown: setButton(rightButton, true); break;
    case msg::rButtonUp: setButton(rightButton, false); break;
    case msg::mButtonDown: setButton(middleButton, true); break;
    case msg::mButtonUp: setButton(middleButton, false); break;
    // Key messages are dropped untranslated, so no character messages are ever generated.
    case msg::keyDown:
    case msg::keyUp: break;
    case msg::sysKeyDown:
        // Alt+F4 ends the program, but only on a later pump, when the quit message is removed.
        if (message.wParam == platform::vkF4)
            platform::backend().postQuitMessage(0);
        break;
    case msg::destroy:
    case msg::close:
    case msg::quit:
        if (beforeProcessExit)
            beforeProcessExit();
        platform::backend().exitProcess(1);
        break;
    default: platform::backend().dispatchMessage(message); break;
    }
}

void takeKeyboardSnapshot()
{
    auto& k = properties.keys;
    std::memcpy(k[previous], k[held], APIInputProperties::tableSize);
    platform::backend().keyboardState(k[held]);
    for (int vk = 0; vk < APIInputProperties::tableSize; ++vk) {
        const auto changed = static_cast<std::uint8_t>(k[held][vk] ^ k[previous][vk]);
        k[pushed][vk] |= static_cast<std::uint8_t>(changed & k[held][vk]);
        k[released][vk] |= static_cast<std::uint8_t>(changed & k[previous][vk]);
    }
}

void fillKeyMap(std::int32_t (&map)[APIInputProperties::tableSize])
{
    std::memset(map, 0, sizeof map);
    for (int i = 0; i < 9; ++i)
        map[key1 + i] = 0x31 + i;
    map[key0] = 0x30;
    for (int i = 0; i < 26; ++i)
        map[keyA + i] = 0x41 + i;
    map[comma] = 0xBC;
    map[period] = 0xBE;
    map[slash] = 0xBF;
    for (int i = 0; i < 10; ++i)
        map[numpad0 + i] = 0x60 + i;
    map[returnKey] = 0x0D;
    map[space] = 0x20;
    map[escape] = 0x1B;
    map[upArrow] = 0x26;
    map[downArrow] = 0x28;
    map[leftArrow] = 0x25;
    map[rightArrow] = 0x27;
    map[shift] = 0x10;
    map[control] = 0x11;
    map[alt] = 0x12;
    map[minus] = 0xBD;
    map[oem5] = 0xDC;
    map[leftMouseKey] = 0x01;
    map[63] = 0x40; // no key has this code
    map[oem1] = 0xBA;
    map[oem1Second] = 0xBA;
    map[oem4] = 0xDB;
    map[oem6] = 0xDD;
    map[68] = APIInputProperties::outsideTables;
    map[keypadPlus] = 0x6B;
    map[keypadMinus] = 0x6D;
    map[keypadTimes] = 0x6A;
    map[keypadDivide] = 0x6F;
}

} // namespace

constinit MouseCoordinate mouseX;
constinit MouseCoordinate mouseY;

APIInputProperties& inputProperties() { return properties; }

int MouseCoordinate::operator=(int value)
{
    value_ = value;
    platform::backend().setCursorPosition(mouseX.value_, mouseY.value_);
    return value_;
}

void initializeInput()
{
    std::memset(properties.keys, 0, sizeof properties.keys);
    fillKeyMap(properties.keyMap);
    std::memset(properties.buttons, 0, sizeof properties.buttons);
    properties.drawnCursor = false;
}

std::int32_t defaultVirtualKey(int code)
{
    static const auto map = [] {
        struct Table {
            std::int32_t entries[APIInputProperties::tableSize];
        } table{};
        fillKeyMap(table.entries);
        return table;
    }();
    return inTable(code, APIInputProperties::tableSize) ? map.entries[code] : 0;
}

void setBeforeProcessExit(void (*hook)()) noexcept
{
    beforeProcessExit = hook;
}

void pumpMessages()
{
    auto& system = platform::backend();
    platform::Message message;
    if (system.peekMessage(message))
        handleMessage(message);
    takeKeyboardSnapshot();
    // The read starts from the last one, so a failed read keeps that position instead of (0, 0).
    int x = properties.cursorX;
    int y = properties.cursorY;
    system.cursorPosition(x, y);
    properties.cursorX = x;
    properties.cursorY = y;
    mouseX.value_ = x;
    mouseY.value_ = y;
}

bool queryKey(int code, int state)
{
    pumpMessages();
    if (!inTable(code, APIInputProperties::tableSize) || !inTable(state, APIInputProperties::stateCount))
        return false;
    const std::int32_t vk = properties.keyMap[code];
    if (!inTable(vk, APIInputProperties::tableSize))
        return false;
    std::uint8_t& entry = properties.keys[state][vk];
    const bool down = (entry & downBit) != 0;
    if (state != held)
        entry = 0;
    return down;
}

bool queryButton(int button, int state)
{
    pumpMessages();
    if (!inTable(button, APIInputProperties::buttonCount) || !inTable(state, APIInputProperties::stateCount))
        return false;
    std::uint8_t& entry = properties.buttons[state][button];
    const bool down = entry != 0;
    if (state == pushed || state == released)
        entry = 0;
    return down;
}

void clearKeyEvents()
{
    std::memset(properties.keys[pushed], 0, APIInputProperties::tableSize);
    std::memset(properties.keys[released], 0, APIInputProperties::tableSize);
}

void clearButtonEvents() { std::memset(properties.buttons, 0, sizeof properties.buttons); }

Point getMousePosition() { return Point(static_cast<int>(mouseX), static_cast<int>(mouseY)); }

Point setMousePosition(Point position)
{
    // Both coordinates first, then one cursor move, so the cursor never visits a mixed position.
    mouseX.value_ = truncatedCoordinate(position.x);
    mouseY.value_ = truncatedCoordinate(position.y);
    platform::backend().setCursorPosition(mouseX.value_, mouseY.value_);
    return Point(mouseX.value_, mouseY.value_);
}

void showDrawnCursor() { properties.drawnCursor = true; }
void hideDrawnCursor() { properties.drawnCursor = false; }

void drawCursor()
{
    Rectangle outerWide(11.0, 3.0);
    Rectangle outerTall(3.0, 11.0);
    Rectangle innerWide(9.0, 1.0);
    Rectangle innerTall(1.0, 9.0);
    if (!properties.drawnCursor)
        return;
    const double x = mouseX;
    const double y = mouseY;
    outerWide.centerAt(x, y).draw(Color::black);
    outerTall.centerAt(x, y).draw(Color::black);
    innerWide.centerAt(x, y).draw(Color::white);
    innerTall.centerAt(x, y).draw(Color::white);
}

} // namespace Lumidraft
