// ActiveCanvas: free functions that act on the current canvas, the first canvas of the process to
// finish opening, so that drawing code need not carry a canvas around.
#pragma once

#include "canvas/canvas.h"

#include <string>

namespace Lumidraft::ActiveCanvas {

// The current canvas while it exists and is open, null otherwise; never raises. The entry point
// uses it to release the window before showing an error box.
Canvas* currentCanvas() noexcept;

// Every function below raises Exception (Canvas, "API ERROR", "No canvas is open.") when there is
// no open current canvas: none has opened yet, or it was disposed or destroyed.
int flip();
int flip(int n);
// A frame count must be an integer: raises like Canvas::flip(double).
int flip(double n);
void clear(Color color);
void clear();
void setBackgroundColor(Color color);
void copyRegion(const Rectangle& source, const Rectangle& target, bool fill, const Color& color);

void drawPoint(double x, double y, const Color& color);
void drawPoint(const Point& point, const Color& color);
void drawPoint(int count, const double* x, const double* y, const Color* colors);
void drawPoint(int count, const double* x, const double* y, const Color& color);
void drawPoint(int count, const Point* points, const Color* colors);
void drawLine(double x1, double y1, double x2, double y2, const Color& color);
void drawLine(const Point& p1, const Point& p2, const Color& color);
void drawRect(const Rectangle& rect, const Color& color);
void drawEllipse(const Rectangle& rect, const Color& color);

void resetCounters();
void restartClock();
void showTiming();
void hideTiming();
int missedFrames();
// The current canvas's timing log and the tag its rows carry (Canvas::logTiming, Canvas::tag).
void logTiming(const std::string& path);
void tag(const std::string& text);

void setProgressBar(Rectangle rect, Color fill, Color back);
void setProgressBar(double left, double top, double right, double bottom, Color fill, Color back);
void drawProgressBar(double fraction);

void drawText(const char* text, double x, double y, Color color);
void drawText(const std::string& text, double x, double y, Color color);
void drawNumber(int value, double x, double y, Color color, bool leftAligned);
void drawNumber(long value, double x, double y, Color color, bool leftAligned);
void drawNumber(double value, double x, double y, Color color, bool leftAligned);

int getWidth();
int getHeight();
int getBitsPerPixel();
double getRefreshHz();
double getCenterX();
double getCenterY();
Point getCenter();

} // namespace Lumidraft::ActiveCanvas

namespace Lumidraft::ActiveCanvas::detail {

// Called by Canvas: a canvas that finishes opening becomes current if no canvas ever was.
void canvasOpened(Canvas* canvas) noexcept;
// Called by Canvas's destructor: the reference is dropped and no later canvas takes its place.
void canvasDestroyed(Canvas* canvas) noexcept;
// Tests only: forget the current canvas entirely, so the next canvas to open becomes current.
void forgetCurrentCanvas() noexcept;

} // namespace Lumidraft::ActiveCanvas::detail
