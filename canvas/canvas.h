// Canvas: the experiment's full-screen, double-buffered drawing surface in screen pixels (origin at
// the top-left, y downward), with refresh-paced frame flips, drawing primitives and text.
#pragma once

#include "canvas/flip_summary.h"
#include "geometry/color.h"
#include "geometry/point.h"
#include "geometry/rectangle.h"
#include "timing/clock.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Lumidraft {

class APICanvasProperties;
class Image;
namespace detail {
class TimingLog;
}

class Canvas {
public:
    // Thrown by value, not as an Exception.
    enum Error { alreadyOpened = 1 };

    // Constructs the members only; open() opens the window later.
    Canvas();
    // Construct and open in the display's current mode. mode is accepted and not consulted.
    explicit Canvas(int mode);
    // Construct and open in the given display mode; refreshHz is truncated toward zero.
    Canvas(int width, int height, int bitsPerPixel, double refreshHz, int mode);
    ~Canvas();

    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void open(int mode);
    void open(int width, int height, int bitsPerPixel, double refreshHz, int mode);
    // Closes and frees the platform window. Safe to call more than once.
    void dispose();
    bool isOpened() const { return opened_; }

    // Properties.
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    int getBitsPerPixel() const { return bitsPerPixel_; }
    double getRefreshHz() const { return refreshHz_; }
    // width / 2 and height / 2 in integer arithmetic.
    double getCenterX() const { return static_cast<double>(width_ / 2); }
    double getCenterY() const { return static_cast<double>(height_ / 2); }
    Point getCenter() const { return Point(getCenterX(), getCenterY()); }

    // Viewing geometry: physical size of the visible area, the observer's distance (any one unit)
    // and the pixel counts across it.
    void setViewingGeometry(double physicalWidth, double physicalHeight, double viewingDistance,
                            int horizontalPixels, int verticalPixels);
    int degreesToPixelsH(double degrees) const;
    int degreesToPixelsV(double degrees) const;
    int getHorizontalPixels() const { return horizontalPixels_; }
    int getVerticalPixels() const { return verticalPixels_; }

    void setBackgroundColor(Color color) { backgroundColor_ = color; }
    const Color& getBackgroundColor() const { return backgroundColor_; }

    // Frame flip: holds the previous frame for n refresh periods, swaps, and returns the number of
    // refreshes this flip missed.
    int flip();
    int flip(int n);
    // A frame count must be an integer: always raises.
    int flip(double n);
    void clear(Color color);
    void clear();

    // Counters and timing.
    void resetCounters();
    void restartClock();
    void showTiming() { showTiming_ = true; }
    void hideTiming() { showTiming_ = false; }
    int missedFrames() const { return missedAtLastFlip_; }
    // The counts published by the last flip.
    int getFrameCount() const { return publishedFrames_; }
    int getMissedCount() const { return publishedMissed_; }
    int getRefreshCount() const { return publishedRefreshes_; }
    // Milliseconds between the last two swaps (nominal for a multi-frame flip without a miss).
    double getLastInterval() const { return lastInterval_; }
    double getRefreshPeriod() const { return refreshPeriod_; }

    // Timing log: from the next flip on, one row per flip in memory reserved ahead, written to the
    // CSV at `path` (and an SVG picture beside it) when the canvas closes, however the run ends;
    // a writer thread also writes the rows once a second. A log already running is finished
    // first; an empty path just finishes it. Raises Exception (Canvas, "FILE ERROR") when the
    // file cannot be written.
    void logTiming(const std::string& path);
    // The tag the following flips' rows carry ("" for none), so trial phases can be told apart.
    void tag(const std::string& text);
    // Totals of the flips since the canvas opened, as the line printed at close shows them.
    const detail::FlipSummary& flipSummary() const { return summary_; }
    // Writes the timing log and its picture and prints the summary line: done by closing, and
    // by the pump before a closed window ends the process at once. Later calls do nothing.
    void closeRecords() noexcept;

    // Primitives; all draw into the back buffer except the progress bar.
    void drawPoint(double x, double y, const Color& color);
    void drawPoint(const Point& point, const Color& color);
    void drawPoint(int count, const double* x, const double* y, const Color* colors);
    void drawPoint(int count, const double* x, const double* y, const Color& color);
    void drawPoint(int count, const Point* points, const Color* colors);
    void drawLine(double x1, double y1, double x2, double y2, const Color& color);
    void drawLine(const Point& p1, const Point& p2, const Color& color);
    // Fills exactly the pixel columns left..right and rows top..bottom.
    void drawRect(const Rectangle& rect, const Color& color);
    void drawEllipse(const Rectangle& rect, const Color& color);
    // Copies the source region of the back buffer to the target's place; with fill set, then fills
    // the source with the colour.
    void copyRegion(const Rectangle& source, const Rectangle& target, bool fill, const Color& color);
    // Reads the region of the back buffer into the image, bottom row first, in the image's own
    // format. An image without a bitmap or smaller than the region becomes an RGB, BYTE image of
    // the region's size; a larger one keeps its format and takes the region at its bottom-left.
    void capture(Image& image, const Rectangle& rect);

    void setProgressBar(Rectangle rect, Color fill, Color back);
    void setProgressBar(double left, double top, double right, double bottom, Color fill, Color back);
    // Draws the bar filled to the fraction straight into the front buffer.
    void drawProgressBar(double fraction);

    // Text in the bitmap font; the baseline is at y, the first glyph's left edge at x.
    void drawText(const char* text, double x, double y, Color color);
    void drawText(const std::string& text, double x, double y, Color color);
    // Numbers in the segment font. Left-aligned: the first cell starts at x; right-aligned: the
    // last cell ends at x - 4 (cells are 12 pixels apart).
    void drawNumber(int value, double x, double y, Color color, bool leftAligned);
    void drawNumber(long value, double x, double y, Color color, bool leftAligned);
    void drawNumber(double value, double x, double y, Color color, bool leftAligned);

private:
    void construct();
    void finishOpening();
    void setUpGLState();
    void requireOpened() const;
    void drawTimingReadout();
    // After each swap: the run's totals, the console changes and the timing log's row.
    void recordFlip(int n, int missed, const Clock& now) noexcept;
    void startRecords();
    void drawDigits(const std::string& text, double x, double y, const Color& color, bool leftAligned);

    Color backgroundColor_;
    double physicalWidth_ = 0.0;
    double physicalHeight_ = 0.0;
    double viewingDistance_ = 0.0;
    std::int32_t horizontalPixels_ = 0;
    std::int32_t verticalPixels_ = 0;
    std::int32_t publishedFrames_ = 0;
    std::int32_t publishedMissed_ = 0;
    std::int32_t publishedRefreshes_ = 0;
    std::int32_t previousMissed_ = 0;
    bool opened_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t bitsPerPixel_ = 0;
    double refreshHz_ = 0.0;
    Clock frameClock_;
    bool showTiming_ = false;
    double lastInterval_ = 0.0;
    double refreshPeriod_ = 0.0;
    double tolerance_ = 0.2;
    std::int32_t frameTotal_ = 0;
    std::int32_t missedTotal_ = 0;
    std::int32_t missedAtLastFlip_ = 0;
    Rectangle progressBar_;
    Color progressFill_;
    Color progressBack_;
    Color progressOverflow_;
    std::unique_ptr<APICanvasProperties> window_;

    // The run's records, kept from the end of opening (the opening flips are not counted).
    bool recording_ = false;
    std::int64_t openTicks_ = 0;
    std::int64_t lastReturnTicks_ = 0;
    std::int64_t flipsRecorded_ = 0;
    detail::FlipSummary summary_;
    std::string tag_;
    std::unique_ptr<detail::TimingLog> timingLog_;
};

} // namespace Lumidraft
