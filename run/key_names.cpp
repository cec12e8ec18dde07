// Key and button names of run scripts. The names are the framework's KeyCode names; the codes
// come from the input layer's own key map, so a script presses exactly what queryKey looks at.
#include "run/key_names.h"

#include "platform/input.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace Lumidraft::run {

namespace {

struct Named {
    std::string_view name;
    int code;
};

constexpr Named keys[] = {
    {"key1", key1}, {"key2", key2}, {"key3", key3}, {"key4", key4}, {"key5", key5},
    {"key6", key6}, {"key7", key7}, {"key8", key8}, {"key9", key9}, {"key0", key0},
    {"keyA", keyA}, {"keyB", keyB}, {"keyC", keyC}, {"keyD", keyD}, {"keyE", keyE}, {"keyF", keyF},
    {"keyG", keyG}, {"keyH", keyH}, {"keyI", keyI}, {"keyJ", keyJ}, {"keyK", keyK}, {"keyL", keyL},
    {"keyM", keyM}, {"keyN", keyN}, {"keyO", keyO}, {"keyP", keyP}, {"keyQ", keyQ}, {"keyR", keyR},
    {"keyS", keyS}, {"keyT", keyT}, {"keyU", keyU}, {"keyV", keyV}, {"keyW", keyW}, {"keyX", keyX},
    {"keyY", keyY}, {"keyZ", keyZ},
    {"comma", comma}, {"period", period}, {"slash", slash},
    {"numpad0", numpad0}, {"numpad1", numpad1}, {"numpad2", numpad2}, {"numpad3", numpad3},
    {"numpad4", numpad4}, {"numpad5", numpad5}, {"numpad6", numpad6}, {"numpad7", numpad7},
    {"numpad8", numpad8}, {"numpad9", numpad9},
    {"returnKey", returnKey}, {"space", space}, {"escape", escape},
    {"upArrow", upArrow}, {"downArrow", downArrow}, {"leftArrow", leftArrow}, {"rightArrow", rightArrow},
    {"shift", shift}, {"control", control}, {"alt", alt}, {"minus", minus}, {"oem5", oem5},
    {"oem1", oem1}, {"oem1Second", oem1Second}, {"oem4", oem4}, {"oem6", oem6},
    {"keypadPlus", keypadPlus}, {"keypadMinus", keypadMinus}, {"keypadTimes", keypadTimes},
    {"keypadDivide", keypadDivide},
};

constexpr std::string_view buttons[] = {"left", "right", "middle"};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<unsigned> virtualKeyByName(const std::string& name)
{
    for (const Named& key : keys)
        if (key.name == name)
            return static_cast<unsigned>(defaultVirtualKey(key.code));
    if (name.size() == 4 && name[0] == 'v' && name[1] == 'k') {
        const int high = hexDigit(name[2]);
        const int low = hexDigit(name[3]);
        // 0 is no key; the button codes (1, 2, 4) are buttons, not keys.
        if (high >= 0 && low >= 0) {
            const unsigned vk = static_cast<unsigned>(high * 16 + low);
            if (vk != 0 && vk != 0x01 && vk != 0x02 && vk != 0x04)
                return vk;
        }
    }
    return std::nullopt;
}

std::string keyNameOf(unsigned virtualKey)
{
    for (const Named& key : keys)
        if (static_cast<unsigned>(defaultVirtualKey(key.code)) == virtualKey)
            return std::string(key.name);
    char text[8];
    std::snprintf(text, sizeof text, "vk%02X", virtualKey & 0xFFu);
    return text;
}

std::optional<int> buttonByName(const std::string& name)
{
    for (int b = 0; b < 3; ++b)
        if (buttons[b] == name)
            return b;
    return std::nullopt;
}

const char* buttonName(int button) { return button >= 0 && button < 3 ? buttons[button].data() : "?"; }

} // namespace Lumidraft::run
