// The current canvas and the free functions that forward to it.
#include "canvas/active_canvas.h"

#include "app/exception.h"

#include <typeinfo>

namespace Lumidraft::ActiveCanvas {

namespace {

// The first canvas to finish opening. Once that canvas is destroyed, `retired` keeps later canvases
// from taking its place, as the current canvas never changes during a process.
Canvas* current = nullptr;
bool retired = false;

Canvas& open()
{
    if (!current || !current->isOpened())
        throw Exception(typeid(Canvas), "API ERROR", "No canvas is open.");
    return *current;
}

} // namespace

Canvas* currentCanvas() noexcept
{
    return current && current->isOpened() ? current : nullptr;
}

namespace detail {

void canvasOpened(Canvas* canvas) noexcept
{
    if (!current && !retired)
        current = canvas;
}

void canvasDestroyed(Canvas* canvas) noexcept
{
    if (current == canvas) {
        current = nullptr;
        retired = true;
    }
}

void forgetCurrentCanvas() noexcept
{
    current = nullptr;
    retired = false;
}

} // namespace detail

int flip() { return open().flip(); }
int flip(int n) { return open().flip(n); }
int flip(double n) { return open().flip(n); }
void clear(Color color) { open().clear(color); }
void clear() { open().clear(); }
void setBackgroundColor(Color color) { open().setBackgroundColor(color); }

void copyRegion(const Rectangle& source, const Rectangle& target, bool fill, const Color& color)
{
    open().copyRegion(source, target, fill, color);
}

void drawPoint(double x, double y, const Color& color) { open().drawPoint(x, y, color); }
void drawPoint(const Point& point, const Color& color) { open().drawPoint(point, color); }

void drawPoint(int count, const double* x, const double* y, const Color* colors)
{
    open().drawPoint(count, x, y, colors);
}

void drawPoint(int count, const double* x, const double* y, const Color& color)
{
    open().drawPoint(count, x, y, color);
}

void drawPoint(int count, const Point* points, const Color* colors)
{
    open().drawPoint(count, points, colors);
}

void drawLine(double x1, double y1, double x2, double y2, const Color& color)
{
    open().drawLine(x1, y1, x2, y2, color);
}

void drawLine(const Point& p1, const Point& p2, const Color& color) { open().drawLine(p1, p2, color); }
void drawRect(const Rectangle& rect, const Color& color) { open().drawRect(rect, color); }
void drawEllipse(const Rectangle& rect, const Color& color) { open().drawEllipse(rect, color); }

void resetCounters() { open().resetCounters(); }
void restartClock() { open().restartClock(); }
void showTiming() { open().showTiming(); }
void hideTiming() { open().hideTiming(); }
int missedFrames() { return open().missedFrames(); }
void logTiming(const std::string& path) { open().logTiming(path); }
void tag(const std::string& text) { open().tag(text); }

void setProgressBar(Rectangle rect, Color fill, Color back) { open().setProgressBar(rect, fill, back); }

void setProgressBar(double left, double top, double right, double bottom, Color fill, Color back)
{
    open().setProgressBar(left, top, right, bottom, fill, back);
}

void drawProgressBar(double fraction) { open().drawProgressBar(fraction); }

void drawText(const char* text, double x, double y, Color color) { open().drawText(text, x, y, color); }

void drawText(const std::string& text, double x, double y, Color color)
{
    open().drawText(text, x, y, color);
}

void drawNumber(int value, double x, double y, Color color, bool leftAligned)
{
    open().drawNumber(value, x, y, color, leftAligned);
}

void drawNumber(long value, double x, double y, Color color, bool leftAligned)
{
    open().drawNumber(value, x, y, color, leftAligned);
}

void drawNumber(double value, double x, double y, Color color, bool leftAligned)
{
    open().drawNumber(value, x, y, color, leftAligned);
}

int getWidth() { return open().getWidth(); }
int getHeight() { return open().getHeight(); }
int getBitsPerPixel() { return open().getBitsPerPixel(); }
double getRefreshHz() { return open().getRefreshHz(); }
double getCenterX() { return open().getCenterX(); }
double getCenterY() { return open().getCenterY(); }
Point getCenter() { return open().getCenter(); }

} // namespace Lumidraft::ActiveCanvas
