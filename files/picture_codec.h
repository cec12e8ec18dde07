// Picture files: the one door between images and the decoder libraries. A decoder hands the file's
// samples, unconverted, row by row to a sink; the PNG encoder takes rows from a source. No gamma,
// colour profile or colour-space conversion is ever applied: the numbers are what the file stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Lumidraft::files {

// What a picture holds once decoded: grey (1 channel), RGB (3) or RGBA (4), 8 or 16 bits a sample.
// Palettes are expanded to RGB, transparency to an alpha channel, grey with alpha to RGBA (grey
// replicated), samples below 8 bits to 8.
struct PictureFormat {
    int width = 0;
    int height = 0;
    int channels = 0;
    int bitDepth = 8;
};

// Receives a decoded picture. accept() comes first, with the format read from the header, before
// anything is allocated in proportion to its size: the sink refuses a format by throwing. begin()
// follows once the decoder believes the file can hold such a picture; rows then arrive top row
// first.
class PictureSink {
public:
    virtual void accept(const PictureFormat& format) = 0;
    virtual void begin() = 0;
    // Where row y (0 at the top) may be decoded directly, width x channels samples of 8 bits; null
    // when the sink wants the row handed to row() instead.
    virtual std::uint8_t* rowTarget(int y) = 0;
    // Row y: width x channels samples, bytes for 8 bits, native-order uint16_t for 16 bits.
    virtual void row(int y, const void* samples) = 0;

protected:
    ~PictureSink() = default;
};

// Gives the encoder one row at a time, top row first, in the same form row() receives.
class PictureRows {
public:
    virtual const void* row(int y) = 0;

protected:
    ~PictureRows() = default;
};

// A file that cannot be read or written as a picture; what() is a reason a person understands,
// without the path.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The formats decodePicture reads, for messages.
extern const char* const readableFormats;

// Decodes a PNG or JPEG held in memory (told apart by their signatures). Raises PictureError for
// a buffer that is not such a picture or is damaged; whatever the sink throws passes through.
void decodePicture(const std::uint8_t* data, std::size_t size, PictureSink& sink);
// Reads the file at path and decodes it.
void readPicture(const std::string& path, PictureSink& sink);

// Whether a file name asks for PNG (it ends in ".png", any case).
bool namesPng(const std::string& path);
// Writes a PNG at path: grey, RGB or RGBA, 8 or 16 bits, no colour chunks. The picture goes to a
// temporary file beside path, renamed over it once complete, so a failure leaves no partial file
// and never destroys a file already there. Raises PictureError.
void writePng(const std::string& path, const PictureFormat& format, PictureRows& rows);

} // namespace Lumidraft::files
