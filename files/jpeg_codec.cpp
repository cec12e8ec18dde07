// JPEG through libjpeg (baseline and progressive, grey and colour), decoded with the library's
// default settings, so an image holds exactly what the library gives for the file. CMYK pictures
// are refused: the library does not turn them into RGB.
//
// libjpeg reports errors through a handler that must not return; ours longjmps back to the one
// function that calls setjmp, which holds only plain data. Corrupt-data warnings, after which the
// library would go on with made-up pixels, count as errors: a damaged stimulus is refused, not
// shown.
#include "files/codecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace Lumidraft::files::detail {

namespace {

struct JpegError {
    jpeg_error_mgr base; // first, so the library's pointer to it is one to this
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct JpegRead {
    jpeg_decompress_struct info;
    JpegError error;
    PictureSink* sink;
    bool cmyk;
};

void onJpegError(j_common_ptr common)
{
    auto* error = reinterpret_cast<JpegError*>(common->err);
    (*common->err->format_message)(common, error->message);
    std::longjmp(error->jump, 1);
}

void onJpegMessage(j_common_ptr common, int level)
{
    if (level < 0)
        onJpegError(common);
}

void quiet(j_common_ptr) {}

bool runDecode(JpegRead* s, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(s->error.jump))
        return false;
    jpeg_create_decompress(&s->info);
    jpeg_mem_src(&s->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s->info, TRUE);
    if (s->info.jpeg_color_space == JCS_CMYK || s->info.jpeg_color_space == JCS_YCCK) {
        s->cmyk = true;
        return false;
    }
    const bool gray = s->info.num_components == 1;
    s->info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;

    PictureFormat format;
    format.width = static_cast<int>(s->info.image_width);
    format.height = static_cast<int>(s->info.image_height);
    format.channels = gray ? 1 : 3;
    format.bitDepth = 8;
    s->sink->accept(format);
    jpeg_start_decompress(&s->info);
    s->sink->begin();

    // The scratch row comes from the library's pool, freed with the decompressor.
    JSAMPARRAY scratch = (*s->info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s->info), JPOOL_IMAGE,
                                                      s->info.output_width * s->info.output_components, 1);
    while (s->info.output_scanline < s->info.output_height) {
        const int y = static_cast<int>(s->info.output_scanline);
        std::uint8_t* target = s->sink->rowTarget(y);
        JSAMPROW row = target ? target : scratch[0];
        jpeg_read_scanlines(&s->info, &row, 1);
        if (!target)
            s->sink->row(y, row);
    }
    jpeg_finish_decompress(&s->info);
    return true;
}

} // namespace

void decodeJpeg(const std::uint8_t* data, std::size_t size, PictureSink& sink)
{
    JpegRead s;
    std::memset(&s, 0, sizeof s);
    s.sink = &sink;
    s.info.err = jpeg_std_error(&s.error.base);
    s.error.base.error_exit = onJpegError;
    s.error.base.emit_message = onJpegMessage;
    s.error.base.output_message = quiet;
    // Destroying a decompressor that was never created, or only in part, is safe: it frees what
    // its memory manager holds, if it has one.
    struct Owner {
        JpegRead& s;
        ~Owner() { jpeg_destroy_decompress(&s.info); }
    } owner{s};
    if (runDecode(&s, data, size))
        return;
    if (s.cmyk)
        throw PictureError("it is a CMYK JPEG; JPEGs are read in grey or RGB only");
    throw PictureError(std::string("the JPEG file is damaged (") + s.error.message + ")");
}

} // namespace Lumidraft::files::detail
