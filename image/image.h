// Image: an off-screen picture in main memory (grey, RGB or RGBA; bytes or 32-bit reals), laid
// out so OpenGL takes it unchanged (rows of a multiple of 4 bytes, bottom row first), drawn on the
// canvas directly or through a copy kept in video memory.
#pragma once

#include "geometry/color.h"
#include "geometry/point.h"
#include "geometry/rectangle.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Lumidraft {

class APIImageProperties;
class Matrix;

class Image {
public:
    enum PixelComponents { GRAY = 0, RGB = 1, RGBA = 2 };
    enum Precision { BYTE = 0, FLOAT = 1 };

    // Components per layout, bytes per precision, then the OpenGL format of each layout and the
    // OpenGL type of each precision: components = table[layout], bytes = table[3 + precision],
    // format = table[5 + layout], type = table[8 + precision].
    static const std::int32_t formatTable[10];

    // An empty image: no bitmap, 0 x 0, RGB, BYTE.
    Image();
    Image(int width, int height, int layout, int precision);
    Image(int width, int height, int precision); // RGB
    Image(Rectangle rect, int layout, int precision);
    Image(Rectangle rect, int precision); // RGB
    ~Image();

    // An image owns its pixels and is never copied. It moves, so that images can be kept in
    // containers: everything travels, the copy in video memory included, and the source is left
    // empty. Assigning into an image releases what it held first.
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;

    // Allocates the bitmap and clears it to Color::black. Checks, each value stored right after
    // its own check: a bitmap exists already ("Memory Error"), width, height, layout, precision
    // ("FORMAT ERROR"); then the allocation ("Memory Error"). A rectangle gives its width and
    // height, truncated.
    void set(int width, int height, int layout, int precision);
    void set(int width, int height, int precision);
    void set(Rectangle rect, int layout, int precision);
    void set(Rectangle rect, int precision);
    // Reads a PNG or JPEG file; the file's top-left pixel becomes pixel (0, 0). Grey files give
    // GRAY, colour files RGB, files with transparency RGBA (grey replicated). 8-bit samples give
    // BYTE (stored unchanged), 16-bit samples FLOAT (sample / 65535) unless a precision is forced:
    // FLOAT stores 8-bit samples / 255, BYTE rounds 16-bit samples to the nearest level. Nothing
    // is converted (no gamma, colour profile or colour space). Needs an image without a bitmap
    // (the error of set); a file that cannot be read raises Exception (Image, "FILE ERROR",
    // "<path>: <reason>") and leaves the image empty.
    explicit Image(const std::string& path);
    void load(const std::string& path);
    void load(const std::string& path, int precision);
    // Writes a PNG (the name must end in .png, any case): BYTE images at 8 bits, FLOAT at 16 bits
    // holding round(clamp(v, 0, 1) x 65535); GRAY, RGB, RGBA as grey, RGB, RGBA. A failed save
    // leaves no partial file and whatever was at the path before.
    void save(const std::string& path) const;

    // Frees pixels and companion, back to the empty state. Does nothing without a bitmap. Space
    // taken in video memory stays taken.
    void release();

    // Pixel operations need a bitmap and coordinates inside the image; otherwise they raise an
    // Exception and touch nothing.
    void clear(Color color);
    // Writes the colour into the part of rect inside the image (edges truncated); raises the
    // rectangle's clip error when nothing of it is inside. A rectangle with a NaN edge fills nothing.
    void fill(Rectangle rect, Color color);
    // BYTE components hold trunc(intensity x 255), clamped to 0..255; GRAY keeps the red component.
    void setPixel(int x, int y, Color color);
    void setPixel(const Point& point, Color color);
    // Built with the ordinary Color constructors, so the current gamma applies once more.
    Color getPixel(int x, int y) const;

    // Element (i, j) of the matrices goes to pixel (j - 1, i - 1). The bitmap must be as wide as
    // the matrices have columns and as high as they have rows, and the matrices of one call the
    // same size; otherwise Exception() is raised before any pixel is written.
    void fromMatrices(const Matrix& gray);
    void fromMatrices(const Matrix& red, const Matrix& green, const Matrix& blue);
    void fromMatrices(const Matrix& red, const Matrix& green, const Matrix& blue, const Matrix& alpha);

    double getWidth() const { return width_; }
    double getHeight() const { return height_; }
    // (width div 2, height div 2).
    Point getCenter() const;
    // Moves the drawing position: centred on the canvas's centre or on (x, y), or shifted.
    Image& centerAt();
    Image& centerAt(double x, double y);
    Image& shift(double dx, double dy);

    // Draws the image with its top-left pixel at canvas position (x, y); without arguments at the
    // placement's top-left corner. RGBA images are blended with their alpha. An accelerated image
    // is drawn from its copy in video memory, pixel for pixel what the direct draw shows.
    void draw(int x, int y);
    void draw();
    // Makes the copy in video memory, once. Raises Exception (APIImageProperties, "Memory
    // Error", "Image accelerater failed to allocate VRAM.") when there is no room; the image then
    // stays as it was. The copy keeps the pixels of this moment.
    void accelerate();
    // Every element (row-end fill included) becomes 16 x |this - other|, or 0 (BYTE) / 256.0
    // (FLOAT) where the difference exceeds 15. Raises "Format Error" unless layout, precision,
    // width and height agree. The copy in video memory is not updated.
    Image& difference(const Image& other);

    // State and layout.
    APIImageProperties* api() const { return api_.get(); }
    bool hasBitmap() const { return hasBitmap_; }
    bool accelerated() const { return accelerated_; }
    int vramX() const { return vramX_; }
    int vramY() const { return vramY_; }
    const Rectangle& bounds() const { return bounds_; }
    Rectangle& placement() { return placement_; }
    const Rectangle& placement() const { return placement_; }
    PixelComponents getLayout() const { return layout_; }
    Precision getPrecision() const { return precision_; }
    int getPixelBytes() const { return pixelBytes_; }
    int getLineBytes() const { return lineBytes_; }
    int getTotalBytes() const { return totalBytes_; }
    int getLineElements() const { return lineElements_; }
    int getTotalElements() const { return totalElements_; }
    // The pixel block (null unless the image has a bitmap of that precision).
    std::uint8_t* bytePixels() { return bytePixels_; }
    const std::uint8_t* bytePixels() const { return bytePixels_; }
    float* floatPixels() { return floatPixels_; }
    const float* floatPixels() const { return floatPixels_; }
    // The OpenGL format and type of this image's pixels.
    unsigned glFormat() const;
    unsigned glType() const;

private:
    class FileSink;
    class FileRows;

    // set without the clearing, for pictures that write every pixel themselves.
    void allocate(int width, int height, int layout, int precision);
    void loadFile(const std::string& path, int precision);
    void takeFrom(Image& other) noexcept;
    void requireBitmap() const;
    void requirePixel(int x, int y) const;
    std::int64_t elementIndex(int x, int y) const;
    void writePixel(std::int64_t e, const Color& color);
    void requireMatrixSize(const Matrix& m) const;

    std::unique_ptr<APIImageProperties> api_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PixelComponents layout_ = RGB;
    Precision precision_ = BYTE;
    bool hasBitmap_ = false;
    bool accelerated_ = false;
    float* floatPixels_ = nullptr;
    std::uint8_t* bytePixels_ = nullptr;
    std::int32_t pixelBytes_ = 0;
    std::int32_t lineBytes_ = 0;
    std::int32_t totalBytes_ = 0;
    std::int32_t lineElements_ = 0;
    std::int32_t totalElements_ = 0;
    std::int32_t vramY_ = 0;
    std::int32_t vramX_ = 0;
    // Which video-memory store holds the copy; a copy lost with its context is not drawn.
    std::uint32_t vramGeneration_ = 0;
    Rectangle bounds_;
    Rectangle placement_;
};

} // namespace Lumidraft
