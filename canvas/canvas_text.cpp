// Text in the bitmap font and numbers in the segment font.
#include "canvas/canvas.h"

#include "canvas/display_lists.h"
#include "platform/gl.h"

#include <cmath>
#include <sstream>

namespace Lumidraft {

namespace {

// Advance between the cells of segment-font text.
constexpr GLfloat segmentAdvance = 12.0f;

inline void setColor(const Color& color)
{
    glColor4f(static_cast<GLfloat>(color.r), static_cast<GLfloat>(color.g),
              static_cast<GLfloat>(color.b), static_cast<GLfloat>(color.a));
}

template <typename T>
std::string formatted(T value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

} // namespace

void Canvas::drawText(const char* text, double x, double y, Color color)
{
    requireOpened();
    glPushMatrix();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    // The colour goes first: the raster position takes the current colour when it is set.
    setColor(color);
    glRasterPos2d(std::trunc(x), std::trunc(y));
    if (text) {
        for (const char* c = text; *c; ++c)
            glCallList(detail::displayLists.bitmapFont[detail::glyphCode(*c)]);
    }
    glPopAttrib();
    glPopMatrix();
}

void Canvas::drawText(const std::string& text, double x, double y, Color color)
{
    drawText(text.c_str(), x, y, color);
}

void Canvas::drawNumber(int value, double x, double y, Color color, bool leftAligned)
{
    drawDigits(formatted(value), x, y, color, leftAligned);
}

void Canvas::drawNumber(long value, double x, double y, Color color, bool leftAligned)
{
    drawDigits(formatted(value), x, y, color, leftAligned);
}

void Canvas::drawNumber(double value, double x, double y, Color color, bool leftAligned)
{
    drawDigits(formatted(value), x, y, color, leftAligned);
}

void Canvas::drawDigits(const std::string& text, double x, double y, const Color& color, bool leftAligned)
{
    requireOpened();
    glPushMatrix();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    setColor(color);
    if (leftAligned) {
        glTranslatef(static_cast<GLfloat>(x - segmentAdvance), static_cast<GLfloat>(y), 0.0f);
        for (char c : text) {
            glTranslatef(segmentAdvance, 0.0f, 0.0f);
            glCallList(detail::displayLists.segmentFont[detail::glyphCode(c)]);
        }
    } else {
        glTranslatef(static_cast<GLfloat>(x), static_cast<GLfloat>(y), 0.0f);
        for (auto c = text.rbegin(); c != text.rend(); ++c) {
            glTranslatef(-segmentAdvance, 0.0f, 0.0f);
            glCallList(detail::displayLists.segmentFont[detail::glyphCode(*c)]);
        }
    }
    glPopAttrib();
    glPopMatrix();
}

} // namespace Lumidraft
