// The display lists the canvas compiles while it opens: two fonts of 128 characters and four
// ellipse outlines. Internal to canvas/.
#pragma once

#include "platform/gl.h"

namespace Lumidraft::detail {

struct DisplayLists {
    // List names by character code; 0 where nothing was compiled (calling list 0 draws nothing).
    GLuint segmentFont[128] = {};
    GLuint bitmapFont[128] = {};
    // Height of a line of segment-font text, in pixels.
    int segmentLineHeight = 0;
    // Unit circles with 25, 35, 48 and 66 vertices.
    GLuint ellipse[4] = {};
};

// Process-wide: compiled again by every canvas that opens.
extern DisplayLists displayLists;

// Character code used for a byte that has no glyph in either font (128 to 255).
inline constexpr unsigned char placeholderCode = 0;

inline unsigned char glyphCode(char c)
{
    const auto code = static_cast<unsigned char>(c);
    return code < 128 ? code : placeholderCode;
}

void buildSegmentFont();
// Without list names for it, writes "Can't generate fonts." to standard output and aborts.
void buildBitmapFont();
// Compiles the bitmap font into lists base .. base + 127; a base of 0 takes the failure path.
void compileBitmapFont(GLuint base);
void buildEllipseLists();

// Which of the four ellipse lists an ellipse of this width uses.
int ellipseListIndex(double width);

} // namespace Lumidraft::detail
