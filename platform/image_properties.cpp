// The shelves that pack image copies into video memory, and the store that holds the copies: the
// canvas's auxiliary colour buffer GL_AUX1 where the context offers it, an off-screen texture of
// the canvas's size otherwise (most current drivers offer no auxiliary buffers). Both are OpenGL
// 1.1, so the store needs no extension entry points.
#include "platform/image_properties.h"

#include "app/exception.h"
#include "platform/gl.h"

#include <cmath>
#include <typeinfo>

namespace Lumidraft {

namespace {

// Entry 0 is a sentinel: shelf i spans the rows below shelfBottom[i - 1] down to shelfBottom[i].
std::int32_t vramShelfRight[APIImageProperties::vramShelfCount];
std::int32_t vramShelfBottom[APIImageProperties::vramShelfCount];
bool shelvesInitialised = false;

void initialiseShelves()
{
    for (int i = 0; i < APIImageProperties::vramShelfCount; ++i) {
        vramShelfRight[i] = -1;
        vramShelfBottom[i] = 0;
    }
    vramShelfBottom[0] = -1;
    shelvesInitialised = true;
}

[[noreturn]] void raiseAllocationError()
{
    throw Exception(typeid(APIImageProperties), "Memory Error", "Image accelerater failed to allocate VRAM.");
}

enum class StoreKind { none, auxBuffer, texture };

// The store of the current context. `name` is the texture that holds the copies, or for the
// auxiliary buffer a 1 x 1 texture kept only as a marker: texture names are per context, so a
// name that is no texture any more tells that the context (and every copy in it) is gone.
struct Store {
    StoreKind kind = StoreKind::none;
    GLuint name = 0;
    int canvasWidth = 0;
    int canvasHeight = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    std::uint32_t generation = 0;
};
Store store;

bool storeAlive(int canvasWidth, int canvasHeight)
{
    return store.kind != StoreKind::none && store.canvasWidth == canvasWidth &&
           store.canvasHeight == canvasHeight && glIsTexture(store.name) == GL_TRUE;
}

int powerOfTwoAtLeast(int n)
{
    int p = 1;
    while (p < n && p < (1 << 30))
        p <<= 1;
    return p;
}

void drainErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// A texture of at least the canvas's size, in powers of two so that a plain OpenGL 1.1 driver
// takes it; false when the driver cannot hold one.
bool createTextureStore(GLuint name, int canvasWidth, int canvasHeight, int& textureWidth, int& textureHeight)
{
    textureWidth = powerOfTwoAtLeast(canvasWidth);
    textureHeight = powerOfTwoAtLeast(canvasHeight);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (textureWidth > maxSize || textureHeight > maxSize)
        return false;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint proxyWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxyWidth);
    if (proxyWidth == 0)
        return false;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return glGetError() == GL_NO_ERROR;
}

// Rows and pixels of client memory exactly as an image block holds them.
void unpackImageBlocks()
{
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

// Moves the raster position to window coordinates (x, y), valid wherever it lands: from a
// position that is certainly inside the canvas, by a bitmap of no pixels.
void rasterToWindow(float x, float y)
{
    glRasterPos2i(0, 0);
    GLfloat anchor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, anchor);
    glBitmap(0, 0, 0.0f, 0.0f, x - anchor[0], y - anchor[1], nullptr);
}

} // namespace

APIImageProperties::APIImageProperties()
{
    if (!shelvesInitialised)
        initialiseShelves();
}

// Shelves are tried top to bottom; a block goes beside the others in the first shelf that is
// tall enough, or stretches the last shelf in use downwards. Two guards keep every copy inside
// the store and apart from the others: a block must end inside the W x H area (not one column or
// row beyond it), and no shelf is opened below one that was never used.
void APIImageProperties::allocateVram(int canvasWidth, int canvasHeight, int width, int height, int& x, int& y)
{
    if (!shelvesInitialised)
        initialiseShelves();
    if (width <= 0 || height <= 0)
        raiseAllocationError();
    for (int i = 1; i < vramShelfCount; ++i) {
        if (i > 1 && vramShelfRight[i - 1] < 0)
            break;
        const std::int64_t left = std::int64_t(vramShelfRight[i]) + 1;
        const std::int64_t top = std::int64_t(vramShelfBottom[i - 1]) + 1;
        if (left + width > canvasWidth)
            continue;
        const bool fitsShelf = top + height - 1 <= vramShelfBottom[i];
        const bool nextUnused = i == vramShelfCount - 1 || vramShelfBottom[i + 1] == 0;
        const bool canGrow = top + height <= canvasHeight && nextUnused;
        if (!fitsShelf && !canGrow)
            continue;
        x = static_cast<int>(left);
        y = static_cast<int>(top);
        vramShelfRight[i] = static_cast<std::int32_t>(left + width - 1);
        if (top + height - 1 > vramShelfBottom[i])
            vramShelfBottom[i] = static_cast<std::int32_t>(top + height - 1);
        return;
    }
    raiseAllocationError();
}

std::int32_t APIImageProperties::shelfRight(int i)
{
    if (!shelvesInitialised)
        initialiseShelves();
    return i >= 0 && i < vramShelfCount ? vramShelfRight[i] : -1;
}

std::int32_t APIImageProperties::shelfBottom(int i)
{
    if (!shelvesInitialised)
        initialiseShelves();
    return i >= 0 && i < vramShelfCount ? vramShelfBottom[i] : 0;
}

void APIImageProperties::resetVram()
{
    initialiseShelves();
}

void APIImageProperties::prepareStore(int canvasWidth, int canvasHeight)
{
    if (storeAlive(canvasWidth, canvasHeight))
        return;
    const bool replacing = store.kind != StoreKind::none;
    // A store of another size still alive in this context is freed; a lost one went with its context.
    if (replacing && glIsTexture(store.name) == GL_TRUE)
        glDeleteTextures(1, &store.name);

    drainErrors();
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLint auxBuffers = 0, alphaBits = 0;
    glGetIntegerv(GL_AUX_BUFFERS, &auxBuffers);
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    GLuint name = 0;
    glGenTextures(1, &name);

    Store next;
    next.name = name;
    next.canvasWidth = canvasWidth;
    next.canvasHeight = canvasHeight;
    bool ok = false;
    // The auxiliary buffer holds RGBA copies faithfully only with an alpha channel.
    if (auxBuffers >= 2 && alphaBits > 0) {
        next.kind = StoreKind::auxBuffer;
        glBindTexture(GL_TEXTURE_2D, name);
        const GLubyte marker[4] = {0, 0, 0, 0};
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        unpackImageBlocks();
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker);
        glPopClientAttrib();
        ok = glGetError() == GL_NO_ERROR;
    } else {
        next.kind = StoreKind::texture;
        ok = createTextureStore(name, canvasWidth, canvasHeight, next.textureWidth, next.textureHeight);
    }
    if (ok) {
        // Nearest texels at texel centres: a copy draws its own pixels, nothing in between.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    if (!ok) {
        glDeleteTextures(1, &name);
        drainErrors();
        raiseAllocationError();
    }

    next.generation = store.generation + 1;
    store = next;
    if (replacing)
        resetVram();
}

std::uint32_t APIImageProperties::storeGeneration()
{
    return store.generation;
}

bool APIImageProperties::storeHolds(std::uint32_t generation, int canvasWidth, int canvasHeight)
{
    return generation != 0 && generation == store.generation && storeAlive(canvasWidth, canvasHeight);
}

bool APIImageProperties::storeIsAuxBuffer()
{
    return store.kind == StoreKind::auxBuffer;
}

void APIImageProperties::storeBlock(int x, int y, int width, int height, unsigned format, unsigned type,
                                    const void* pixels, int canvasHeight)
{
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    unpackImageBlocks();
    if (store.kind == StoreKind::auxBuffer) {
        // The copy lies upright at canvas rows y to y + height - 1, written as drawn, unblended.
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
        glDisable(GL_BLEND);
        glDrawBuffer(GL_AUX1);
        glPixelZoom(1.0f, 1.0f);
        rasterToWindow(static_cast<float>(x), static_cast<float>(canvasHeight - y - height));
        glDrawPixels(width, height, format, type, pixels);
        glPopAttrib();
    } else {
        // Block row r goes to texture row y + r: the texture keeps the block's bottom-up order.
        glPushAttrib(GL_TEXTURE_BIT);
        glBindTexture(GL_TEXTURE_2D, store.name);
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, format, type, pixels);
        glPopAttrib();
    }
    glPopClientAttrib();
}

void APIImageProperties::copyBlock(int x, int y, int width, int height, int canvasHeight)
{
    if (store.kind == StoreKind::auxBuffer) {
        glReadBuffer(GL_AUX1);
        glDrawBuffer(GL_BACK);
        glCopyPixels(x, canvasHeight - y - height, width, height, GL_COLOR);
        glReadBuffer(GL_BACK);
        return;
    }
    if (store.kind != StoreKind::texture)
        return;

    // A textured rectangle standing exactly where glDrawPixels would put the block: the pixels
    // whose centres lie within width x height of the raster position, each showing the centre of
    // its own texel.
    GLboolean valid = GL_FALSE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    if (!valid)
        return;
    GLfloat raster[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    GLfloat texCoord[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);

    const float rx = raster[0];
    const float ry = raster[1];
    // Offsets of the raster position from the first covered pixel's left and bottom edges.
    const float fx = rx - std::ceil(rx - 0.5f);
    const float fy = ry - std::ceil(ry - 0.5f);
    const float tw = static_cast<float>(store.textureWidth);
    const float th = static_cast<float>(store.textureHeight);
    const float s0 = (static_cast<float>(x) + fx) / tw;
    const float s1 = (static_cast<float>(x + width) + fx) / tw;
    const float t0 = (static_cast<float>(y) + fy) / th;
    const float t1 = (static_cast<float>(y + height) + fy) / th;
    const float x1 = rx + static_cast<float>(width);
    const float y1 = ry + static_cast<float>(height);
    // Window depth z back to the eye z of the orthographic projection below.
    const float z = 1.0f - 2.0f * raster[2];

    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT | GL_POLYGON_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glDisable(GL_TEXTURE_1D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_CULL_FACE);
    glDisable(GL_POLYGON_STIPPLE);
    glDisable(GL_POLYGON_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, store.name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex3f(rx, ry, z);
    glTexCoord2f(s1, t0);
    glVertex3f(x1, ry, z);
    glTexCoord2f(s1, t1);
    glVertex3f(x1, y1, z);
    glTexCoord2f(s0, t1);
    glVertex3f(rx, y1, z);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
    glTexCoord4fv(texCoord);
}

} // namespace Lumidraft
