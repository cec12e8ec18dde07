// The win32 backend's window: one full-screen popup window with its device context and OpenGL
// rendering context. Internal to platform/win32.
#pragma once

#include "platform/backend.h"
#include "platform/win32/win32_system.h"

namespace Lumidraft::platform {

class Win32Window : public Window {
public:
    explicit Win32Window(HWND window) : window_(window) {}
    // Releases the context if still attached, then destroys the window.
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    AttachResult attachGL(const PixelFormatRequest& format) override;
    void detachGL() override;
    void show(int showCommand) override;
    void swapBuffers() override;

    HWND handle() const { return window_; }
    HDC deviceContext() const { return deviceContext_; }
    HGLRC renderingContext() const { return renderingContext_; }

private:
    HWND window_;
    HDC deviceContext_ = nullptr;
    HGLRC renderingContext_ = nullptr;
};

// The pixel-format descriptor of a request, all other members zero.
PIXELFORMATDESCRIPTOR describe(const PixelFormatRequest& format);

} // namespace Lumidraft::platform
