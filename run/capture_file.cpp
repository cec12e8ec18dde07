// Captured frames as picture files, through the image's own PNG writer.
#include "run/capture_file.h"

#include "app/exception.h"
#include "image/image.h"
#include "run/player.h"

#include <filesystem>
#include <system_error>
#include <typeinfo>

namespace Lumidraft::run {

void saveCapture(const Image& image, const std::string& path)
{
    // A script names folders for its pictures; they need not exist before the run.
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
        if (error)
            throw Exception(typeid(Player), "FILE ERROR",
                            "Cannot write capture \"" + path + "\": " + error.message());
    }
    image.save(path);
}

} // namespace Lumidraft::run
