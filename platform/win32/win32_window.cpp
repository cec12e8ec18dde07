// Win32 backend: window class, display modes, cursor visibility, the full-screen window and its
// OpenGL context. RegisterClassExA, GetDeviceCaps, ChangeDisplaySettingsA, ShowCursor,
// GetSystemMetrics, CreateWindowExA, ChoosePixelFormat/DescribePixelFormat/SetPixelFormat,
// wglCreateContext/wglMakeCurrent/wglDeleteContext, SwapBuffers, DestroyWindow.
// Deliberate differences from the bare call sequence, each because the bare one fails:
// - the class record's size is the structure's own (80 bytes in a 64-bit program; the 32-bit
//   size 48 makes RegisterClassExA refuse the class, so no window could be made);
// - a display that reports its refresh rate as 0 or 1 ("the hardware's default") is reported as
//   "not reported" (0), so the canvas falls back on its assumed rate instead of timing with 1 Hz,
//   and a mode asked with such a rate is asked without the rate field;
// - the descriptor asks for a bitmap-capable double-buffered format; where the format chosen for
//   it turns out single-buffered (its swap would show nothing), the choice is made again without
//   the bitmap flag.
// Details of a failure (the system's error text) go to stderr; the texts the caller raises stay
// its own. Dependencies: user32, gdi32, opengl32.
#include "platform/win32/win32_window.h"

#include "platform/win32/win32_backend.h"

#include <iostream>
#include <map>

namespace Lumidraft::platform {

static_assert(sizeof(DEVMODEA) == 156, "the display-mode record is 156 bytes on every Windows target");

namespace {

// The framework's procedure of each class registered here, found again by the class atom. Never
// destroyed: a window can still receive messages while static objects are torn down at exit.
std::map<ATOM, WindowProcedure>& classProcedures()
{
    static auto* procedures = new std::map<ATOM, WindowProcedure>;
    return *procedures;
}

LRESULT CALLBACK classWindowProcedure(HWND window, UINT id, WPARAM wParam, LPARAM lParam)
{
    const auto atom = static_cast<ATOM>(GetClassLongPtrA(window, GCW_ATOM));
    const auto& procedures = classProcedures();
    const auto found = procedures.find(atom);
    if (found != procedures.end() && found->second &&
        found->second(Message{id, static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam)}))
        return 0;
    return DefWindowProcA(window, id, wParam, lParam);
}

void reportSystemError(const char* what)
{
    const DWORD code = GetLastError(); // before the stream's own calls can change it
    std::cerr << "Lumidraft win32 backend: " << what << ": " << Win32Backend::systemErrorText(code) << '\n';
}

} // namespace

// ---- Window class ----

bool Win32Backend::registerWindowClass(const std::string& className, WindowProcedure procedure)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = 0;
    windowClass.lpfnWndProc = classWindowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance();
    windowClass.hIcon = nullptr;
    windowClass.hIconSm = nullptr;
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = "Lumidraft Window";
    windowClass.lpszClassName = className.c_str();
    const ATOM atom = RegisterClassExA(&windowClass);
    if (atom == 0) {
        // Already registered is the usual case for every canvas after the first.
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            reportSystemError("RegisterClassExA failed");
        return false;
    }
    classProcedures()[atom] = procedure;
    return true;
}

// ---- Display ----

DisplayMode Win32Backend::currentMode()
{
    // The screen's device context is released again at once; nothing holds on to it.
    HDC screen = GetDC(nullptr);
    DisplayMode mode;
    if (!screen)
        return mode;
    mode.width = GetDeviceCaps(screen, HORZRES);
    mode.height = GetDeviceCaps(screen, VERTRES);
    mode.bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    const int refresh = GetDeviceCaps(screen, VREFRESH);
    mode.refreshHz = refresh > 1 ? refresh : 0;
    ReleaseDC(nullptr, screen);
    return mode;
}

bool Win32Backend::changeDisplayMode(const DisplayMode& mode)
{
    DEVMODEA requested{};
    requested.dmSize = sizeof(DEVMODEA);
    requested.dmPelsWidth = static_cast<DWORD>(mode.width);
    requested.dmPelsHeight = static_cast<DWORD>(mode.height);
    requested.dmBitsPerPel = static_cast<DWORD>(mode.bitsPerPixel);
    requested.dmDisplayFrequency = static_cast<DWORD>(mode.refreshHz);
    requested.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    // A rate of 0 or 1 is "the display's default": leave the rate to the system rather than ask
    // a driver for a 0 Hz or 1 Hz mode.
    if (mode.refreshHz <= 1)
        requested.dmFields &= ~static_cast<DWORD>(DM_DISPLAYFREQUENCY);
    const LONG result = ChangeDisplaySettingsA(&requested, CDS_FULLSCREEN);
    if (result != DISP_CHANGE_SUCCESSFUL) {
        std::cerr << "Lumidraft win32 backend: ChangeDisplaySettingsA(" << mode.width << "x" << mode.height << ", "
                  << mode.bitsPerPixel << " bits, " << mode.refreshHz << " Hz) returned " << result << '\n';
        return false;
    }
    return true;
}

void Win32Backend::restoreDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }

void Win32Backend::showCursor(bool visible) { ShowCursor(visible ? TRUE : FALSE); }

void Win32Backend::screenSize(int& width, int& height)
{
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

std::unique_ptr<Window> Win32Backend::createWindow(const std::string& className, const std::string& title, int x,
                                                   int y, int width, int height)
{
    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TOPMOST, className.c_str(), title.c_str(), WS_POPUP, x, y,
                                  width, height, nullptr, nullptr, instance(), nullptr);
    if (!window) {
        reportSystemError("CreateWindowExA failed");
        return nullptr;
    }
    return std::make_unique<Win32Window>(window);
}

// ---- Window ----

PIXELFORMATDESCRIPTOR describe(const PixelFormatRequest& format)
{
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor.nVersion = static_cast<WORD>(format.version);
    descriptor.dwFlags = format.flags;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(format.colorBits);
    descriptor.cRedBits = static_cast<BYTE>(format.redBits);
    descriptor.cGreenBits = static_cast<BYTE>(format.greenBits);
    descriptor.cBlueBits = static_cast<BYTE>(format.blueBits);
    descriptor.cAlphaBits = static_cast<BYTE>(format.alphaBits);
    descriptor.cDepthBits = static_cast<BYTE>(format.depthBits);
    descriptor.cStencilBits = static_cast<BYTE>(format.stencilBits);
    descriptor.cAuxBuffers = static_cast<BYTE>(format.auxBuffers);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

Win32Window::~Win32Window()
{
    detachGL();
    DestroyWindow(window_);
}

AttachResult Win32Window::attachGL(const PixelFormatRequest& format)
{
    if (!deviceContext_)
        deviceContext_ = GetDC(window_);
    PIXELFORMATDESCRIPTOR descriptor = describe(format);
    int chosen = ChoosePixelFormat(deviceContext_, &descriptor);

    PIXELFORMATDESCRIPTOR offered{};
    const auto offers = [&](int index) {
        return index > 0 && DescribePixelFormat(deviceContext_, index, sizeof offered, &offered) != 0;
    };
    if ((descriptor.dwFlags & PFD_DOUBLEBUFFER) && (descriptor.dwFlags & PFD_DRAW_TO_BITMAP) && offers(chosen) &&
        !(offered.dwFlags & PFD_DOUBLEBUFFER)) {
        descriptor.dwFlags &= ~static_cast<DWORD>(PFD_DRAW_TO_BITMAP);
        const int again = ChoosePixelFormat(deviceContext_, &descriptor);
        std::cerr << "Lumidraft win32 backend: pixel format " << chosen
                  << " is single-buffered; asking again without PFD_DRAW_TO_BITMAP gives " << again << '\n';
        if (again > 0)
            chosen = again;
    }
    if (offers(chosen)) {
        if (!(offered.dwFlags & PFD_DOUBLEBUFFER))
            std::cerr << "Lumidraft win32 backend: pixel format " << chosen << " is not double-buffered\n";
        if (offered.cAuxBuffers < descriptor.cAuxBuffers)
            std::cerr << "Lumidraft win32 backend: pixel format " << chosen << " has " << int(offered.cAuxBuffers)
                      << " auxiliary buffers (asked " << int(descriptor.cAuxBuffers) << ")\n";
    }

    if (!SetPixelFormat(deviceContext_, chosen, &descriptor)) {
        reportSystemError("SetPixelFormat failed");
        return AttachResult::pixelFormatFailed;
    }
    renderingContext_ = wglCreateContext(deviceContext_);
    if (!renderingContext_) {
        reportSystemError("wglCreateContext failed");
        return AttachResult::contextFailed;
    }
    if (!wglMakeCurrent(deviceContext_, renderingContext_)) {
        reportSystemError("wglMakeCurrent failed");
        return AttachResult::contextFailed;
    }
    return AttachResult::ok;
}

void Win32Window::detachGL()
{
    if (renderingContext_) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(renderingContext_);
        renderingContext_ = nullptr;
    }
    if (deviceContext_) {
        ReleaseDC(window_, deviceContext_);
        deviceContext_ = nullptr;
    }
}

void Win32Window::show(int showCommand) { ShowWindow(window_, showCommand); }

void Win32Window::swapBuffers()
{
    if (deviceContext_)
        SwapBuffers(deviceContext_);
}

} // namespace Lumidraft::platform
