// The frame flip with its refresh pacing and counters, clearing, and the timing readout.
#include "canvas/canvas.h"

#include "app/exception.h"
#include "canvas/active_canvas.h"
#include "canvas/display_lists.h"
#include "canvas/truncation.h"
#include "console/console_display.h"
#include "platform/canvas_properties.h"
#include "platform/gl.h"
#include "platform/input.h"
#include "run/session.h"

#include <cmath>
#include <typeinfo>

namespace Lumidraft {

int Canvas::flip()
{
    return flip(1);
}

int Canvas::flip(double /*n*/)
{
    throw Exception(typeid(Canvas), "Specification Error", "Canvas::flip can not accept float point number.");
}

int Canvas::flip(int n)
{
    if (n < 0)
        throw Exception(typeid(Canvas), "ARGUMENT ERROR", "flip-delay frames must be positive number.");
    requireOpened();

    // The console and the drawn cross-hair draw through the current canvas. During the opening
    // flips of the first canvas there is none yet: skip them rather than fail the opening (and the
    // opening's clear buffers stay clear).
    const bool overlays = ActiveCanvas::currentCanvas() != nullptr;

    // The console keys, then its panel in the back buffer.
    if (overlays)
        updateConsole();

    if (showTiming_)
        drawTimingReadout();

    // The drawn cross-hair, over everything else.
    if (overlays)
        drawCursor();

    glFlush();

    // Hold the previous frame until more than n - 1/2 refresh periods have passed since the last
    // swap; spinning, never sleeping, so the swap is not delayed by the scheduler.
    const double P = refreshPeriod_;
    const double holdUntil = (n - 0.5) * P;
    Clock now;
    while (!((now - frameClock_).milliseconds() > holdUntil))
        now.update();

    window_->swapBuffers();

    now.update();
    lastInterval_ = (now - frameClock_).milliseconds();
    frameClock_ = now;

    const std::int32_t missed = detail::truncateToInt(std::floor((lastInterval_ - (n - 1) * P + tolerance_) / P));
    missedAtLastFlip_ = missed;
    // The total lags one flip behind: it takes the previous flip's count.
    missedTotal_ = detail::saturatingAdd(missedTotal_, previousMissed_);
    if (missed == 0 && n > 1)
        lastInterval_ = n * P;
    frameTotal_ = detail::saturatingAdd(frameTotal_, n);

    publishedFrames_ = frameTotal_;
    publishedMissed_ = missedTotal_;
    publishedRefreshes_ = detail::saturatingAdd(missedTotal_, frameTotal_);
    previousMissed_ = missed;
    recordFlip(n, missed, now);
    // A scripted run queues this frame's input and saves its captures here; it may end the run.
    run::afterFlip(*this);
    return missed;
}

void Canvas::clear(Color color)
{
    requireOpened();
    glClearColor(static_cast<GLfloat>(color.r), static_cast<GLfloat>(color.g),
                 static_cast<GLfloat>(color.b), static_cast<GLfloat>(color.a));
    glClear(GL_COLOR_BUFFER_BIT);
}

void Canvas::clear()
{
    clear(backgroundColor_);
}

void Canvas::resetCounters()
{
    frameTotal_ = 0;
    missedTotal_ = 0;
    publishedFrames_ = 0;
    publishedMissed_ = 0;
    publishedRefreshes_ = 0;
}

void Canvas::restartClock()
{
    frameClock_.update();
}

// Three numbers in the top-right corner: missed refreshes, refreshes so far, and the last interval
// in milliseconds, as the previous flip left them.
void Canvas::drawTimingReadout()
{
    const int lineHeight = detail::displayLists.segmentLineHeight + 3;
    const double boxHeight = static_cast<int>(lineHeight * 3.5);
    Rectangle box;
    box.set(width_ - 100.0, 1.0, width_ - 2.0, boxHeight);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    drawRect(box, Color(0.0, 0.0, 0.0, 0.5));
    glPopAttrib();

    const double right = box.getRight() - 10.0;
    const double top = box.getTop();
    drawNumber(static_cast<int>(missedTotal_), right, top + 20.0, Color::red, false);
    drawNumber(static_cast<int>(detail::saturatingAdd(missedTotal_, frameTotal_)), right, top + lineHeight + 20.0,
               Color::white, false);

    Color intervalColor = Color::white;
    if (missedAtLastFlip_ > 0)
        intervalColor = Color::red;
    else if (lastInterval_ + tolerance_ > refreshPeriod_)
        intervalColor = Color::cyan;
    drawNumber(detail::truncateToInt(lastInterval_), right, top + 2.0 * lineHeight + 20.0,
               intervalColor, false);
}

} // namespace Lumidraft
