// The names a run script uses for keys and mouse buttons, and their Windows virtual-key codes.
#pragma once

#include <optional>
#include <string>

namespace Lumidraft::run {

// The virtual-key code of a framework key name ("rightArrow", "keyA", "numpad5"), or of "vkXX"
// (two hex digits) for a key the framework has no name for; nothing for an unknown name.
std::optional<unsigned> virtualKeyByName(const std::string& name);
// The framework's name for a virtual-key code, or "vkXX" when it has none.
std::string keyNameOf(unsigned virtualKey);

// "left", "right", "middle" -> 0, 1, 2.
std::optional<int> buttonByName(const std::string& name);
const char* buttonName(int button);

} // namespace Lumidraft::run
