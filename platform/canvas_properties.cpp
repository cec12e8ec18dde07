#include "platform/canvas_properties.h"

#include "app/exception.h"
#include "platform/application_properties.h"

#include <cmath>
#include <iostream>

namespace Lumidraft {

namespace {

constexpr const char* windowTitle = "Lumidraft Window";

platform::DisplayMode asDisplayMode(const DisplayModeRecord& record)
{
    return {static_cast<int>(record.width), static_cast<int>(record.height), static_cast<int>(record.bitsPerPixel),
            static_cast<int>(record.frequency)};
}

// A refresh rate of 0 or 1 means "the display's default": the rate then in force if the display
// reports one, otherwise 60 Hz, so the flip never works with a zero refresh period.
double effectiveRefreshRate(std::uint32_t requested)
{
    if (requested > 1)
        return requested;
    const int reported = platform::backend().currentMode().refreshHz;
    if (reported > 1)
        return reported;
    std::cerr << "Lumidraft: the display reports no refresh rate; timing assumes 60 Hz.\n";
    return 60.0;
}

} // namespace

APICanvasProperties::~APICanvasProperties() { close(); }

void APICanvasProperties::openCurrentMode()
{
    requestedMode_ = {};
    currentMode_ = {};
    const platform::DisplayMode present = platform::backend().currentMode();
    currentMode_.size = DisplayModeRecord::recordSize;
    currentMode_.width = static_cast<std::uint32_t>(present.width);
    currentMode_.height = static_cast<std::uint32_t>(present.height);
    currentMode_.bitsPerPixel = static_cast<std::uint32_t>(present.bitsPerPixel);
    currentMode_.frequency = static_cast<std::uint32_t>(present.refreshHz);
    currentMode_.fields = DisplayModeRecord::usedFields;
    requestedMode_ = currentMode_;
    open(requestedMode_);
}

void APICanvasProperties::openMode(int width, int height, int bitsPerPixel, double refreshRate)
{
    requestedMode_ = {};
    currentMode_ = {};
    requestedMode_.size = DisplayModeRecord::recordSize;
    requestedMode_.width = static_cast<std::uint32_t>(width);
    requestedMode_.height = static_cast<std::uint32_t>(height);
    requestedMode_.bitsPerPixel = static_cast<std::uint32_t>(bitsPerPixel);
    // Truncated toward zero; a negative or absurd rate asks for the display's default.
    const double truncated = std::trunc(refreshRate);
    requestedMode_.frequency = truncated >= 0.0 && truncated < 4294967296.0 ? static_cast<std::uint32_t>(truncated) : 0;
    requestedMode_.fields = DisplayModeRecord::usedFields;
    open(requestedMode_);
}

void APICanvasProperties::open(const DisplayModeRecord& mode)
{
    platform::Backend& system = platform::backend();
    const APIApplicationProperties& application = applicationProperties();

    windowClass_ = {};
    windowClass_.size = 48;
    windowClass_.style = 0;
    windowClass_.procedure = &APICanvasProperties::windowProcedure;
    windowClass_.instance = application.instance;
    windowClass_.menuName = windowTitle;
    // Canvases opened without the framework's start-up still get the framework's class name.
    windowClass_.className = application.windowClassName.empty() ? APIApplicationProperties::defaultWindowClassName
                                                                 : application.windowClassName;
    system.registerWindowClass(windowClass_.className, windowClass_.procedure); // already registered: fine

    if (!system.changeDisplayMode(asDisplayMode(mode)))
        throw "API Error (Failed to switch display mode)";

    width_ = static_cast<int>(mode.width);
    height_ = static_cast<int>(mode.height);
    bitsPerPixel_ = static_cast<int>(mode.bitsPerPixel);
    refreshRate_ = effectiveRefreshRate(mode.frequency);

    system.showCursor(false);
    try {
        int screenWidth = 0, screenHeight = 0;
        system.screenSize(screenWidth, screenHeight);
        window_ = system.createWindow(windowClass_.className, windowTitle, 0, 0, screenWidth, screenHeight);
        if (!window_)
            throw Exception(typeid(APICanvasProperties), "API ERROR", "Failed to regist main window.");
        attachGL(*window_, bitsPerPixel_);
        glAttached_ = true;
    } catch (...) {
        // Never leave the observer in front of a switched, cursorless screen.
        undoOpening(true);
        throw;
    }
    open_ = true;

    platform::Message discarded;
    system.peekMessage(discarded);
    window_->show(application.showCommand);
}

void APICanvasProperties::undoOpening(bool cursorHidden)
{
    platform::Backend& system = platform::backend();
    if (window_) {
        // A half-made context is released too.
        detachGL(*window_);
        window_.reset();
    }
    glAttached_ = false;
    system.restoreDisplayMode();
    if (cursorHidden)
        system.showCursor(true);
}

void APICanvasProperties::close()
{
    if (open_) {
        platform::Backend& system = platform::backend();
        if (window_) {
            detachGL(*window_);
            window_.reset(); // destroys the window
        }
        glAttached_ = false;
        system.restoreDisplayMode();
        system.showCursor(true);
    }
    open_ = false;
}

void APICanvasProperties::swapBuffers()
{
    if (window_)
        window_->swapBuffers();
}

platform::PixelFormatRequest APICanvasProperties::pixelFormatFor(int colorDepth)
{
    platform::PixelFormatRequest format;
    format.version = 2;
    format.flags = 0x142D;
    format.colorBits = colorDepth;
    format.redBits = format.greenBits = format.blueBits = format.alphaBits = colorDepth / 4;
    format.depthBits = 32;
    format.stencilBits = 1;
    format.auxBuffers = 4;
    return format;
}

void APICanvasProperties::attachGL(platform::Window& window, int colorDepth)
{
    switch (window.attachGL(pixelFormatFor(colorDepth))) {
    case platform::AttachResult::ok: return;
    case platform::AttachResult::pixelFormatFailed: throw "API Error (Failed to set pixel format).";
    case platform::AttachResult::contextFailed: throw "API Error (Failed to set OpenGL context).";
    }
    throw "API Error (Failed to set OpenGL context).";
}

void APICanvasProperties::detachGL(platform::Window& window) { window.detachGL(); }

bool APICanvasProperties::windowProcedure(const platform::Message& message)
{
    if (message.id == platform::msg::close || message.id == platform::msg::destroy) {
        platform::backend().postQuitMessage(0);
        return true;
    }
    return false;
}

void showLastError()
{
    platform::Backend& system = platform::backend();
    system.messageBox(system.lastErrorText(), "Error");
}

} // namespace Lumidraft
