// Image storage: allocation with its checks, pixel access, filling, matrices and difference.
#include "image/image.h"

#include "app/exception.h"
#include "matrix/matrix.h"
#include "platform/image_properties.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <typeinfo>
#include <utility>

namespace Lumidraft {

const std::int32_t Image::formatTable[10] = {1, 3, 4, 1, 4, 6409, 6407, 6408, 5121, 5126};

namespace {

// The pixel unpack and pack alignment the canvas sets: every row is a multiple of it in bytes.
constexpr std::int32_t defaultRowAlignment = 4;
std::int32_t rowAlignment = defaultRowAlignment;

[[noreturn]] void raise(const char* kind, const char* message)
{
    throw Exception(typeid(Image), kind, message);
}

// trunc(v x 255), held inside 0..255: a colour pushed outside [0, 1] by arithmetic saturates
// rather than wrapping around, and NaN stores 0.
std::uint8_t toByte(double v)
{
    const double scaled = v * 255.0;
    if (!(scaled > 0.0))
        return 0;
    if (scaled >= 255.0)
        return 255;
    return static_cast<std::uint8_t>(scaled);
}

// Components of a colour in an image's layout: GRAY keeps red only.
struct Packed {
    std::uint8_t bytes[4];
    float reals[4];
};

Packed pack(const Color& color)
{
    Packed p{};
    const double c[4] = {color.r, color.g, color.b, color.a};
    for (int k = 0; k < 4; ++k) {
        p.bytes[k] = toByte(c[k]);
        p.reals[k] = static_cast<float>(c[k]);
    }
    return p;
}

} // namespace

Image::Image() = default;

Image::Image(int width, int height, int layout, int precision)
{
    set(width, height, layout, precision);
}

Image::Image(int width, int height, int precision)
{
    set(width, height, RGB, precision);
}

Image::Image(Rectangle rect, int layout, int precision)
{
    set(rect, layout, precision);
}

Image::Image(Rectangle rect, int precision)
{
    set(rect, RGB, precision);
}

Image::~Image()
{
    release();
}

Image::Image(Image&& other) noexcept
{
    takeFrom(other);
}

Image& Image::operator=(Image&& other) noexcept
{
    if (this != &other) {
        release();
        takeFrom(other);
    }
    return *this;
}

// Takes every field of other, which is left in the empty state. This image must hold no bitmap.
void Image::takeFrom(Image& other) noexcept
{
    api_ = std::move(other.api_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    layout_ = std::exchange(other.layout_, RGB);
    precision_ = std::exchange(other.precision_, BYTE);
    hasBitmap_ = std::exchange(other.hasBitmap_, false);
    accelerated_ = std::exchange(other.accelerated_, false);
    floatPixels_ = std::exchange(other.floatPixels_, nullptr);
    bytePixels_ = std::exchange(other.bytePixels_, nullptr);
    pixelBytes_ = std::exchange(other.pixelBytes_, 0);
    lineBytes_ = std::exchange(other.lineBytes_, 0);
    totalBytes_ = std::exchange(other.totalBytes_, 0);
    lineElements_ = std::exchange(other.lineElements_, 0);
    totalElements_ = std::exchange(other.totalElements_, 0);
    vramY_ = std::exchange(other.vramY_, 0);
    vramX_ = std::exchange(other.vramX_, 0);
    vramGeneration_ = std::exchange(other.vramGeneration_, 0);
    bounds_ = std::exchange(other.bounds_, Rectangle());
    placement_ = std::exchange(other.placement_, Rectangle());
}

void Image::set(int width, int height, int layout, int precision)
{
    allocate(width, height, layout, precision);
    clear(Color::black);
}

void Image::allocate(int width, int height, int layout, int precision)
{
    if (hasBitmap_)
        raise("Memory Error", "Image object already has its bitmap.");
    if (width <= 0)
        raise("FORMAT ERROR", "The specified width is illegal");
    width_ = width;
    if (height <= 0)
        raise("FORMAT ERROR", "The specified height is illegal");
    height_ = height;
    if (layout < 0 || layout > 2)
        raise("FORMAT ERROR", "The specified pixel component is illegal");
    layout_ = static_cast<PixelComponents>(layout);
    if (precision < 0 || precision > 1)
        raise("FORMAT ERROR", "The specified precision is illegal");
    precision_ = static_cast<Precision>(precision);

    bounds_ = Rectangle(static_cast<double>(width), static_cast<double>(height));
    placement_ = bounds_;

    // Sizes are worked out in 64 bits: a block whose size does not fit the 32-bit fields cannot
    // be allocated, rather than wrapping around into a small one. A line is at most 16 x 2^31
    // bytes, so only the total can leave 64 bits: it is compared by division, never multiplied
    // out unless it fits.
    const std::int64_t bytesPerComponent = formatTable[3 + precision];
    const std::int64_t pixelBytes = formatTable[layout] * bytesPerComponent;
    std::int64_t lineBytes = pixelBytes * width;
    if (lineBytes % rowAlignment != 0)
        lineBytes += rowAlignment - lineBytes % rowAlignment;
    constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    const bool fits = lineBytes <= limit && height <= limit / lineBytes;
    const std::int64_t totalBytes = fits ? lineBytes * height : 0;
    pixelBytes_ = static_cast<std::int32_t>(pixelBytes);
    lineBytes_ = lineBytes <= limit ? static_cast<std::int32_t>(lineBytes) : 0;
    totalBytes_ = fits ? static_cast<std::int32_t>(totalBytes) : 0;
    lineElements_ = lineBytes <= limit ? static_cast<std::int32_t>(lineBytes / bytesPerComponent) : 0;
    totalElements_ = fits ? static_cast<std::int32_t>(totalBytes / bytesPerComponent) : 0;

    // Zeroed, so that the row-end fill, which difference() reads, holds defined values.
    if (fits) {
        if (precision_ == BYTE)
            bytePixels_ = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(totalElements_)]();
        else
            floatPixels_ = new (std::nothrow) float[static_cast<std::size_t>(totalElements_)]();
    }
    if (!bytePixels_ && !floatPixels_)
        raise("Memory Error", "Image failed to allocate memory.");

    try {
        api_ = std::make_unique<APIImageProperties>();
    } catch (const std::bad_alloc&) {
        delete[] bytePixels_;
        delete[] floatPixels_;
        bytePixels_ = nullptr;
        floatPixels_ = nullptr;
        raise("Memory Error", "Image failed to allocate memory.");
    }
    hasBitmap_ = true;
    accelerated_ = false;
}

void Image::set(int width, int height, int precision)
{
    set(width, height, RGB, precision);
}

void Image::set(Rectangle rect, int layout, int precision)
{
    // Truncated toward zero; a width beyond the 32-bit range is refused like any illegal width.
    const auto toInt = [](double v) {
        return v >= 1.0 && v < 2147483648.0 ? static_cast<int>(v) : 0;
    };
    set(toInt(rect.getWidth()), toInt(rect.getHeight()), layout, precision);
}

void Image::set(Rectangle rect, int precision)
{
    set(rect, RGB, precision);
}

void Image::release()
{
    if (!hasBitmap_)
        return;
    delete[] bytePixels_;
    delete[] floatPixels_;
    bytePixels_ = nullptr;
    floatPixels_ = nullptr;
    api_.reset();
    hasBitmap_ = false;
    accelerated_ = false;
    vramGeneration_ = 0;
    width_ = 0;
    height_ = 0;
    layout_ = RGB;
    precision_ = BYTE;
    pixelBytes_ = lineBytes_ = totalBytes_ = lineElements_ = totalElements_ = 0;
}

void Image::requireBitmap() const
{
    if (!hasBitmap_)
        raise("Memory Error", "Image object has no bitmap.");
}

void Image::requirePixel(int x, int y) const
{
    requireBitmap();
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        raise("ARGUMENT ERROR", "The pixel lies outside the image.");
}

std::int64_t Image::elementIndex(int x, int y) const
{
    return std::int64_t(x) * formatTable[layout_] + std::int64_t(height_ - 1 - y) * lineElements_;
}

void Image::writePixel(std::int64_t e, const Color& color)
{
    const int components = formatTable[layout_];
    const Packed p = pack(color);
    if (precision_ == BYTE)
        std::copy(p.bytes, p.bytes + components, bytePixels_ + e);
    else
        std::copy(p.reals, p.reals + components, floatPixels_ + e);
}

void Image::setPixel(int x, int y, Color color)
{
    requirePixel(x, y);
    writePixel(elementIndex(x, y), color);
}

void Image::setPixel(const Point& point, Color color)
{
    // Truncated toward zero; a coordinate beyond the 32-bit range is outside any image.
    const auto toInt = [](double v) {
        return v > -2147483649.0 && v < 2147483648.0 ? static_cast<int>(v) : -1;
    };
    setPixel(toInt(point.x), toInt(point.y), color);
}

Color Image::getPixel(int x, int y) const
{
    requirePixel(x, y);
    const std::int64_t e = elementIndex(x, y);
    double c[4] = {0.0, 0.0, 0.0, 1.0};
    const int components = formatTable[layout_];
    for (int k = 0; k < components; ++k)
        c[k] = precision_ == BYTE ? bytePixels_[e + k] / 255.0 : static_cast<double>(floatPixels_[e + k]);
    switch (layout_) {
    case GRAY:
        return Color(c[0]);
    case RGB:
        return Color(c[0], c[1], c[2]);
    default:
        return Color(c[0], c[1], c[2], c[3]);
    }
}

void Image::clear(Color color)
{
    fill(bounds_, color);
}

void Image::fill(Rectangle rect, Color color)
{
    requireBitmap();
    // Clipping would put the image's own edges in place of NaN ones; such a rectangle names no
    // pixels, so it fills nothing.
    if (std::isnan(rect.left) || std::isnan(rect.top) || std::isnan(rect.right) || std::isnan(rect.bottom))
        return;
    rect.clip(bounds_);
    if (!(rect.left >= 0.0 && rect.top >= 0.0 && rect.right < width_ && rect.bottom < height_))
        return;
    const int x0 = static_cast<int>(rect.left);
    const int x1 = static_cast<int>(rect.right);
    const int y0 = static_cast<int>(rect.top);
    const int y1 = static_cast<int>(rect.bottom);
    const int components = formatTable[layout_];
    const Packed p = pack(color);
    for (int y = y0; y <= y1; ++y) {
        std::int64_t e = elementIndex(x0, y);
        for (int x = x0; x <= x1; ++x, e += components) {
            if (precision_ == BYTE)
                std::copy(p.bytes, p.bytes + components, bytePixels_ + e);
            else
                std::copy(p.reals, p.reals + components, floatPixels_ + e);
        }
    }
}

void Image::requireMatrixSize(const Matrix& m) const
{
    if (m.getRows() != height_ || m.getCols() != width_)
        throw Exception();
}

void Image::fromMatrices(const Matrix& gray)
{
    requireMatrixSize(gray);
    if (width_ > 0 && height_ > 0)
        requireBitmap();
    for (int i = 1; i <= height_; ++i)
        for (int j = 1; j <= width_; ++j)
            writePixel(elementIndex(j - 1, i - 1), Color(gray(i, j)));
}

void Image::fromMatrices(const Matrix& red, const Matrix& green, const Matrix& blue)
{
    requireMatrixSize(red);
    requireMatrixSize(green);
    requireMatrixSize(blue);
    if (width_ > 0 && height_ > 0)
        requireBitmap();
    for (int i = 1; i <= height_; ++i)
        for (int j = 1; j <= width_; ++j)
            writePixel(elementIndex(j - 1, i - 1), Color(red(i, j), green(i, j), blue(i, j)));
}

void Image::fromMatrices(const Matrix& red, const Matrix& green, const Matrix& blue, const Matrix& alpha)
{
    requireMatrixSize(red);
    requireMatrixSize(green);
    requireMatrixSize(blue);
    requireMatrixSize(alpha);
    if (width_ > 0 && height_ > 0)
        requireBitmap();
    for (int i = 1; i <= height_; ++i)
        for (int j = 1; j <= width_; ++j)
            writePixel(elementIndex(j - 1, i - 1), Color(red(i, j), green(i, j), blue(i, j), alpha(i, j)));
}

Point Image::getCenter() const
{
    return Point(static_cast<double>(width_ / 2), static_cast<double>(height_ / 2));
}

Image& Image::centerAt()
{
    placement_.centerAt();
    return *this;
}

Image& Image::centerAt(double x, double y)
{
    placement_.centerAt(x, y);
    return *this;
}

Image& Image::shift(double dx, double dy)
{
    placement_.shift(dx, dy);
    return *this;
}

Image& Image::difference(const Image& other)
{
    if (layout_ != other.layout_ || precision_ != other.precision_ || width_ != other.width_ ||
        height_ != other.height_)
        raise("Format Error", "Difference must be resolved between same format Images.");
    // Images that agree in format but where either has no pixels have nothing to compare.
    if (!hasBitmap_ || !other.hasBitmap_)
        return *this;
    if (precision_ == BYTE) {
        for (std::int32_t k = 0; k < totalElements_; ++k) {
            const int d = std::abs(int(bytePixels_[k]) - int(other.bytePixels_[k]));
            bytePixels_[k] = static_cast<std::uint8_t>(d > 15 ? 0 : 16 * d);
        }
    } else {
        for (std::int32_t k = 0; k < totalElements_; ++k) {
            const float d = std::fabs(floatPixels_[k] - other.floatPixels_[k]);
            floatPixels_[k] = d > 15.0f ? 256.0f : 16.0f * d;
        }
    }
    return *this;
}

Rectangle& Rectangle::centerAt(const Image& image)
{
    return centerAt(image.getCenter());
}

} // namespace Lumidraft
