// APIImageProperties: an image's platform companion. It holds the process-wide shelves that pack
// the images' copies into video memory, and the video-memory store itself: the canvas's second
// auxiliary colour buffer where the context has one, an off-screen texture of the canvas's size
// otherwise.
#pragma once

#include <cstdint>

namespace Lumidraft {

class APIImageProperties {
public:
    static constexpr std::int32_t vramShelfCount = 10;

    // The first construction in the process initialises the shelves.
    APIImageProperties();

    // Places a w x h block in a W x H store, shelves tried in order 1 to 9; x, y is its top-left
    // corner. Raises Exception (APIImageProperties, "Memory Error", "Image accelerater failed to
    // allocate VRAM.") when no shelf takes it, leaving the shelves unchanged.
    void allocateVram(int canvasWidth, int canvasHeight, int width, int height, int& x, int& y);

    // Shelf state, for inspection: the rightmost used column and the bottom row of shelf i.
    static std::int32_t shelfRight(int i);
    static std::int32_t shelfBottom(int i);
    // Forgets every placement: the shelves return to their initial state.
    static void resetVram();

    // ---- The store (needs the canvas's OpenGL context current) ----

    // Makes sure a store of the canvas's size exists in the current context. A store lost with an
    // earlier context (the canvas closed and opened again) is replaced, and the shelves start
    // afresh, since the copies they describe are gone. Raises the allocation error above when the
    // context can hold no store.
    static void prepareStore(int canvasWidth, int canvasHeight);
    // Identifies the store now in use; a copy made under another generation no longer exists.
    static std::uint32_t storeGeneration();
    // Whether copies made under this generation can still be drawn in the current context.
    static bool storeHolds(std::uint32_t generation, int canvasWidth, int canvasHeight);
    // Whether the store is the auxiliary buffer (false: a texture).
    static bool storeIsAuxBuffer();

    // Writes a pixel block (bottom row first, rows aligned to 4 bytes) into the store with its
    // top-left corner at (x, y), y downward, without blending. Leaves every state as it was.
    static void storeBlock(int x, int y, int width, int height, unsigned format, unsigned type,
                           const void* pixels, int canvasHeight);
    // Copies the block at (x, y) of the store to the current raster position, exactly as
    // glDrawPixels of the same pixels would draw it there with the fragment state in force.
    // Leaves every state as it was, the read buffer at GL_BACK.
    static void copyBlock(int x, int y, int width, int height, int canvasHeight);
};

} // namespace Lumidraft
