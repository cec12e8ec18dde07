// The two built-in fonts as plain data: the segment font's unit segments and per-code masks, and
// the bitmap font's glyph rows and widths. The canvas compiles its display lists from these tables.
#pragma once

namespace Lumidraft::fontdata {

inline constexpr int glyphCount = 128;

// Segment font: up to seven line segments per character, like a seven-segment display.

// Pixel length of one segment; the unit grid below is scaled by it.
inline constexpr int segmentLength = 8;
inline constexpr int segmentCount = 7;

// End points on the unit grid: x in 0..1, y in 0..2, y downward.
struct UnitSegment {
    int x1, y1, x2, y2;
};

// Indexed by segment number: 0 top, 1 upper left, 2 upper right, 3 middle, 4 lower left,
// 5 lower right, 6 bottom.
extern const UnitSegment segments[segmentCount];

// Bit k set means segment k is drawn; zero means the character has no segments.
extern const unsigned char segmentMasks[glyphCount];

// Bitmap font: variable-width glyphs drawn through the raster position.

inline constexpr int cellHeight = 8;
// Rows per glyph.
inline constexpr int glyphRows = cellHeight - 1;

// Top row first; in each row byte the most significant bit is the leftmost pixel.
extern const unsigned char glyphs[glyphCount][glyphRows];

// Pixel columns drawn per glyph; the pen advances by width + 1.
extern const unsigned char glyphWidths[glyphCount];

} // namespace Lumidraft::fontdata
