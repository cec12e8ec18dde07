// Polled keyboard and mouse: the framework's key codes, the message pump that every query runs
// once, the key and button tables it keeps, the cursor position and the drawn cross-hair cursor.
#pragma once

#include "geometry/point.h"

#include <cstdint>

namespace Lumidraft {

// The framework's key codes; keyMap turns each into a Windows virtual-key code.
enum KeyCode : int {
    key1 = 0, key2, key3, key4, key5, key6, key7, key8, key9,
    key0 = 9,
    keyA = 10, keyB, keyC, keyD, keyE, keyF, keyG, keyH, keyI, keyJ, keyK, keyL, keyM,
    keyN, keyO, keyP, keyQ, keyR, keyS, keyT, keyU, keyV, keyW, keyX, keyY, keyZ,
    comma = 36,
    period = 37,
    slash = 38,
    numpad0 = 39, numpad1, numpad2, numpad3, numpad4, numpad5, numpad6, numpad7, numpad8, numpad9,
    returnKey = 49,
    space = 50,
    escape = 51,
    upArrow = 52,
    downArrow = 53,
    leftArrow = 54,
    rightArrow = 55,
    shift = 56,
    control = 57,
    alt = 58,
    minus = 59,
    oem5 = 61,
    leftMouseKey = 62, // the left button as the key-state table reports it
    oem1 = 64,
    oem1Second = 65, // a second code for the same key
    oem4 = 66,
    oem6 = 67,
    keypadPlus = 72,
    keypadMinus = 73,
    keypadTimes = 74,
    keypadDivide = 75,
};

// Which of the four tables a query reads.
enum InputState : int { held = 0, previous = 1, pushed = 2, released = 3 };

enum MouseButton : int { leftButton = 0, rightButton = 1, middleButton = 2 };

// The process-wide input state: the platform half of the input layer. Zero-filled at load, set up
// by initializeInput and changed only by the pump, the queries and the clear functions.
class APIInputProperties {
public:
    static constexpr int tableSize = 256;
    static constexpr int buttonCount = 3;
    static constexpr int stateCount = 4;
    // keyMap's entry for code 68: deliberately outside the tables, so that code never reads as down.
    static constexpr std::int32_t outsideTables = 0x100;

    // [InputState][virtual-key code]; bit 7 is the key's "down" bit.
    std::uint8_t keys[stateCount][tableSize];
    // KeyCode -> virtual-key code.
    std::int32_t keyMap[tableSize];
    // [InputState][MouseButton], 0 or 1; the previous row is never written.
    std::uint8_t buttons[stateCount][buttonCount];
    // The buffer the cursor position is read into, in screen pixels.
    std::int32_t cursorX;
    std::int32_t cursorY;
    bool drawnCursor;
};

// The one record of the process.
APIInputProperties& inputProperties();

// A cursor coordinate: reads as the position the latest pump recorded; assigning stores the value
// and moves the system cursor to (mouseX, mouseY).
class MouseCoordinate {
public:
    constexpr MouseCoordinate() = default;
    MouseCoordinate(const MouseCoordinate&) = delete;
    operator int() const { return value_; }
    int operator=(int value);
    int operator=(const MouseCoordinate& other) { return *this = static_cast<int>(other); }

private:
    friend void pumpMessages();
    friend Point setMousePosition(Point position);
    std::int32_t value_ = 0;
};

extern MouseCoordinate mouseX;
extern MouseCoordinate mouseY;

// Clears every table, fills keyMap and turns the drawn cursor off.
void initializeInput();
// The virtual-key code keyMap gives a key code once initialised (0 for a code without a key).
std::int32_t defaultVirtualKey(int code);
// Handles at most one queued message, then takes a keyboard snapshot and reads the cursor.
void pumpMessages();
// Run by the pump just before a close, destroy or quit message ends the process at once, so the
// run's records can be written first. One hook; null for none.
void setBeforeProcessExit(void (*hook)()) noexcept;
// Both pump once first. Reading pushed or released consumes the event. A code, button or state
// outside its table reads false.
bool queryKey(int code, int state);
bool queryButton(int button, int state);
void clearKeyEvents();
void clearButtonEvents();

Point getMousePosition();
// Truncates toward zero, moves the cursor there and returns the stored position.
Point setMousePosition(Point position);

void showDrawnCursor();
void hideDrawnCursor();
// The cross-hair at the cursor on the current canvas, if the drawn cursor is on; run by the flip.
void drawCursor();

} // namespace Lumidraft
