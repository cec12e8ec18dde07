// Contrast detection, two-interval forced choice. Each trial shows two intervals; a Gabor patch
// (a grating under a Gaussian window) appears in one of them. Press 1 or 2 for the interval you
// think held it. The contrast follows a 1-up-2-down staircase: two correct answers in a row lower
// it, one wrong answer raises it, so it settles where about 71% of answers are correct.
//
// One row per trial goes to results/contrast-detection.csv, and the timing log tags every flip
// with the trial phase it belongs to. Escape ends the session early.
#include "lumidraft.h"

#include <algorithm>

using namespace Lumidraft;

namespace {

const Color background(0.5);

// Frames of each phase at 60 Hz.
const int fixationFrames = 30;
const int intervalFrames = 20;
const int gapFrames = 30;

// The patch at full contrast: a cosine grating (16 pixels a cycle, peak at the centre) times a
// Gaussian window (sigma 20 pixels), values from -1 to 1, on a 129 x 129 grid centred at 0.
Matrix makeGabor()
{
    Range rows, cols;
    -64 <= rows <= 64;
    -64 <= cols <= 64;
    const Matrix grating = gridSum(ZeroWave(), rows, CosineWave(16.0, 1.0, Angle()), cols);
    const Matrix window = gaussianWindow(129, 129, 20.0);
    return elementwise(grating) * window;
}

void drawFixation()
{
    ActiveCanvas::drawEllipse(Rectangle(6, 6).centerAt(), Color(0.0));
}

// Shows `frames` frames of the background and the fixation point, with the patch when one is
// given. False when Escape was pressed.
bool showPhase(int frames, Image* patch)
{
    for (int f = 0; f < frames; ++f) {
        ActiveCanvas::clear(background);
        if (patch)
            patch->draw();
        drawFixation();
        ActiveCanvas::flip();
        if (queryKey(escape, pushed))
            return false;
    }
    return true;
}

} // namespace

void experimentMain()
{
    const int trials = 8;
    const double stepFactor = 0.7; // one staircase step: contrast x 0.7 down, / 0.7 up

    const Matrix gabor = makeGabor();
    // The patch as drawn: grey 0.5 plus half the contrast times the Gabor, as a FLOAT image.
    Image patch(129, 129, Image::GRAY, Image::FLOAT);
    patch.centerAt();

    DataFile data("results/contrast-detection.csv");
    ActiveCanvas::logTiming("results/contrast-detection-timing.csv");

    double contrast = 0.5;
    int correctInARow = 0;
    for (int trial = 1; trial <= trials; ++trial) {
        const Matrix shown = gabor * (contrast / 2) + 0.5;
        patch.fromMatrices(shown);
        const int target = 1 + random(2); // the interval that holds the patch

        ActiveCanvas::tag("fixation");
        if (!showPhase(fixationFrames, nullptr))
            return;
        ActiveCanvas::tag("interval 1");
        if (!showPhase(intervalFrames, target == 1 ? &patch : nullptr))
            return;
        ActiveCanvas::tag("gap");
        if (!showPhase(gapFrames, nullptr))
            return;
        ActiveCanvas::tag("interval 2");
        if (!showPhase(intervalFrames, target == 2 ? &patch : nullptr))
            return;

        // The answer: 1 or 2, timed from the flip that showed the response screen.
        ActiveCanvas::tag("response");
        Clock asked;
        int answer = 0;
        for (int f = 0; answer == 0; ++f) {
            ActiveCanvas::clear(background);
            ActiveCanvas::drawText("1 or 2?", ActiveCanvas::getCenterX() - 28, ActiveCanvas::getCenterY() + 30,
                                   Color(0.0));
            ActiveCanvas::flip();
            if (f == 0)
                asked.update();
            if (queryKey(escape, pushed))
                return;
            if (queryKey(key1, pushed))
                answer = 1;
            else if (queryKey(key2, pushed))
                answer = 2;
        }
        const double rt = millisecondsSince(asked);
        const bool correct = answer == target;

        data.row({{"trial", trial}, {"contrast", contrast}, {"interval", target}, {"answer", answer},
                  {"correct", correct}, {"rt_ms", rt}});

        // 1-up-2-down.
        if (!correct) {
            contrast = std::min(1.0, contrast / stepFactor);
            correctInARow = 0;
        } else if (++correctInARow == 2) {
            contrast *= stepFactor;
            correctInARow = 0;
        }
    }
}
