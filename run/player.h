// The player: turns a parsed run script into input for the script backend and captures, one
// frame at a time. The flip hands it every frame; it queues that frame's events so that they go
// through the same pump as an observer's, and saves the pictures the frame presented.
#pragma once

#include "run/run_script.h"

#include <cstdint>
#include <map>
#include <vector>

namespace Lumidraft {
class Canvas;
namespace platform {
class ScriptBackend;
}
} // namespace Lumidraft

namespace Lumidraft::run {

class Player {
public:
    // The machine must already run at the script's display rate and counter frequency.
    Player(const RunScript& script, platform::ScriptBackend& machine);

    // After every flip of every canvas. Flips before the current canvas exists are its opening;
    // the first of them starts the run (frame 0). Throws ScriptedExit{3} at the script's end.
    void afterFlip(Canvas& canvas);

    std::int64_t framesPresented() const { return frame_; }
    std::int64_t refreshesMissed() const { return missed_; }
    std::int64_t framesCaptured() const { return captured_; }

private:
    void perform(const Instruction& instruction, Canvas& canvas);
    void schedule(std::int64_t frame, int pump, const platform::Message& message);
    void scheduleNow(int pump, const platform::Message& message);

    const RunScript& script_;
    platform::ScriptBackend& machine_;
    bool opened_ = false;
    std::int64_t openedAt_ = 0; // counter at the opening's swap
    std::int64_t frame_ = 0;
    std::uint64_t pumpBase_ = 0; // peek calls when the last flip returned
    std::int64_t missed_ = 0;
    std::int64_t captured_ = 0;
    std::vector<std::int64_t> dueTicks_; // per instruction: atTime threshold in counter ticks
    std::vector<bool> fired_;
    // Releases that follow a press or click one frame later, by frame.
    std::multimap<std::int64_t, platform::Message> later_;
};

} // namespace Lumidraft::run
