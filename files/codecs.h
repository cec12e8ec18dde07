// The decoders behind decodePicture, one per format; each takes a buffer whose signature is its own.
#pragma once

#include "files/picture_codec.h"

#include <cstdio>

namespace Lumidraft::files::detail {

void decodePng(const std::uint8_t* data, std::size_t size, PictureSink& sink);
void decodeJpeg(const std::uint8_t* data, std::size_t size, PictureSink& sink);
// Writes the whole PNG to an open file; raises PictureError.
void encodePng(std::FILE* file, const PictureFormat& format, PictureRows& rows);

} // namespace Lumidraft::files::detail
