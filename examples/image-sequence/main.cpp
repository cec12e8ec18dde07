// Rapid serial presentation: the pictures in pictures/ (shipped beside this file) are shown one
// after the other, each for a fixed number of frames, twice through, after a short fixation.
// Press Space whenever you like; each press is written down with the frame it came in and the
// picture that was on the screen then, so the response can be related to the stream exactly.
//
// One row per press goes to results/image-sequence.csv. Escape ends the session early.
#include "lumidraft.h"

#include <string>
#include <vector>

using namespace Lumidraft;

// The build tells the program where the pictures are (see examples/CMakeLists.txt).
#ifndef IMAGE_SEQUENCE_PICTURES
#define IMAGE_SEQUENCE_PICTURES "pictures"
#endif

void experimentMain()
{
    const int pictureCount = 5;
    const int framesPerPicture = 6; // 100 ms at 60 Hz
    const int cycles = 2;
    const int fixationFrames = 30;

    // Load every picture before the stream starts, so no file is read while it runs.
    std::vector<Image> pictures;
    std::vector<std::string> names;
    for (int i = 1; i <= pictureCount; ++i) {
        names.push_back("picture-" + std::to_string(i) + ".png");
        pictures.emplace_back(std::string(IMAGE_SEQUENCE_PICTURES) + "/" + names.back());
        pictures.back().centerAt();
    }

    DataFile data("results/image-sequence.csv");
    ActiveCanvas::logTiming("results/image-sequence-timing.csv");

    // Our own count of flips: frame N is the N-th flip since the canvas opened, as in the run
    // script and the timing log.
    int frame = 0;
    int presses = 0;
    Clock streamStart;

    ActiveCanvas::tag("fixation");
    for (int f = 0; f < fixationFrames; ++f) {
        ActiveCanvas::clear(Color(0.5));
        ActiveCanvas::drawEllipse(Rectangle(6, 6).centerAt(), Color(0.0));
        ActiveCanvas::flip();
        ++frame;
        if (queryKey(escape, pushed))
            return;
    }

    ActiveCanvas::tag("stream");
    const int presentations = pictureCount * cycles;
    for (int p = 0; p < presentations; ++p) {
        const int shown = p % pictureCount;
        for (int f = 0; f < framesPerPicture; ++f) {
            ActiveCanvas::clear(Color(0.5));
            pictures[shown].draw();
            ActiveCanvas::flip();
            ++frame;
            if (p == 0 && f == 0)
                streamStart.update();
            if (queryKey(escape, pushed))
                return;
            // A press seen now came in during the frame just presented.
            if (queryKey(space, pushed)) {
                const double ms = millisecondsSince(streamStart);
                data.row({{"press", ++presses}, {"frame", frame}, {"presentation", p + 1},
                          {"picture", names[shown]}, {"frame_in_picture", f + 1}, {"time_ms", ms}});
            }
        }
    }

    // A blank frame ends the stream cleanly.
    ActiveCanvas::tag("end");
    ActiveCanvas::clear(Color(0.5));
    ActiveCanvas::flip();
}
