// Writing a captured frame to a picture file.
#pragma once

#include <string>

namespace Lumidraft {
class Image;
}

namespace Lumidraft::run {

// Saves the image as PNG (Image::save), creating missing parent folders. A folder that cannot be
// made raises Exception (class Player, "FILE ERROR") with the path and the reason; the save's
// own failures are the image's.
void saveCapture(const Image& image, const std::string& path);

} // namespace Lumidraft::run
