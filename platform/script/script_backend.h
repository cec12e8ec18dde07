// The scripted backend: a stand-in machine for tests and headless runs. Its counter, display
// modes, message queue, keyboard table and cursor are virtual and driven by the test through the
// control functions below; its windows draw with real OpenGL so tests read back real pixels.
//
// Typical use in a test:
//     auto& machine = Lumidraft::platform::useScriptBackend(); // fresh, installed as backend()
//     machine.setCounterFrequency(1'000'000);
//     machine.postKeyDown(0x1B);
//
// Exit: exitProcess records the code and throws ScriptedExit, so that no code runs after the
// "process" ended (as on a real machine). ScriptedExit derives from neither Exception nor
// std::exception and is not a const char*, so the entry point's handlers let it pass; tests catch
// it. Do not let it reach a destructor or a noexcept function.
#pragma once

#include "platform/backend.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Lumidraft::platform {

// Thrown by ScriptBackend::exitProcess in place of ending the process.
struct ScriptedExit {
    int code = 0;
};

class ScriptWindow;

class ScriptBackend : public Backend {
public:
    // Defaults: a 10 MHz counter at 0 that advances 10 ticks (1 us) per read; retraces at 60 Hz;
    // desktop mode 640x480, 32 bits, 60 Hz; listed modes 640x480x32@60, 800x600x32@60,
    // 1024x768x32@75; cursor at (0, 0); empty queue; key table all zero.
    ScriptBackend();
    ~ScriptBackend() override;
    ScriptBackend(const ScriptBackend&) = delete;
    ScriptBackend& operator=(const ScriptBackend&) = delete;

    // ---- Backend ----
    const char* name() const override { return "script"; }
    bool counterFrequency(std::int64_t& ticksPerSecond) override;
    // Returns the counter, then advances it by the read quantum.
    std::int64_t counterValue() override;
    void setNormalPriority() override;
    // Records the box and writes "[caption] text" to stderr; returns at once.
    void messageBox(const std::string& text, const std::string& caption) override;
    [[noreturn]] void exitProcess(int code) override;
    std::string lastErrorText() override;
    bool registerWindowClass(const std::string& className, WindowProcedure procedure) override;
    DisplayMode currentMode() override;
    // Succeeds when the listed modes hold one with the same width, height and bits and the same
    // refresh rate; a requested rate of 0 or 1 means "the display's default" and matches any.
    bool changeDisplayMode(const DisplayMode& mode) override;
    void restoreDisplayMode() override;
    // Keeps a display count as Windows does: visible while the count is >= 0.
    void showCursor(bool visible) override;
    void screenSize(int& width, int& height) override;
    std::unique_ptr<Window> createWindow(const std::string& className, const std::string& title, int x,
                                         int y, int width, int height) override;
    // Removes the oldest posted message; the quit message posted by postQuitMessage comes only
    // when nothing else is queued, as on Windows. Key and button messages update the key table
    // as they are removed.
    bool peekMessage(Message& out) override;
    // Recorded; then handed to the registered window procedure while a window exists.
    void dispatchMessage(const Message& message) override;
    void postQuitMessage(int exitCode) override;
    void keyboardState(std::uint8_t table[256]) override;
    void cursorPosition(int& x, int& y) override;
    // Moves the cursor, kept inside the screen of the current mode as Windows keeps it.
    void setCursorPosition(int x, int y) override;

    // ---- Counter ----
    // 0 (or less) makes a machine without a high-resolution counter.
    void setCounterFrequency(std::int64_t ticksPerSecond);
    std::int64_t frequency() const { return frequency_; }
    void setCounter(std::int64_t ticks) { counter_ = ticks; }
    // The counter now, without a read (does not advance it).
    std::int64_t counter() const { return counter_; }
    void advanceCounter(std::int64_t ticks) { counter_ += ticks; }
    // Ticks added after every counterValue() read (0 freezes the counter between swaps).
    void setReadQuantum(std::int64_t ticks) { readQuantum_ = ticks; }
    std::int64_t counterReads() const { return counterReads_; }

    // ---- Buffer swap timing ----
    // A swap first waits for the next retrace strictly after now (retraces at k * frequency / hz
    // ticks; 0 Hz: no waiting), then adds the extra delay. One-shot entries queued with
    // queueSwapAfterPrevious take precedence: that swap completes the given number of ticks after
    // the previous swap completed (or now, if that moment has passed), e.g. 16 ms, 17 ms, 34 ms.
    void setRetraceRate(double hz) { retraceHz_ = hz; }
    void setSwapExtraDelay(std::int64_t ticks) { swapExtraDelay_ = ticks; }
    void queueSwapAfterPrevious(std::int64_t ticks) { swapScript_.push_back(ticks); }
    int swapCount() const { return swapCount_; }
    std::int64_t lastSwapCompletion() const { return lastSwap_; }
    // Called by the script windows' swapBuffers.
    void simulateSwap();

    // ---- Display ----
    void setDisplayModes(std::vector<DisplayMode> modes) { modes_ = std::move(modes); }
    const std::vector<DisplayMode>& displayModes() const { return modes_; }
    // The desktop's own mode: in force now and again after restoreDisplayMode.
    void setDesktopMode(const DisplayMode& mode);
    const DisplayMode& desktopMode() const { return desktop_; }
    // Every mode asked of changeDisplayMode, successful or not.
    const std::vector<DisplayMode>& requestedModes() const { return requested_; }
    int restoreCount() const { return restores_; }
    bool modeSwitched() const { return switched_; }
    int cursorDisplayCount() const { return cursorCount_; }
    bool cursorVisible() const { return cursorCount_ >= 0; }

    // ---- Window class and windows ----
    struct WindowRecord {
        std::string className;
        std::string title;
        int x = 0, y = 0, width = 0, height = 0;
    };
    const std::vector<std::string>& registrationAttempts() const { return registrations_; }
    const std::vector<WindowRecord>& windowsCreated() const { return windows_; }
    int liveWindows() const { return static_cast<int>(live_.size()); }
    // The next createWindow calls return null while set.
    void failWindowCreation(bool fail) { failWindow_ = fail; }
    // attachGL reports this instead of building a context (ok: no injected failure).
    void failAttach(AttachResult result) { failAttach_ = result; }
    const std::vector<PixelFormatRequest>& pixelFormatRequests() const { return formats_; }
    // Show commands passed to Window::show, in order.
    const std::vector<int>& showCommands() const { return shows_; }
    int detachCount() const { return detaches_; }

    // ---- Messages ----
    void post(const Message& message) { queue_.push_back(message); }
    void postKeyDown(unsigned virtualKey);
    void postKeyUp(unsigned virtualKey);
    // Alt+F4: WM_SYSKEYDOWN with VK_F4.
    void postAltF4();
    // button: 0 left, 1 right, 2 middle.
    void postButton(int button, bool down);
    void postClose();
    void postDestroy();
    // WM_QUIT placed in the queue in order (unlike postQuitMessage).
    void postQuit(int exitCode = 0);
    // What the system does when it sends a message to the window: the window procedure runs
    // now, before anything queued. Returns whether the procedure handled it.
    bool sendToWindow(const Message& message);
    std::size_t pendingMessages() const { return queue_.size() + (quitPending_ ? 1u : 0u); }
    const std::vector<Message>& dispatched() const { return dispatched_; }
    bool quitPending() const { return quitPending_; }

    // ---- Input scheduled by pump (scripted runs) ----
    // peekMessage calls so far: the pump makes one each time it runs.
    std::uint64_t peekCalls() const { return peekCalls_; }
    // The message joins the queue when peek call number atPeek starts (at the next one if that has
    // passed). Key messages that join while Alt is held (without Control), and Alt's own, become
    // system-key messages, as the window system makes them.
    void scheduleMessage(std::uint64_t atPeek, const Message& message);
    // The user moves the mouse there when peek call number atPeek starts; kept inside the screen.
    void scheduleCursorMove(std::uint64_t atPeek, int x, int y);
    // Everything still scheduled comes at the next peek call instead, in its order.
    void bringScheduledForward()
    {
        for (Scheduled& entry : scheduled_)
            entry.atPeek = peekCalls_ + 1;
    }
    std::size_t scheduledInput() const { return scheduled_.size(); }
    // Queued messages the pump removed plus scheduled cursor moves made.
    std::uint64_t inputDelivered() const { return delivered_; }

    // ---- Keyboard and cursor ----
    std::array<std::uint8_t, 256> keyTable() const { return keys_; }
    void setKeyState(unsigned virtualKey, std::uint8_t state) { keys_[virtualKey & 0xFF] = state; }
    // The user moves the mouse (not clamped: tests may place it anywhere).
    void moveCursor(int x, int y) { cursorX_ = x, cursorY_ = y; }
    int cursorWarps() const { return warps_; }

    // ---- Process ----
    struct Box {
        std::string text;
        std::string caption;
    };
    const std::vector<Box>& messageBoxes() const { return boxes_; }
    std::optional<int> exitCode() const { return exitCode_; }
    int normalPriorityCalls() const { return priorityCalls_; }
    void setLastErrorText(std::string text) { lastError_ = std::move(text); }

private:
    friend class ScriptWindow;
    void forget(ScriptWindow* window);
    void applyKeyMessage(const Message& message);
    void release(std::uint64_t throughPeek);

    std::int64_t frequency_ = 10'000'000;
    std::int64_t counter_ = 0;
    std::int64_t readQuantum_ = 10;
    std::int64_t counterReads_ = 0;

    double retraceHz_ = 60.0;
    std::int64_t swapExtraDelay_ = 0;
    std::deque<std::int64_t> swapScript_;
    int swapCount_ = 0;
    std::int64_t lastSwap_ = 0;

    std::vector<DisplayMode> modes_;
    DisplayMode desktop_;
    DisplayMode current_;
    std::vector<DisplayMode> requested_;
    int restores_ = 0;
    bool switched_ = false;
    int cursorCount_ = 0;

    std::vector<std::string> registrations_;
    std::vector<std::string> registered_;
    WindowProcedure procedure_ = nullptr;
    std::vector<WindowRecord> windows_;
    std::vector<ScriptWindow*> live_;
    bool failWindow_ = false;
    AttachResult failAttach_ = AttachResult::ok;
    std::vector<PixelFormatRequest> formats_;
    std::vector<int> shows_;
    int detaches_ = 0;

    std::deque<Message> queue_;
    bool quitPending_ = false;
    int quitCode_ = 0;
    std::vector<Message> dispatched_;

    struct Scheduled {
        std::uint64_t atPeek = 0;
        bool move = false;
        Message message;
        int x = 0, y = 0;
    };
    std::deque<Scheduled> scheduled_;
    std::uint64_t peekCalls_ = 0;
    std::uint64_t delivered_ = 0;
    bool altHeld_ = false;
    bool controlHeld_ = false;

    std::array<std::uint8_t, 256> keys_{};
    int cursorX_ = 0;
    int cursorY_ = 0;
    int warps_ = 0;

    std::vector<Box> boxes_;
    std::optional<int> exitCode_;
    int priorityCalls_ = 0;
    std::string lastError_ = "The operation completed successfully.";
};

// Installs a fresh ScriptBackend as the active backend and returns it.
ScriptBackend& useScriptBackend();

} // namespace Lumidraft::platform
