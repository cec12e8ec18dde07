// Drawing images on the current canvas, and their copies in video memory.
#include "image/image.h"

#include "app/exception.h"
#include "canvas/active_canvas.h"
#include "platform/gl.h"
#include "platform/image_properties.h"

namespace Lumidraft {

static_assert(GL_LUMINANCE == 6409 && GL_RGB == 6407 && GL_RGBA == 6408);
static_assert(GL_UNSIGNED_BYTE == 5121 && GL_FLOAT == 5126);

namespace {

// The raster position of canvas point (x, y), the same as glRasterPos2i(x, y) gives, but valid
// wherever it lands: it is set at the canvas origin and moved from there by a bitmap of no
// pixels. An image whose bottom row is the canvas's last row (a full-screen image, say) or that
// reaches past an edge is then drawn, clipped at the edge, instead of not at all.
void rasterAt(int x, std::int64_t y)
{
    glRasterPos2i(0, 0);
    glBitmap(0, 0, 0.0f, 0.0f, static_cast<GLfloat>(x), -static_cast<GLfloat>(y), nullptr);
}

// glDrawPixels of an image block: rows of the image's own length, aligned to 4 bytes, whatever
// unpacking state the caller left behind (restored afterwards).
void drawBlock(int width, int height, unsigned format, unsigned type, const void* pixels)
{
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glDrawPixels(width, height, format, type, pixels);
    glPopClientAttrib();
}

int truncateToInt(double v)
{
    if (!(v > -2147483648.0))
        return v != v ? 0 : -2147483647 - 1;
    if (v >= 2147483647.0)
        return 2147483647;
    return static_cast<int>(v);
}

} // namespace

unsigned Image::glFormat() const
{
    return static_cast<unsigned>(formatTable[5 + layout_]);
}

unsigned Image::glType() const
{
    return static_cast<unsigned>(formatTable[8 + precision_]);
}

void Image::draw(int x, int y)
{
    requireBitmap();
    const int canvasWidth = ActiveCanvas::getWidth();
    const int canvasHeight = ActiveCanvas::getHeight();
    rasterAt(x, std::int64_t(y) + height_);
    const bool fromCopy =
        accelerated_ && APIImageProperties::storeHolds(vramGeneration_, canvasWidth, canvasHeight);
    const void* pixels = precision_ == BYTE ? static_cast<const void*>(bytePixels_) : floatPixels_;

    if (layout_ == RGBA) {
        glPushAttrib(0x000FFFFF);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        if (fromCopy)
            APIImageProperties::copyBlock(vramX_, vramY_, width_, height_, canvasHeight);
        else
            drawBlock(width_, height_, glFormat(), glType(), pixels);
        glDisable(GL_BLEND);
        glPopAttrib();
        return;
    }
    if (!fromCopy) {
        drawBlock(width_, height_, glFormat(), glType(), pixels);
        return;
    }
    // A GRAY or RGB copy is opaque, and blending an opaque pixel by its alpha leaves it as it is;
    // without the blend the driver can move the pixels straight across.
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    if (glIsEnabled(GL_BLEND) && source == GL_SRC_ALPHA && destination == GL_ONE_MINUS_SRC_ALPHA) {
        glPushAttrib(GL_COLOR_BUFFER_BIT);
        glDisable(GL_BLEND);
        APIImageProperties::copyBlock(vramX_, vramY_, width_, height_, canvasHeight);
        glPopAttrib();
    } else {
        APIImageProperties::copyBlock(vramX_, vramY_, width_, height_, canvasHeight);
    }
}

void Image::draw()
{
    draw(truncateToInt(placement_.left), truncateToInt(placement_.top));
}

// The copy is written in one transfer of the pixel block rather than point by point: the same
// pixels in a small fraction of the time. It holds the block's values as they are, so it shows
// what a direct draw shows whatever the gamma in force.
void Image::accelerate()
{
    requireBitmap();
    const int canvasWidth = ActiveCanvas::getWidth();
    const int canvasHeight = ActiveCanvas::getHeight();
    if (accelerated_ && APIImageProperties::storeHolds(vramGeneration_, canvasWidth, canvasHeight))
        return;
    APIImageProperties::prepareStore(canvasWidth, canvasHeight);
    int x = 0, y = 0;
    api_->allocateVram(canvasWidth, canvasHeight, width_, height_, x, y);
    const void* pixels = precision_ == BYTE ? static_cast<const void*>(bytePixels_) : floatPixels_;
    APIImageProperties::storeBlock(x, y, width_, height_, glFormat(), glType(), pixels, canvasHeight);
    vramX_ = x;
    vramY_ = y;
    vramGeneration_ = APIImageProperties::storeGeneration();
    accelerated_ = true;
}

} // namespace Lumidraft
