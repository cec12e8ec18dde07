// APICanvasProperties: the platform side of a canvas. It switches the display mode, creates the
// full-screen window with its OpenGL context, presents frames, and undoes all of it on close.
// Failures are thrown as plain texts (const char*), except a window that cannot be created, which
// raises Exception(APICanvasProperties, "API ERROR", "Failed to regist main window.").
#pragma once

#include "platform/backend.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Lumidraft {

// A display-mode record with the members of the Windows one that the framework uses.
struct DisplayModeRecord {
    static constexpr std::uint32_t recordSize = 156;
    // Bits per pixel, width, height and display frequency are set.
    static constexpr std::uint32_t usedFields = 0x5C0000;

    std::uint32_t size = 0;
    std::uint32_t fields = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t frequency = 0;
};

// The window-class description registered on every opening (values of the Windows one).
struct WindowClassRecord {
    std::uint32_t size = 0;
    std::uint32_t style = 0;
    platform::WindowProcedure procedure = nullptr;
    int classExtra = 0;
    int windowExtra = 0;
    void* instance = nullptr;
    void* icon = nullptr;
    void* smallIcon = nullptr;
    void* cursor = nullptr;
    void* background = nullptr;
    std::string menuName;
    std::string className;
};

class APICanvasProperties {
public:
    // Closed; nothing else.
    APICanvasProperties() = default;
    // Calls close().
    ~APICanvasProperties();
    APICanvasProperties(const APICanvasProperties&) = delete;
    APICanvasProperties& operator=(const APICanvasProperties&) = delete;

    // Opens in the display's present mode.
    void openCurrentMode();
    // Opens in the given mode; the refresh rate is truncated toward zero.
    void openMode(int width, int height, int bitsPerPixel, double refreshRate);
    // The common opening sequence. If a step after the mode switch fails, the steps already done
    // are undone (window gone, desktop mode back, cursor shown) before the error propagates.
    void open(const DisplayModeRecord& mode);
    // Undoes everything if the window is open; closed afterwards in every case.
    void close();
    void swapBuffers();

    // Pixel format and context for the window, current on the calling thread. Throws
    // "API Error (Failed to set pixel format)." or "API Error (Failed to set OpenGL context).".
    static void attachGL(platform::Window& window, int colorDepth);
    static void detachGL(platform::Window& window);
    // The pixel format asked for a colour depth: each channel gets depth / 4 bits.
    static platform::PixelFormatRequest pixelFormatFor(int colorDepth);
    // The window procedure: close and destroy post the quit message; the rest is left to the
    // default handling.
    static bool windowProcedure(const platform::Message& message);

    bool isOpen() const { return open_; }
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    int getBitsPerPixel() const { return bitsPerPixel_; }
    double getRefreshRate() const { return refreshRate_; }
    const WindowClassRecord& windowClass() const { return windowClass_; }
    const DisplayModeRecord& requestedMode() const { return requestedMode_; }
    const DisplayModeRecord& currentModeRecord() const { return currentMode_; }

private:
    void undoOpening(bool cursorHidden);

    WindowClassRecord windowClass_;
    // The window owns its device context and OpenGL context (they live behind the backend).
    std::unique_ptr<platform::Window> window_;
    bool glAttached_ = false;
    DisplayModeRecord requestedMode_;
    DisplayModeRecord currentMode_;
    bool open_ = false;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    double refreshRate_ = 0.0;
};

// Shows the text of the calling thread's last system error in a box captioned "Error".
void showLastError();

} // namespace Lumidraft
