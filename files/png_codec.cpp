// PNG through libpng: decoding every colour type, bit depth and interlacing to the file's own
// samples, and encoding grey, RGB or RGBA at 8 or 16 bits. No gamma, sBIT or colour chunk is
// applied on reading or written on saving.
//
// libpng reports errors by longjmp back to a setjmp. The functions that call setjmp hold only
// plain data, so no destructor is ever skipped; what needs freeing is owned by their callers, which
// free it however the work ends (a C++ exception from a sink included).
#include "files/codecs.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

namespace Lumidraft::files::detail {

namespace {

constexpr bool littleEndian = std::endian::native == std::endian::little;

struct PngRead {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    PictureSink* sink = nullptr;
    PictureFormat format;
    png_bytep scratch = nullptr; // png_malloc'd, freed by the owner
    png_bytepp rows = nullptr;   // png_malloc'd, freed by the owner
    char message[256] = {};
};

void keepMessage(char (&to)[256], png_const_charp message)
{
    std::snprintf(to, sizeof to, "%s", message && *message ? message : "unknown libpng error");
}

void onReadError(png_structp png, png_const_charp message)
{
    keepMessage(static_cast<PngRead*>(png_get_error_ptr(png))->message, message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, png_size_t n)
{
    auto* s = static_cast<PngRead*>(png_get_io_ptr(png));
    if (n > s->size - s->offset)
        png_error(png, "the file ends before the picture does");
    std::memcpy(out, s->data + s->offset, n);
    s->offset += n;
}

// deflate expands data at most about 1032 times; a picture that needs more than that from the
// bytes left in the file cannot be in it, and is refused before its image is allocated.
bool compressedDataCanHold(const PngRead& s, png_size_t rowBytes, png_uint_32 height, int passes)
{
    const double raw = (static_cast<double>(rowBytes) + 1.0) * height;
    const double available = static_cast<double>(s.size - s.offset);
    return raw <= available * 1100.0 + 65536.0 * passes;
}

// Returns false after a libpng error, with its text in s->message.
bool runDecode(PngRead* s)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_read_fn(s->png, s, readBytes);
    png_read_info(s->png, s->info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(s->png, s->info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    const bool gray = (colorType & PNG_COLOR_MASK_COLOR) == 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(s->png);
    if (gray && depth < 8)
        png_set_expand_gray_1_2_4_to_8(s->png);
    // A transparent entry in the palette, or a transparent grey level or colour, is an alpha channel.
    if (png_get_valid(s->png, s->info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(s->png);
        alpha = true;
    }
    if (gray && alpha)
        png_set_gray_to_rgb(s->png);
    if (depth == 16 && littleEndian)
        png_set_swap(s->png);
    const int passes = png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);

    s->format.width = static_cast<int>(width);
    s->format.height = static_cast<int>(height);
    s->format.channels = png_get_channels(s->png, s->info);
    s->format.bitDepth = png_get_bit_depth(s->png, s->info);
    const png_size_t rowBytes = png_get_rowbytes(s->png, s->info);
    s->sink->accept(s->format);
    if (!compressedDataCanHold(*s, rowBytes, height, passes))
        png_error(s->png, "the file is too short for the picture its header announces");
    s->sink->begin();

    if (passes == 1) {
        s->scratch = static_cast<png_bytep>(png_malloc(s->png, rowBytes));
        for (png_uint_32 y = 0; y < height; ++y) {
            std::uint8_t* target = s->sink->rowTarget(static_cast<int>(y));
            png_read_row(s->png, target ? target : s->scratch, nullptr);
            if (!target)
                s->sink->row(static_cast<int>(y), s->scratch);
        }
    } else {
        // Each pass fills some pixels of every row, so the whole picture is decoded at once.
        bool direct = true;
        for (png_uint_32 y = 0; y < height && direct; ++y)
            direct = s->sink->rowTarget(static_cast<int>(y)) != nullptr;
        s->rows = static_cast<png_bytepp>(png_malloc(s->png, sizeof(png_bytep) * height));
        if (!direct)
            s->scratch = static_cast<png_bytep>(png_malloc(s->png, rowBytes * height));
        for (png_uint_32 y = 0; y < height; ++y)
            s->rows[y] = direct ? s->sink->rowTarget(static_cast<int>(y)) : s->scratch + rowBytes * y;
        png_read_image(s->png, s->rows);
        if (!direct)
            for (png_uint_32 y = 0; y < height; ++y)
                s->sink->row(static_cast<int>(y), s->rows[y]);
    }
    png_read_end(s->png, nullptr);
    return true;
}

struct PngWrite {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    PictureRows* rows = nullptr;
    PictureFormat format;
    char message[256] = {};
};

void onWriteError(png_structp png, png_const_charp message)
{
    keepMessage(static_cast<PngWrite*>(png_get_error_ptr(png))->message, message);
    png_longjmp(png, 1);
}

void writeBytes(png_structp png, png_bytep data, png_size_t n)
{
    auto* s = static_cast<PngWrite*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, n, s->file) != n)
        png_error(png, "the file could not be written");
}

void flushBytes(png_structp png)
{
    auto* s = static_cast<PngWrite*>(png_get_io_ptr(png));
    if (std::fflush(s->file) != 0)
        png_error(png, "the file could not be written");
}

bool runEncode(PngWrite* s)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_write_fn(s->png, s, writeBytes, flushBytes);
    const int colorType = s->format.channels == 1   ? PNG_COLOR_TYPE_GRAY
                          : s->format.channels == 3 ? PNG_COLOR_TYPE_RGB
                                                    : PNG_COLOR_TYPE_RGBA;
    png_set_IHDR(s->png, s->info, static_cast<png_uint_32>(s->format.width),
                 static_cast<png_uint_32>(s->format.height), s->format.bitDepth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s->png, s->info);
    if (s->format.bitDepth == 16 && littleEndian)
        png_set_swap(s->png);
    for (int y = 0; y < s->format.height; ++y)
        png_write_row(s->png, static_cast<png_const_bytep>(s->rows->row(y)));
    png_write_end(s->png, s->info);
    return true;
}

} // namespace

void decodePng(const std::uint8_t* data, std::size_t size, PictureSink& sink)
{
    PngRead s;
    s.data = data;
    s.size = size;
    s.sink = &sink;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, onReadError, onWarning);
    if (!s.png)
        throw std::bad_alloc();
    struct Owner {
        PngRead& s;
        ~Owner()
        {
            png_free(s.png, s.rows);
            png_free(s.png, s.scratch);
            png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
        }
    } owner{s};
    s.info = png_create_info_struct(s.png);
    if (!s.info)
        throw std::bad_alloc();
    if (!runDecode(&s))
        throw PictureError(std::string("the PNG file is damaged (") + s.message + ")");
}

void encodePng(std::FILE* file, const PictureFormat& format, PictureRows& rows)
{
    PngWrite s;
    s.file = file;
    s.rows = &rows;
    s.format = format;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, onWriteError, onWarning);
    if (!s.png)
        throw std::bad_alloc();
    struct Owner {
        PngWrite& s;
        ~Owner() { png_destroy_write_struct(&s.png, s.info ? &s.info : nullptr); }
    } owner{s};
    s.info = png_create_info_struct(s.png);
    if (!s.info)
        throw std::bad_alloc();
    if (!runEncode(&s))
        throw PictureError(std::string("the PNG file could not be written (") + s.message + ")");
}

} // namespace Lumidraft::files::detail
