// The run-script player. Frame N is the N-th flip of the current canvas; its events join the
// script backend's queue when that flip returns (so the experiment's next query sees them) and
// its captures read what that flip presented: the script backend draws into a single buffer, so
// after the swap the back buffer holds the presented picture.
#include "run/player.h"

#include "app/exception.h"
#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "geometry/rectangle.h"
#include "image/image.h"
#include "platform/script/script_backend.h"
#include "run/capture_file.h"

#include <cmath>
#include <typeinfo>

namespace Lumidraft::run {

namespace {

platform::Message keyMessage(bool down, unsigned vk)
{
    return {down ? platform::msg::keyDown : platform::msg::keyUp, vk, 0};
}

platform::Message buttonMessage(bool down, int button)
{
    namespace msg = platform::msg;
    static constexpr unsigned downIds[3] = {msg::lButtonDown, msg::rButtonDown, msg::mButtonDown};
    static constexpr unsigned upIds[3] = {msg::lButtonUp, msg::rButtonUp, msg::mButtonUp};
    return {down ? downIds[button] : upIds[button], 0, 0};
}

} // namespace

Player::Player(const RunScript& script, platform::ScriptBackend& machine)
    : script_(script), machine_(machine), fired_(script.instructions.size(), false)
{
    const long double frequency = static_cast<long double>(machine.frequency());
    for (const Instruction& instruction : script.instructions)
        dueTicks_.push_back(instruction.when == Instruction::atTime
                                ? static_cast<std::int64_t>(std::llround(instruction.seconds * frequency))
                                : 0);
}

void Player::schedule(std::int64_t frame, int pump, const platform::Message& message)
{
    if (frame == frame_)
        scheduleNow(pump, message);
    else
        later_.emplace(frame, message);
}

void Player::scheduleNow(int pump, const platform::Message& message)
{
    machine_.scheduleMessage(pumpBase_ + static_cast<std::uint64_t>(pump), message);
}

void Player::afterFlip(Canvas& canvas)
{
    const bool opening = ActiveCanvas::currentCanvas() != &canvas;
    if (opening && opened_) {
        // The opening's later flips: the canvas has opened when the last of them is presented.
        // Flips of another canvas after that are not the run's frames.
        if (frame_ == 0)
            openedAt_ = machine_.lastSwapCompletion();
        return;
    }
    // Whatever the last frame scheduled for pumps that never came, comes at the next pump.
    machine_.bringScheduledForward();
    pumpBase_ = machine_.peekCalls();
    if (opening) {
        opened_ = true;
        openedAt_ = machine_.lastSwapCompletion();
    } else {
        ++frame_;
        missed_ += canvas.missedFrames();
    }

    auto [first, last] = later_.equal_range(frame_);
    for (auto it = first; it != last; ++it)
        scheduleNow(1, it->second);
    later_.erase(first, last);

    const std::int64_t now = machine_.lastSwapCompletion() - openedAt_;
    for (std::size_t i = 0; i < script_.instructions.size(); ++i) {
        const Instruction& instruction = script_.instructions[i];
        bool due = false;
        switch (instruction.when) {
        case Instruction::atFrame: due = instruction.frame == frame_; break;
        // Time and periods count presented frames only; frame 0 presents nothing.
        case Instruction::atTime: due = frame_ > 0 && !fired_[i] && now >= dueTicks_[i]; break;
        case Instruction::everyFrames: due = frame_ > 0 && frame_ % instruction.frame == 0; break;
        }
        if (due) {
            fired_[i] = true;
            perform(instruction, canvas);
        }
    }

    if (script_.endFrame && frame_ >= *script_.endFrame)
        throw platform::ScriptedExit{3};
}

void Player::perform(const Instruction& instruction, Canvas& canvas)
{
    const Action& action = instruction.action;
    const int pump = instruction.when == Instruction::atFrame ? instruction.pump : 1;
    switch (action.kind) {
    case Action::press:
        schedule(frame_, pump, keyMessage(true, action.key));
        schedule(frame_ + 1, 1, keyMessage(false, action.key));
        break;
    case Action::click:
        schedule(frame_, pump, buttonMessage(true, action.button));
        schedule(frame_ + 1, 1, buttonMessage(false, action.button));
        break;
    case Action::down:
    case Action::up: {
        const bool down = action.kind == Action::down;
        schedule(frame_, pump, action.button >= 0 ? buttonMessage(down, action.button) : keyMessage(down, action.key));
        break;
    }
    case Action::move:
        machine_.scheduleCursorMove(pumpBase_ + static_cast<std::uint64_t>(pump), action.x, action.y);
        break;
    case Action::capture: {
        Image picture;
        Rectangle whole;
        whole.set(0.0, 0.0, canvas.getWidth() - 1.0, canvas.getHeight() - 1.0);
        canvas.capture(picture, whole);
        saveCapture(picture, capturePath(action.path, frame_));
        ++captured_;
        break;
    }
    }
}

} // namespace Lumidraft::run
