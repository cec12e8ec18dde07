// Reading a region of the canvas back into an image.
#include "canvas/canvas.h"
#include "canvas/truncation.h"

#include "image/image.h"
#include "platform/gl.h"

namespace Lumidraft {

namespace {

// Truncated toward zero; sizes beyond the 32-bit range count as 0 (nothing to read).
int truncatedSize(double v)
{
    return v >= 1.0 && v < 2147483648.0 ? static_cast<int>(v) : 0;
}

} // namespace

// Rows are addressed the way drawRect, copyRegion and image drawing address them: the region's
// bottom row is window row (height - 1 - bottom). Rows go into the block at the image's own row
// length, so an image wider than the region still holds an undistorted picture.
void Canvas::capture(Image& image, const Rectangle& rect)
{
    requireOpened();
    const int width = truncatedSize(rect.getWidth());
    const int height = truncatedSize(rect.getHeight());
    // The rectangle's own (real) size decides: one a fraction wider than the image does not fit.
    if (!image.hasBitmap() || rect.getWidth() > image.getWidth() || rect.getHeight() > image.getHeight()) {
        image.release();
        image.set(rect, Image::RGB, Image::BYTE);
    }
    if (width <= 0 || height <= 0)
        return;
    void* pixels = image.getPrecision() == Image::BYTE ? static_cast<void*>(image.bytePixels())
                                                       : static_cast<void*>(image.floatPixels());
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_PACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(image.getWidth()));
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(detail::truncateToInt(rect.left), detail::truncateToInt(height_ - 1 - rect.bottom), width, height,
                 image.glFormat(), image.glType(), pixels);
    glPopClientAttrib();
}

} // namespace Lumidraft
