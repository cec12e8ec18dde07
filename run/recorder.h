// The recorder: stands between a real backend and the pump and notes every key, button and
// cursor change the pump takes, by frame and pump, so that a session can be replayed as a run
// script on the script backend. Notes go to memory reserved up front; the file is written once,
// when the program ends (normally, on an error, or from the pump on a close or quit).
#pragma once

#include "platform/backend.h"

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Lumidraft {
class Canvas;
}

namespace Lumidraft::run {

class RecordingBackend : public platform::Backend {
public:
    // The file is opened (and emptied) now; check isOpen.
    RecordingBackend(std::unique_ptr<platform::Backend> real, const std::string& path);
    ~RecordingBackend() override;

    bool isOpen() const { return file_.is_open(); }
    void setSeed(std::uint32_t seed) { seed_ = seed; }
    // Frames as the player counts them: flips of the current canvas.
    void afterFlip(Canvas& canvas);
    // Writes the recording; later calls do nothing.
    void write();

    const char* name() const override { return real_->name(); }
    bool counterFrequency(std::int64_t& ticksPerSecond) override { return real_->counterFrequency(ticksPerSecond); }
    std::int64_t counterValue() override { return real_->counterValue(); }
    void setNormalPriority() override { real_->setNormalPriority(); }
    void messageBox(const std::string& text, const std::string& caption) override;
    [[noreturn]] void exitProcess(int code) override;
    std::string lastErrorText() override { return real_->lastErrorText(); }
    bool registerWindowClass(const std::string& className, platform::WindowProcedure procedure) override
    {
        return real_->registerWindowClass(className, procedure);
    }
    platform::DisplayMode currentMode() override { return real_->currentMode(); }
    bool changeDisplayMode(const platform::DisplayMode& mode) override { return real_->changeDisplayMode(mode); }
    void restoreDisplayMode() override { real_->restoreDisplayMode(); }
    void showCursor(bool visible) override { real_->showCursor(visible); }
    void screenSize(int& width, int& height) override { real_->screenSize(width, height); }
    std::unique_ptr<platform::Window> createWindow(const std::string& className, const std::string& title, int x,
                                                   int y, int width, int height) override
    {
        return real_->createWindow(className, title, x, y, width, height);
    }
    bool peekMessage(platform::Message& out) override;
    void dispatchMessage(const platform::Message& message) override { real_->dispatchMessage(message); }
    void postQuitMessage(int exitCode) override { real_->postQuitMessage(exitCode); }
    void keyboardState(std::uint8_t table[256]) override { real_->keyboardState(table); }
    void cursorPosition(int& x, int& y) override;
    void setCursorPosition(int x, int y) override { real_->setCursorPosition(x, y); }

private:
    struct Note {
        std::int64_t frame;
        std::uint32_t pump;
        unsigned id; // message id, or 0 for a cursor move
        int a, b;    // key: virtual-key code; button: -; move: x, y
    };
    void note(unsigned id, int a, int b);

    std::unique_ptr<platform::Backend> real_;
    std::string path_;
    std::ofstream file_;
    std::vector<Note> notes_;
    bool started_ = false;
    bool opened_ = false;
    bool written_ = false;
    std::int64_t frame_ = 0;
    std::uint32_t pump_ = 0;
    std::optional<std::pair<int, int>> cursor_;
    std::optional<platform::DisplayMode> display_;
    std::optional<std::uint32_t> seed_;
};

} // namespace Lumidraft::run
