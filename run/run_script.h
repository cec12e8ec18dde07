// A run script: the instructions that drive an experiment without an observer, parsed in full
// before the experiment starts so that a mistake never surfaces half-way through a run.
//
//     display 1024 768 60            virtual display: width height refresh-Hz
//     seed 7                         random seed of the run (default 1)
//     at frame 30 press rightArrow   key down, up again one frame later
//     at frame 30 pump 3 down shift  at the third pump after that flip (recordings use this)
//     at 2.5 s click left            virtual time since the canvas opened
//     every 30 frames capture shots/frame-%05d.png
//     end at frame 1000
#pragma once

#include "platform/backend.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Lumidraft::run {

// A refused script; what() is "file:line: what is wrong".
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Action {
    enum Kind { press, down, up, move, click, capture };
    Kind kind = press;
    unsigned key = 0;   // virtual-key code, when button is -1
    int button = -1;    // 0 left, 1 right, 2 middle
    int x = 0, y = 0;   // move
    std::string path;   // capture; may hold one %d-style conversion for the frame number
};

struct Instruction {
    enum When { atFrame, atTime, everyFrames };
    When when = atFrame;
    std::int64_t frame = 0;  // atFrame: the frame; everyFrames: the period
    int pump = 1;            // atFrame: which pump after that flip, from 1
    double seconds = 0.0;    // atTime
    Action action;
    int line = 0;
};

struct RunScript {
    std::string name; // as the script was named, for messages
    platform::DisplayMode display{1024, 768, 32, 60};
    std::uint32_t seed = 1;
    std::optional<std::int64_t> endFrame;
    std::vector<Instruction> instructions;
};

// Throws ScriptError naming the line for the first mistake.
RunScript parseRunScript(std::istream& text, const std::string& name);
// Reads the file; an unreadable file is a ScriptError too ("name: cannot be read").
RunScript loadRunScript(const std::string& path);

// The capture path for a frame: the pattern's conversion filled with the frame number.
std::string capturePath(const std::string& pattern, std::int64_t frame);

} // namespace Lumidraft::run
