// The session recorder. Each note carries the frame (flips of the current canvas so far) and the
// pump within it (pumps since that flip returned, from 1). The player puts an event back at the
// same pump, and as the pump takes one message per call, the replayed program sees every message
// at the query where the observer's program saw it: held keys, Shift with arrows and clicks
// replay as they were pumped.
#include "run/recorder.h"

#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "run/key_names.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

namespace Lumidraft::run {

namespace msg = platform::msg;

RecordingBackend::RecordingBackend(std::unique_ptr<platform::Backend> real, const std::string& path)
    : real_(std::move(real)), path_(path), file_(path, std::ios::binary | std::ios::trunc)
{
    // An observer's session is minutes of key presses: reserved here, not grown inside a flip.
    notes_.reserve(1 << 16);
}

RecordingBackend::~RecordingBackend() { write(); }

void RecordingBackend::afterFlip(Canvas& canvas)
{
    const bool opening = ActiveCanvas::currentCanvas() != &canvas;
    if (opening && started_)
        return;
    started_ = true;
    pump_ = 0;
    if (!opening) {
        ++frame_;
        if (!opened_) {
            opened_ = true;
            display_ = platform::DisplayMode{canvas.getWidth(), canvas.getHeight(), canvas.getBitsPerPixel(),
                                             static_cast<int>(std::lround(canvas.getRefreshHz()))};
        }
    }
}

void RecordingBackend::note(unsigned id, int a, int b)
{
    // A cursor read before any pump of the frame belongs to its first pump.
    notes_.push_back({frame_, pump_ > 0 ? pump_ : 1u, id, a, b});
}

bool RecordingBackend::peekMessage(platform::Message& out)
{
    const bool got = real_->peekMessage(out);
    if (!started_)
        return got; // the canvas's opening drops a message; the run starts at its first flip
    ++pump_;
    if (!got)
        return false;
    switch (out.id) {
    case msg::keyDown:
    case msg::sysKeyDown: note(msg::keyDown, static_cast<int>(out.wParam), 0); break;
    case msg::keyUp:
    case msg::sysKeyUp: note(msg::keyUp, static_cast<int>(out.wParam), 0); break;
    case msg::lButtonDown: note(msg::lButtonDown, 0, 0); break;
    case msg::lButtonUp: note(msg::lButtonUp, 0, 0); break;
    case msg::rButtonDown: note(msg::rButtonDown, 1, 0); break;
    case msg::rButtonUp: note(msg::rButtonUp, 1, 0); break;
    case msg::mButtonDown: note(msg::mButtonDown, 2, 0); break;
    case msg::mButtonUp: note(msg::mButtonUp, 2, 0); break;
    // These end the process from the pump: the recording is written before that.
    case msg::close:
    case msg::destroy:
    case msg::quit: write(); break;
    default: break;
    }
    return true;
}

void RecordingBackend::cursorPosition(int& x, int& y)
{
    real_->cursorPosition(x, y);
    if (!started_)
        return;
    if (!cursor_ || cursor_->first != x || cursor_->second != y) {
        cursor_ = std::pair{x, y};
        note(0, x, y);
    }
}

void RecordingBackend::messageBox(const std::string& text, const std::string& caption)
{
    // The session is over once an error reaches the box: keep it even if the box is never closed.
    write();
    real_->messageBox(text, caption);
}

void RecordingBackend::exitProcess(int code)
{
    write();
    real_->exitProcess(code);
    std::abort(); // not reached: the real backend ends the process
}

void RecordingBackend::write()
{
    if (written_ || !file_.is_open())
        return;
    written_ = true;
    file_ << "# An observer's session, recorded on the " << real_->name()
          << " backend. Replay: LUMIDRAFT_BACKEND=script LUMIDRAFT_SCRIPT=" << path_ << '\n';
    if (display_)
        file_ << "display " << display_->width << ' ' << display_->height << ' ' << display_->refreshHz << '\n';
    if (seed_)
        file_ << "seed " << *seed_ << '\n';
    for (const Note& n : notes_) {
        file_ << "at frame " << n.frame;
        if (n.pump != 1)
            file_ << " pump " << n.pump;
        switch (n.id) {
        case 0: file_ << " move " << n.a << ' ' << n.b; break;
        case msg::keyDown: file_ << " down " << keyNameOf(static_cast<unsigned>(n.a)); break;
        case msg::keyUp: file_ << " up " << keyNameOf(static_cast<unsigned>(n.a)); break;
        case msg::lButtonDown:
        case msg::rButtonDown:
        case msg::mButtonDown: file_ << " down " << buttonName(n.a); break;
        default: file_ << " up " << buttonName(n.a); break;
        }
        file_ << '\n';
    }
    // A faithful replay ends where the session did, before this frame; one that drifts stops here
    // instead of running on with nobody at the keys.
    file_ << "end at frame " << frame_ + 1 << '\n';
    file_.flush();
    if (!file_)
        std::cerr << "Lumidraft: LUMIDRAFT_RECORD: the recording \"" << path_ << "\" could not be written\n";
}

} // namespace Lumidraft::run
