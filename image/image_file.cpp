// Images from and to picture files. The decoding and encoding are done in files/; here the file's
// samples are placed in the image's own storage (bottom row first, rows padded) unconverted but
// for the scaling of the precision.
#include "image/image.h"

#include "app/exception.h"
#include "files/picture_codec.h"
#include "platform/image_properties.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <typeinfo>
#include <vector>

namespace Lumidraft {

namespace {

[[noreturn]] void fileError(const std::string& path, const std::string& reason)
{
    throw Exception(typeid(Image), "FILE ERROR", path + ": " + reason);
}

// b / 255 for every byte, correctly rounded as a single division is.
struct ByteScale {
    float level[256];
    ByteScale()
    {
        for (int b = 0; b < 256; ++b)
            level[b] = static_cast<float>(b) / 255.0f;
    }
};

const ByteScale& byteScale()
{
    static const ByteScale scale;
    return scale;
}

// Nearest 8-bit level of a 16-bit sample: round(s x 255 / 65535); no sample lies half-way.
std::uint8_t nearestByte(std::uint16_t s)
{
    return static_cast<std::uint8_t>((std::uint32_t(s) * 255u + 32767u) / 65535u);
}

std::uint16_t toSample16(float v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= 1.0f)
        return 65535;
    return static_cast<std::uint16_t>(std::lround(static_cast<double>(v) * 65535.0));
}

} // namespace

// Takes a decoded picture into the image: checks its size against what an image can hold before
// anything is allocated, then receives rows, straight into the block where the samples are
// stored as they are.
class Image::FileSink final : public files::PictureSink {
public:
    FileSink(Image& image, const std::string& path, int precision)
        : image_(image), path_(path), precision_(precision)
    {
    }

    void accept(const files::PictureFormat& format) override
    {
        format_ = format;
        layout_ = format.channels == 1 ? GRAY : format.channels == 3 ? RGB : RGBA;
        if (precision_ < 0)
            precision_ = format.bitDepth == 16 ? FLOAT : BYTE;
        // The same arithmetic as set: rows padded to 4 bytes, the block within a 32-bit size.
        const std::int64_t components = formatTable[layout_];
        const std::int64_t bytes = formatTable[3 + precision_];
        std::int64_t lineBytes = components * bytes * format.width;
        lineBytes = (lineBytes + 3) / 4 * 4;
        if (format.width <= 0 || format.height <= 0 ||
            lineBytes * format.height > std::numeric_limits<std::int32_t>::max())
            fileError(path_, "the picture is too large for an image (" +
                                 std::to_string(format.width) + " x " + std::to_string(format.height) +
                                 " pixels)");
    }

    void begin() override { image_.allocate(format_.width, format_.height, layout_, precision_); }

    std::uint8_t* rowTarget(int y) override
    {
        if (precision_ != BYTE || format_.bitDepth != 8)
            return nullptr;
        return image_.bytePixels_ + std::int64_t(format_.height - 1 - y) * image_.lineElements_;
    }

    void row(int y, const void* samples) override
    {
        const std::int64_t start = std::int64_t(format_.height - 1 - y) * image_.lineElements_;
        const std::size_t n = static_cast<std::size_t>(format_.width) * format_.channels;
        if (format_.bitDepth == 8) {
            const auto* src = static_cast<const std::uint8_t*>(samples);
            if (precision_ == BYTE) {
                std::memcpy(image_.bytePixels_ + start, src, n);
            } else {
                const float* level = byteScale().level;
                float* dst = image_.floatPixels_ + start;
                for (std::size_t i = 0; i < n; ++i)
                    dst[i] = level[src[i]];
            }
        } else {
            const auto* src = static_cast<const std::uint16_t*>(samples);
            if (precision_ == BYTE) {
                std::uint8_t* dst = image_.bytePixels_ + start;
                for (std::size_t i = 0; i < n; ++i)
                    dst[i] = nearestByte(src[i]);
            } else {
                float* dst = image_.floatPixels_ + start;
                for (std::size_t i = 0; i < n; ++i)
                    dst[i] = static_cast<float>(src[i]) / 65535.0f;
            }
        }
    }

private:
    Image& image_;
    const std::string& path_;
    int precision_;
    files::PictureFormat format_;
    PixelComponents layout_ = RGB;
};

// Hands the encoder the image's rows top row first: BYTE rows as they are stored, FLOAT rows as
// 16-bit samples.
class Image::FileRows final : public files::PictureRows {
public:
    explicit FileRows(const Image& image) : image_(image)
    {
        if (image.precision_ == FLOAT)
            samples_.resize(static_cast<std::size_t>(image.width_) * formatTable[image.layout_]);
    }

    const void* row(int y) override
    {
        const std::int64_t start = std::int64_t(image_.height_ - 1 - y) * image_.lineElements_;
        if (image_.precision_ == BYTE)
            return image_.bytePixels_ + start;
        const float* src = image_.floatPixels_ + start;
        for (std::size_t i = 0; i < samples_.size(); ++i)
            samples_[i] = toSample16(src[i]);
        return samples_.data();
    }

private:
    const Image& image_;
    std::vector<std::uint16_t> samples_;
};

Image::Image(const std::string& path)
{
    load(path);
}

void Image::load(const std::string& path)
{
    loadFile(path, -1);
}

void Image::load(const std::string& path, int precision)
{
    if (!hasBitmap_ && (precision < 0 || precision > 1))
        throw Exception(typeid(Image), "FORMAT ERROR", "The specified precision is illegal");
    loadFile(path, precision);
}

void Image::loadFile(const std::string& path, int precision)
{
    if (hasBitmap_)
        throw Exception(typeid(Image), "Memory Error", "Image object already has its bitmap.");
    FileSink sink(*this, path, precision);
    try {
        files::readPicture(path, sink);
    } catch (const files::PictureError& e) {
        *this = Image();
        fileError(path, e.what());
    } catch (const std::bad_alloc&) {
        *this = Image();
        throw Exception(typeid(Image), "Memory Error", "Image failed to allocate memory.");
    } catch (...) {
        *this = Image();
        throw;
    }
}

void Image::save(const std::string& path) const
{
    requireBitmap();
    if (!files::namesPng(path))
        fileError(path, "pictures are saved as PNG only, so the name must end in .png");
    files::PictureFormat format;
    format.width = width_;
    format.height = height_;
    format.channels = formatTable[layout_];
    format.bitDepth = precision_ == BYTE ? 8 : 16;
    FileRows rows(*this);
    try {
        files::writePng(path, format, rows);
    } catch (const files::PictureError& e) {
        fileError(path, e.what());
    } catch (const std::bad_alloc&) {
        throw Exception(typeid(Image), "Memory Error", "Image failed to allocate memory.");
    }
}

} // namespace Lumidraft
