// Captured frames as PNG files, through libpng's simplified writer. This is the only place that
// encodes a capture, so it can move to the image files layer without touching the player.
// Dependencies: libpng 1.6.
#include "run/capture_file.h"

#include "app/exception.h"
#include "image/image.h"
#include "run/player.h"

#if defined(LUMIDRAFT_HAVE_PNG)
#include <png.h>
#endif

#include <filesystem>
#include <system_error>
#include <typeinfo>

namespace Lumidraft::run {

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& reason)
{
    throw Exception(typeid(Player), "FILE ERROR", "Cannot write capture \"" + path + "\": " + reason);
}

} // namespace

void saveCapture(const Image& image, const std::string& path)
{
#if !defined(LUMIDRAFT_HAVE_PNG)
    (void)image;
    refuse(path, "this build has no PNG writer");
#else
    if (!image.hasBitmap() || image.getPrecision() != Image::BYTE)
        refuse(path, "the frame was not captured as 8-bit pixels");
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
        if (error)
            refuse(path, error.message());
    }
    png_image picture{};
    picture.version = PNG_IMAGE_VERSION;
    picture.width = static_cast<png_uint_32>(image.getWidth());
    picture.height = static_cast<png_uint_32>(image.getHeight());
    switch (image.getLayout()) {
    case Image::GRAY: picture.format = PNG_FORMAT_GRAY; break;
    case Image::RGB: picture.format = PNG_FORMAT_RGB; break;
    case Image::RGBA: picture.format = PNG_FORMAT_RGBA; break;
    }
    // The image holds its bottom row first: a negative stride tells libpng so.
    const png_int_32 stride = -static_cast<png_int_32>(image.getLineBytes());
    if (!png_image_write_to_file(&picture, path.c_str(), 0, image.bytePixels(), stride, nullptr)) {
        const std::string reason = picture.message;
        png_image_free(&picture);
        refuse(path, reason);
    }
#endif
}

} // namespace Lumidraft::run
