// SDL2 backend: display modes, cursor visibility, the full-screen window and its OpenGL context.
// Stands in for ChangeDisplaySettingsA, ShowCursor, GetSystemMetrics, CreateWindowExA,
// ChoosePixelFormat/SetPixelFormat, wglCreateContext/wglMakeCurrent and SwapBuffers.
// Limits: a mode is "switched" when the window is shown (SDL sets display modes per window) and
// only a mode the display lists exactly is accepted (SDL's closest mode is not the one asked);
// the first display only; no auxiliary buffers; the depth buffer steps down to 24 or 16 bits
// when 32 is not offered; without vsync (e.g. Xvfb) a swap does not wait for a retrace.
// Dependencies: SDL2 with OpenGL support.
#include "platform/sdl2/sdl2_window.h"

#include "platform/sdl2/sdl2_backend.h"

#include <iostream>

namespace Lumidraft::platform {

namespace {

// Windows counts bits per pixel by the bytes a pixel takes (32 for 8-8-8 in four bytes).
int bitsOf(const SDL_DisplayMode& mode) { return SDL_BYTESPERPIXEL(mode.format) * 8; }

bool sameFormat(const PixelFormatRequest& a, const PixelFormatRequest& b)
{
    return a.colorBits == b.colorBits && a.redBits == b.redBits && a.greenBits == b.greenBits &&
           a.blueBits == b.blueBits && a.alphaBits == b.alphaBits && a.depthBits == b.depthBits &&
           a.stencilBits == b.stencilBits && a.flags == b.flags;
}

} // namespace

// ---- Display ----

DisplayMode Sdl2Backend::currentMode()
{
    SDL_DisplayMode mode{};
    if (pending_)
        mode = *pending_;
    else if (!ensureVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return {};
    return {mode.w, mode.h, bitsOf(mode), mode.refresh_rate};
}

bool Sdl2Backend::changeDisplayMode(const DisplayMode& asked)
{
    if (!ensureVideo())
        return false;
    const bool anyRate = asked.refreshHz == 0 || asked.refreshHz == 1;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode listed{};
        if (SDL_GetDisplayMode(0, i, &listed) != 0)
            continue;
        if (listed.w == asked.width && listed.h == asked.height && bitsOf(listed) == asked.bitsPerPixel &&
            (anyRate || listed.refresh_rate == asked.refreshHz)) {
            pending_ = listed;
            return true;
        }
    }
    std::cerr << "Lumidraft sdl2 backend: the display does not list " << asked.width << "x" << asked.height << ", "
              << asked.bitsPerPixel << " bits, " << asked.refreshHz << " Hz" << (count < 0 ? ": " : "")
              << (count < 0 ? SDL_GetError() : "") << '\n';
    return false;
}

void Sdl2Backend::restoreDisplayMode()
{
    // SDL puts the desktop mode back when the full-screen window goes; nothing waits to be shown.
    pending_.reset();
}

void Sdl2Backend::showCursor(bool visible)
{
    // A display count as on Windows, so nested show/hide pairs balance.
    cursorCount_ += visible ? 1 : -1;
    if (ensureVideo())
        SDL_ShowCursor(cursorCount_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void Sdl2Backend::screenSize(int& width, int& height)
{
    const DisplayMode mode = currentMode();
    width = mode.width;
    height = mode.height;
}

std::unique_ptr<Window> Sdl2Backend::createWindow(const std::string& /*className*/, const std::string& title,
                                                  int x, int y, int width, int height)
{
    if (!ensureVideo())
        return nullptr;
    auto window = Sdl2Window::create(*this, title, x, y, width, height, currentMode().bitsPerPixel);
    if (window)
        windows_.push_back(window.get());
    return window;
}

// ---- Window ----

Sdl2Window::Sdl2Window(Sdl2Backend& backend, const std::string& title, int x, int y, int width, int height)
    : backend_(&backend), title_(title), x_(x), y_(y), width_(width), height_(height)
{
}

std::unique_ptr<Sdl2Window> Sdl2Window::create(Sdl2Backend& backend, const std::string& title, int x, int y,
                                               int width, int height, int bitsPerPixel)
{
    std::unique_ptr<Sdl2Window> window(new Sdl2Window(backend, title, x, y, width, height));
    // The X visual is fixed when the window is made, so it is made for the format a canvas of
    // this depth asks for; attachGL rebuilds it if a different format is asked after all.
    PixelFormatRequest expected;
    expected.colorBits = bitsPerPixel;
    expected.redBits = expected.greenBits = expected.blueBits = expected.alphaBits = bitsPerPixel / 4;
    if (!window->build(expected)) {
        // A window with any format still counts as created; attachGL then reports the format.
        PixelFormatRequest plain;
        plain.colorBits = plain.redBits = plain.greenBits = plain.blueBits = plain.alphaBits = 0;
        plain.depthBits = plain.stencilBits = plain.auxBuffers = 0;
        if (!window->build(plain))
            return nullptr;
        window->format_.colorBits = -1; // never equal to a real request
    }
    return window;
}

bool Sdl2Window::build(const PixelFormatRequest& format)
{
    struct Step {
        int depth, alpha, stencil;
    };
    const Step steps[] = {{format.depthBits, format.alphaBits, format.stencilBits},
                          {24, format.alphaBits, format.stencilBits},
                          {16, format.alphaBits, format.stencilBits},
                          {24, 0, format.stencilBits},
                          {24, 0, 0},
                          {16, 0, 0}};
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP;
    const auto& pending = backend_ ? backend_->pendingMode() : std::optional<SDL_DisplayMode>{};
    flags |= pending ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP;

    for (const Step& step : steps) {
        if (step.depth > format.depthBits || step.alpha > format.alphaBits || step.stencil > format.stencilBits)
            continue;
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, format.redBits);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.greenBits);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, format.blueBits);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, step.alpha);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, step.depth);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, step.stencil);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_Window* made = SDL_CreateWindow(title_.c_str(), x_, y_, width_, height_, flags);
        if (!made)
            continue;
        if (pending && SDL_SetWindowDisplayMode(made, &*pending) != 0) {
            std::cerr << "Lumidraft sdl2 backend: the display mode could not be set: " << SDL_GetError() << '\n';
            SDL_DestroyWindow(made);
            return false;
        }
        if (step.depth != format.depthBits || step.alpha != format.alphaBits || step.stencil != format.stencilBits)
            std::cerr << "Lumidraft sdl2 backend: pixel format with depth " << step.depth << ", alpha " << step.alpha
                      << ", stencil " << step.stencil << " (asked " << format.depthBits << ", " << format.alphaBits
                      << ", " << format.stencilBits << ")\n";
        if (format.auxBuffers > 0)
            std::cerr << "Lumidraft sdl2 backend: no auxiliary buffers (asked " << format.auxBuffers << ")\n";
        if (window_)
            SDL_DestroyWindow(window_);
        window_ = made;
        format_ = format;
        return true;
    }
    std::cerr << "Lumidraft sdl2 backend: no window with an OpenGL pixel format: " << SDL_GetError() << '\n';
    return false;
}

Sdl2Window::~Sdl2Window()
{
    detachGL();
    if (window_)
        SDL_DestroyWindow(window_);
    if (backend_)
        backend_->forget(this);
}

AttachResult Sdl2Window::attachGL(const PixelFormatRequest& format)
{
    if (!window_ || (!sameFormat(format, format_) && !build(format)))
        return AttachResult::pixelFormatFailed;
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        std::cerr << "Lumidraft sdl2 backend: SDL_GL_CreateContext failed: " << SDL_GetError() << '\n';
        return AttachResult::contextFailed;
    }
    if (SDL_GL_MakeCurrent(window_, context_) != 0) {
        std::cerr << "Lumidraft sdl2 backend: SDL_GL_MakeCurrent failed: " << SDL_GetError() << '\n';
        return AttachResult::contextFailed;
    }
    int doubleBuffered = 0;
    if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered) == 0 && !doubleBuffered)
        std::cerr << "Lumidraft sdl2 backend: the context is not double-buffered\n";
    // Swaps in step with the retrace where the driver offers it.
    if (SDL_GL_SetSwapInterval(1) != 0)
        std::cerr << "Lumidraft sdl2 backend: no vsync (" << SDL_GetError() << "); swaps do not wait for the retrace\n";
    return AttachResult::ok;
}

void Sdl2Window::detachGL()
{
    if (context_) {
        if (SDL_GL_GetCurrentContext() == context_)
            SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
    }
}

void Sdl2Window::show(int showCommand)
{
    if (!window_)
        return;
    if (showCommand == 0) { // SW_HIDE
        SDL_HideWindow(window_);
        return;
    }
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

void Sdl2Window::swapBuffers()
{
    if (window_)
        SDL_GL_SwapWindow(window_);
}

} // namespace Lumidraft::platform
