// Compiling the segment font, the bitmap font and the ellipse outlines into display lists.
#include "canvas/display_lists.h"

#include "canvas/font_data.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

namespace Lumidraft::detail {

DisplayLists displayLists;

namespace {

// Scales one coordinate pair of a unit segment: a pair on one line is multiplied out, a pair that
// spans the segment starts one pixel in, so strokes meet without overlapping.
void scalePair(int unit1, int unit2, int length, int& pixel1, int& pixel2)
{
    if (unit1 == unit2) {
        pixel1 = unit1 * length;
        pixel2 = unit2 * length;
    } else {
        pixel1 = unit1 * length + 1;
        pixel2 = unit2 * length;
    }
}

} // namespace

void buildSegmentFont()
{
    const int L = fontdata::segmentLength;
    struct PixelSegment {
        int x1, y1, x2, y2;
    } segments[7];
    for (int k = 0; k < 7; ++k) {
        const auto& unit = fontdata::segments[k];
        auto& pixel = segments[k];
        scalePair(unit.x1, unit.x2, L, pixel.x1, pixel.x2);
        scalePair(unit.y1, unit.y2, L, pixel.y1, pixel.y2);
        // The glyph's bottom edge is at y = 0.
        pixel.y1 -= 2 * L;
        pixel.y2 -= 2 * L;
    }

    const GLuint base = glGenLists(128);
    for (int c = 0; c < 128; ++c)
        displayLists.segmentFont[c] = base ? base + c : 0;
    if (base) {
        for (int c = 0; c < 128; ++c) {
            glNewList(base + c, GL_COMPILE);
            const unsigned mask = fontdata::segmentMasks[c];
            if (mask) {
                glBegin(GL_LINES);
                for (int k = 0; k < 7; ++k) {
                    if (mask & (1u << k)) {
                        glVertex2i(segments[k].x1, segments[k].y1);
                        glVertex2i(segments[k].x2, segments[k].y2);
                    }
                }
            } else {
                // No segments: one dot at the bottom-right corner, which is what the full stop needs.
                glBegin(GL_POINTS);
                glVertex2i(8, 0);
            }
            glEnd();
            glEndList();
        }
    }
    displayLists.segmentLineHeight = 2 * L + 3;
}

void buildBitmapFont()
{
    compileBitmapFont(glGenLists(128));
}

void compileBitmapFont(GLuint base)
{
    if (base == 0) {
        std::cout << "Can't generate fonts." << std::endl;
        std::abort();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    constexpr int rows = fontdata::glyphRows;
    for (int c = 0; c < 128; ++c) {
        displayLists.bitmapFont[c] = base + c;
        // glBitmap wants the bottom row first.
        GLubyte reversed[rows];
        for (int r = 0; r < rows; ++r)
            reversed[r] = fontdata::glyphs[c][rows - 1 - r];
        const int width = fontdata::glyphWidths[c];
        glNewList(base + c, GL_COMPILE);
        glBitmap(width, rows, 0.0f, 0.0f, static_cast<GLfloat>(width + 1), 0.0f, reversed);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

void buildEllipseLists()
{
    constexpr double pi = 3.14159265358979;
    for (int k = 0; k < 4; ++k) {
        // 25, about 34.49, 47.59 and 65.66: 25, 35, 48 and 66 vertices on the circle.
        const double n = std::pow(5.0, 2.0 + 0.2 * k);
        const GLuint list = glGenLists(1);
        displayLists.ellipse[k] = list;
        if (!list)
            continue;
        glNewList(list, GL_COMPILE);
        glBegin(GL_POLYGON);
        for (int j = 0; j < n; ++j) {
            const double angle = 2.0 * j * pi / n;
            glVertex2f(static_cast<GLfloat>(std::cos(angle) / 2 + 0.5), static_cast<GLfloat>(std::sin(angle) / 2 + 0.5));
        }
        glVertex2f(1.0f, 0.5f);
        glEnd();
        glEndList();
    }
}

int ellipseListIndex(double width)
{
    if (width < 8)
        return 0;
    if (width < 64)
        return 1;
    if (width < 512)
        return 2;
    return 3;
}

} // namespace Lumidraft::detail
