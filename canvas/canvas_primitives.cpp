// Points, lines, rectangles, ellipses, region copies and the progress bar.
#include "canvas/canvas.h"

#include "canvas/display_lists.h"
#include "canvas/truncation.h"
#include "platform/gl.h"

#include <cmath>

namespace Lumidraft {

namespace {

inline void setColor(const Color& color)
{
    glColor4f(static_cast<GLfloat>(color.r), static_cast<GLfloat>(color.g),
              static_cast<GLfloat>(color.b), static_cast<GLfloat>(color.a));
}

} // namespace

void Canvas::drawPoint(double x, double y, const Color& color)
{
    requireOpened();
    setColor(color);
    glBegin(GL_POINTS);
    glVertex2d(x, y);
    glEnd();
}

void Canvas::drawPoint(const Point& point, const Color& color)
{
    drawPoint(point.x, point.y, color);
}

void Canvas::drawPoint(int count, const double* x, const double* y, const Color* colors)
{
    requireOpened();
    glBegin(GL_POINTS);
    for (int i = 0; i < count; ++i) {
        setColor(colors[i]);
        glVertex2d(x[i], y[i]);
    }
    glEnd();
}

void Canvas::drawPoint(int count, const double* x, const double* y, const Color& color)
{
    requireOpened();
    setColor(color);
    glBegin(GL_POINTS);
    for (int i = 0; i < count; ++i)
        glVertex2d(x[i], y[i]);
    glEnd();
}

void Canvas::drawPoint(int count, const Point* points, const Color* colors)
{
    requireOpened();
    glBegin(GL_POINTS);
    for (int i = 0; i < count; ++i) {
        setColor(colors[i]);
        glVertex2d(points[i].x, points[i].y);
    }
    glEnd();
}

void Canvas::drawLine(double x1, double y1, double x2, double y2, const Color& color)
{
    requireOpened();
    setColor(color);
    glBegin(GL_LINES);
    glVertex2d(x1, y1);
    glVertex2d(x2, y2);
    glEnd();
}

void Canvas::drawLine(const Point& p1, const Point& p2, const Color& color)
{
    drawLine(p1.x, p1.y, p2.x, p2.y, color);
}

void Canvas::drawRect(const Rectangle& rect, const Color& color)
{
    requireOpened();
    setColor(color);
    // One past the inclusive right and bottom edges, so left == right is one pixel wide.
    glRectd(rect.left, rect.top, rect.right + 1.0, rect.bottom + 1.0);
}

void Canvas::drawEllipse(const Rectangle& rect, const Color& color)
{
    requireOpened();
    const double w = rect.getWidth();
    glPushMatrix();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    setColor(color);
    glTranslatef(static_cast<GLfloat>(rect.left), static_cast<GLfloat>(rect.top), 0.0f);
    // The vertical scale is the height plus one.
    glScalef(static_cast<GLfloat>(w), static_cast<GLfloat>(rect.getHeight() + 1.0), 1.0f);
    glCallList(detail::displayLists.ellipse[detail::ellipseListIndex(w)]);
    glPopAttrib();
    glPopMatrix();
}

// The copy addresses rows the way drawRect and image drawing do: the source's bottom row is window
// row (height - 1 - bottom), and the copy's bottom row lands on the target's bottom row.
void Canvas::copyRegion(const Rectangle& source, const Rectangle& target, bool fill, const Color& color)
{
    requireOpened();
    glRasterPos2d(target.left, target.bottom);
    // One window row down, by a zero-sized bitmap: the raster position stays valid even when the
    // target touches the canvas's bottom edge, where a position one row lower would be clipped.
    glBitmap(0, 0, 0.0f, 0.0f, 0.0f, -1.0f, nullptr);
    glCopyPixels(detail::truncateToInt(source.left), detail::truncateToInt(height_ - 1 - source.bottom),
                 detail::truncateToInt(source.getWidth()), detail::truncateToInt(source.getHeight()), GL_COLOR);
    if (fill)
        drawRect(source, color);
}

void Canvas::setProgressBar(Rectangle rect, Color fill, Color back)
{
    progressBar_ = rect;
    progressFill_ = fill;
    progressBack_ = back;
}

void Canvas::setProgressBar(double left, double top, double right, double bottom, Color fill, Color back)
{
    setProgressBar(Rectangle(left, top, right, bottom), fill, back);
}

void Canvas::drawProgressBar(double fraction)
{
    requireOpened();
    Color fill = progressFill_;
    if (fraction > 1.0) {
        fill = progressOverflow_;
        fraction = 1.0;
    }
    glDrawBuffer(GL_FRONT);
    drawRect(progressBar_, progressBack_);
    if (fraction > 0.0) {
        // A whole number of pixels: half of a 102-pixel bar is 51 pixels, all of it is the bar.
        const double filled = std::trunc(progressBar_.getWidth() * fraction);
        if (filled >= 1.0) {
            Rectangle part;
            part.set(progressBar_.left, progressBar_.top, progressBar_.left + filled - 1.0, progressBar_.bottom);
            drawRect(part, fill);
        }
    }
    glFlush();
    glDrawBuffer(GL_BACK);
}

} // namespace Lumidraft
