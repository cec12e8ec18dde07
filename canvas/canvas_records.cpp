// What a canvas keeps of its run: the totals for the line printed at close, the console changes
// stamped with the flip at which they took effect, and the optional per-flip timing log.
#include "canvas/canvas.h"

#include "app/exception.h"
#include "app/run_environment.h"
#include "canvas/active_canvas.h"
#include "canvas/timing_log.h"
#include "console/console_changes.h"
#include "platform/input.h"

#include <iostream>
#include <typeinfo>

namespace Lumidraft {

namespace {

double ticksToMs(std::int64_t ticks)
{
    return ticksPerMillisecond > 0 ? static_cast<double>(ticks) / static_cast<double>(ticksPerMillisecond) : 0.0;
}

// A closed window ends the process without unwinding: the current canvas's records first.
void beforeProcessExit()
{
    if (Canvas* canvas = ActiveCanvas::currentCanvas())
        canvas->closeRecords();
}

} // namespace

void Canvas::startRecords()
{
    openTicks_ = frameClock_.ticks();
    lastReturnTicks_ = openTicks_;
    flipsRecorded_ = 0;
    summary_ = detail::FlipSummary{};
    tag_.clear();
    console::reserveHistory();
    // The run's timing log goes with the current canvas only, so that a second canvas does not
    // write over the first one's file.
    const std::string& path = runEnvironment().timingLog;
    if (!path.empty() && ActiveCanvas::currentCanvas() == this) {
        try {
            logTiming(path);
        } catch (const Exception& e) {
            throw Exception(typeid(Canvas), "CONFIGURATION ERROR", "LUMIDRAFT_TIMING_LOG: " + e.message());
        }
    }
    recording_ = true;
    setBeforeProcessExit(&beforeProcessExit);
}

void Canvas::logTiming(const std::string& path)
{
    requireOpened();
    if (timingLog_) {
        timingLog_->finish(summary_.line(refreshHz_));
        timingLog_.reset();
    }
    if (path.empty())
        return;
    auto log = std::make_unique<detail::TimingLog>(path, refreshPeriod_);
    log->setTag(tag_);
    timingLog_ = std::move(log);
}

void Canvas::tag(const std::string& text)
{
    tag_ = text;
    if (timingLog_)
        timingLog_->setTag(text);
}

void Canvas::recordFlip(int n, int missed, const Clock& now) noexcept
{
    if (!recording_)
        return;
    const std::int64_t ticks = now.ticks();
    const double intervalMs = ticksToMs(ticks - lastReturnTicks_);
    const double flipMs = ticksToMs(ticks - openTicks_);
    lastReturnTicks_ = ticks;
    ++flipsRecorded_;
    summary_.add(intervalMs, missed);

    const ConsoleChange* changes = nullptr;
    const std::size_t changeCount = console::pendingChanges(changes);
    if (timingLog_) {
        detail::FlipRow row;
        row.frame = flipsRecorded_;
        row.refreshesAsked = n;
        row.missed = missed;
        row.flipMs = flipMs;
        row.intervalMs = intervalMs;
        timingLog_->append(row, changes, changeCount);
    }
    if (changeCount > 0) {
        try {
            console::stampPendingChanges(flipsRecorded_, flipMs);
        } catch (...) {
            // Only when the reserved history had to grow and could not: the change is in the log.
        }
    }
}

void Canvas::closeRecords() noexcept
{
    if (!recording_)
        return;
    recording_ = false;
    try {
        const std::string line = summary_.line(refreshHz_);
        if (timingLog_) {
            timingLog_->finish(line);
            timingLog_.reset();
        }
        std::cerr << line << std::endl;
    } catch (...) {
        // Closing must not fail because stderr or memory did.
    }
}

} // namespace Lumidraft
