// Writing a captured frame to a picture file.
#pragma once

#include <string>

namespace Lumidraft {
class Image;
}

namespace Lumidraft::run {

// Saves a BYTE image as PNG, upright; creates missing parent folders. Raises Exception (class
// Player, "FILE ERROR") with the path and the reason when the file cannot be written.
void saveCapture(const Image& image, const std::string& path);

} // namespace Lumidraft::run
