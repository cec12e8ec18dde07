// Win32 backend: the script backend's drawing surface on Windows. A window of its own class that
// is never shown, a single-buffered pixel format with the channel, depth and stencil sizes asked
// (no bitmap or double-buffer flags: one colour buffer), and a WGL context. Limits: drawing into a
// hidden window is exact with a software renderer (Mesa under wine); a hardware driver may leave
// the pixels of a window that is not on screen undefined. Dependencies: user32, gdi32, opengl32.
#include "platform/win32/win32_hidden_surface.h"

#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_window.h"

#include <iostream>

namespace Lumidraft::platform {

namespace {

struct HiddenSurface {
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC context = nullptr;
};

constexpr const char* surfaceClass = "LumidraftScriptSurface";

bool registerSurfaceClass()
{
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(WNDCLASSEXA);
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = surfaceClass;
        return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

void report(const char* what)
{
    const DWORD code = GetLastError(); // before the stream's own calls can change it
    std::cerr << "Lumidraft script backend: " << what << ": " << Win32Backend::systemErrorText(code) << '\n';
}

} // namespace

void* createHiddenSurface(int width, int height, const PixelFormatRequest& format, AttachResult& result)
{
    result = AttachResult::pixelFormatFailed;
    if (!registerSurfaceClass()) {
        report("the surface's window class was refused");
        return nullptr;
    }
    auto* surface = new HiddenSurface;
    surface->window = CreateWindowExA(0, surfaceClass, "Lumidraft script surface", WS_POPUP, 0, 0, width > 0 ? width : 1,
                                      height > 0 ? height : 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!surface->window) {
        report("CreateWindowExA failed");
        destroyHiddenSurface(surface);
        return nullptr;
    }
    surface->deviceContext = GetDC(surface->window);

    PixelFormatRequest single = format;
    single.flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    single.auxBuffers = 0;
    PIXELFORMATDESCRIPTOR descriptor = describe(single);
    const int chosen = ChoosePixelFormat(surface->deviceContext, &descriptor);
    if (chosen == 0 || !SetPixelFormat(surface->deviceContext, chosen, &descriptor)) {
        report("no single-buffered OpenGL pixel format");
        destroyHiddenSurface(surface);
        return nullptr;
    }
    surface->context = wglCreateContext(surface->deviceContext);
    if (!surface->context || !wglMakeCurrent(surface->deviceContext, surface->context)) {
        report("no OpenGL context for the hidden surface");
        result = AttachResult::contextFailed;
        destroyHiddenSurface(surface);
        return nullptr;
    }
    result = AttachResult::ok;
    return surface;
}

void destroyHiddenSurface(void* opaque)
{
    auto* surface = static_cast<HiddenSurface*>(opaque);
    if (!surface)
        return;
    if (surface->context) {
        if (wglGetCurrentContext() == surface->context)
            wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(surface->context);
    }
    if (surface->deviceContext)
        ReleaseDC(surface->window, surface->deviceContext);
    if (surface->window)
        DestroyWindow(surface->window);
    delete surface;
}

} // namespace Lumidraft::platform
