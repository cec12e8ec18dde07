// Simple reaction time: a fixation point, then after a random wait (the foreperiod) a white disc.
// Press Space as soon as the disc appears. Pressing during the wait is "too early": the trial is
// shown a warning and run again with a new wait. The reaction time is measured from the flip that
// put the disc on the screen to the moment the key press is seen.
//
// While it runs, the console (top left) tunes the disc's size with the arrow keys.
// Escape ends the session early. One row per trial goes to results/reaction-time.csv.
#include "lumidraft.h"

using namespace Lumidraft;

namespace {

// Shows the background and the fixation point for one frame; false when Escape was pressed.
bool fixationFrame()
{
    ActiveCanvas::clear(Color(0.3));
    ActiveCanvas::drawEllipse(Rectangle(6, 6).centerAt(), Color(0.0));
    ActiveCanvas::flip();
    return !queryKey(escape, pushed);
}

} // namespace

void experimentMain()
{
    const int trials = 4;
    const int responseFrames = 90; // 1.5 s at 60 Hz to answer, then the trial counts as a miss

    // The disc's diameter in pixels; on the console Left and Right change it by 20 (40 with Shift).
    double targetSize = 80.0;
    Range rng;
    registerVariable(targetSize).label("Target Size").range(10 <= rng <= 300).step(40).step(20);

    DataFile data("results/reaction-time.csv");
    ActiveCanvas::logTiming("results/reaction-time-timing.csv");

    int trial = 1;
    int earlyCount = 0; // too-early presses in the current trial
    while (trial <= trials) {
        // The foreperiod, 0.5 to 1.5 s in whole frames. The run's seed fixes the sequence, so a
        // scripted run sees the same waits every time.
        const int foreperiod = 30 + random(61);

        ActiveCanvas::tag("foreperiod");
        bool early = false;
        for (int f = 0; f < foreperiod; ++f) {
            if (!fixationFrame())
                return;
            if (queryKey(space, pushed)) {
                early = true;
                break;
            }
        }
        if (early) {
            // Warn, then repeat the same trial with a fresh foreperiod.
            ++earlyCount;
            ActiveCanvas::tag("too early");
            for (int f = 0; f < 60; ++f) {
                ActiveCanvas::clear(Color(0.3));
                ActiveCanvas::drawText("Too early", ActiveCanvas::getCenterX() - 40,
                                       ActiveCanvas::getCenterY(), Color(1.0, 0.2, 0.2));
                ActiveCanvas::flip();
                if (queryKey(escape, pushed))
                    return;
            }
            continue;
        }

        // The target. The clock starts when the flip that shows it returns.
        ActiveCanvas::tag("target");
        Clock shown;
        double rt = -1; // stays negative for a miss
        for (int f = 0; f < responseFrames; ++f) {
            ActiveCanvas::clear(Color(0.3));
            ActiveCanvas::drawEllipse(Rectangle(targetSize, targetSize).centerAt(), Color(1.0));
            ActiveCanvas::flip();
            if (f == 0)
                shown.update();
            if (queryKey(escape, pushed))
                return;
            if (queryKey(space, pushed)) {
                rt = millisecondsSince(shown);
                break;
            }
        }

        data.row({{"trial", trial}, {"foreperiod_frames", foreperiod}, {"early_presses", earlyCount},
                  {"target_size", targetSize}, {"rt_ms", rt}});
        ++trial;
        earlyCount = 0;

        // A short blank between trials.
        ActiveCanvas::tag("blank");
        for (int f = 0; f < 30; ++f)
            if (!fixationFrame())
                return;
    }
}
