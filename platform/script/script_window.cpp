// Script backend: the window and its OpenGL context.
// Stands in for the full-screen window, the pixel format, the rendering context and the buffer
// swap. The drawing is real: Mesa's software rasteriser through an EGL display on the surfaceless
// platform with a pbuffer surface, so no X server or monitor is needed. Limits: the pbuffer has a
// single colour buffer, so GL_FRONT and GL_BACK name the same pixels and a swap leaves them as
// they are (like a swap that copies); no auxiliary buffers; depth 24 when 32 is not offered.
// Dependencies: EGL with EGL_MESA_platform_surfaceless (libegl-mesa0), OpenGL.
#include "platform/script/script_window.h"

#include "platform/script/script_backend.h"

#include <iostream>

#if defined(LUMIDRAFT_HAVE_EGL)
#include <EGL/egl.h>
#include <EGL/eglext.h>
#elif defined(LUMIDRAFT_HAVE_WIN32)
// Windows has no EGL: a hidden single-buffered window stands in for the pbuffer.
#include "platform/win32/win32_hidden_surface.h"
#endif

namespace Lumidraft::platform {

#if defined(LUMIDRAFT_HAVE_EGL)
namespace {

// One display for the whole process: the driver is loaded once and kept until exit.
EGLDisplay sharedDisplay()
{
    static EGLDisplay display = [] {
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        EGLDisplay d = EGL_NO_DISPLAY;
        if (getPlatformDisplay)
            d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major = 0, minor = 0;
        if (d == EGL_NO_DISPLAY || !eglInitialize(d, &major, &minor)) {
            std::cerr << "Lumidraft script backend: no surfaceless EGL display (EGL error 0x" << std::hex
                      << eglGetError() << std::dec << ")\n";
            return EGL_NO_DISPLAY;
        }
        return d;
    }();
    return display;
}

// The first config that has at least the requested sizes; the depth steps down from the request
// because software renderers offer 24 bits at most.
bool chooseConfig(EGLDisplay display, const PixelFormatRequest& format, EGLConfig& config)
{
    static bool warned = false;
    for (int depth : {format.depthBits, 24, 16, 0}) {
        if (depth > format.depthBits)
            continue;
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, format.redBits,
                                     EGL_GREEN_SIZE, format.greenBits,
                                     EGL_BLUE_SIZE, format.blueBits,
                                     EGL_ALPHA_SIZE, format.alphaBits,
                                     EGL_DEPTH_SIZE, depth,
                                     EGL_STENCIL_SIZE, format.stencilBits,
                                     EGL_NONE};
        EGLint count = 0;
        if (eglChooseConfig(display, attributes, &config, 1, &count) && count > 0) {
            if (!warned && (depth != format.depthBits || format.auxBuffers > 0)) {
                warned = true;
                std::cerr << "Lumidraft script backend: pixel format with " << depth << " depth bits"
                          << " (asked " << format.depthBits << ") and no auxiliary buffers (asked "
                          << format.auxBuffers << ")\n";
            }
            return true;
        }
    }
    return false;
}

} // namespace
#endif

ScriptWindow::ScriptWindow(ScriptBackend& machine, int width, int height)
    : machine_(&machine), width_(width), height_(height)
{
}

ScriptWindow::~ScriptWindow()
{
    detachGL();
    if (machine_)
        machine_->forget(this);
}

AttachResult ScriptWindow::attachGL(const PixelFormatRequest& format)
{
    if (machine_) {
        machine_->formats_.push_back(format);
        if (machine_->failAttach_ != AttachResult::ok)
            return machine_->failAttach_;
    }
#if defined(LUMIDRAFT_HAVE_EGL)
    EGLDisplay display = sharedDisplay();
    EGLConfig config = nullptr;
    if (display == EGL_NO_DISPLAY || !chooseConfig(display, format, config))
        return AttachResult::pixelFormatFailed;
    const EGLint size[] = {EGL_WIDTH, width_ > 0 ? width_ : 1, EGL_HEIGHT, height_ > 0 ? height_ : 1, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) {
        std::cerr << "Lumidraft script backend: eglCreatePbufferSurface failed (0x" << std::hex << eglGetError()
                  << std::dec << ")\n";
        return AttachResult::pixelFormatFailed;
    }
    surface_ = surface;
    eglBindAPI(EGL_OPENGL_API);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        std::cerr << "Lumidraft script backend: eglCreateContext failed (0x" << std::hex << eglGetError()
                  << std::dec << ")\n";
        return AttachResult::contextFailed;
    }
    context_ = context;
    if (!eglMakeCurrent(display, surface, surface, context)) {
        std::cerr << "Lumidraft script backend: eglMakeCurrent failed (0x" << std::hex << eglGetError()
                  << std::dec << ")\n";
        return AttachResult::contextFailed;
    }
    return AttachResult::ok;
#elif defined(LUMIDRAFT_HAVE_WIN32)
    AttachResult result = AttachResult::ok;
    surface_ = createHiddenSurface(width_, height_, format, result);
    context_ = surface_;
    return result;
#else
    (void)format;
    std::cerr << "Lumidraft script backend: built without EGL, no OpenGL context\n";
    return AttachResult::contextFailed;
#endif
}

void ScriptWindow::detachGL()
{
    if (machine_ && (surface_ || context_))
        ++machine_->detaches_;
#if defined(LUMIDRAFT_HAVE_EGL)
    EGLDisplay display = sharedDisplay();
    if (context_) {
        if (eglGetCurrentContext() == static_cast<EGLContext>(context_))
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, static_cast<EGLContext>(context_));
    }
    if (surface_)
        eglDestroySurface(display, static_cast<EGLSurface>(surface_));
#elif defined(LUMIDRAFT_HAVE_WIN32)
    destroyHiddenSurface(surface_);
#endif
    context_ = nullptr;
    surface_ = nullptr;
}

void ScriptWindow::show(int showCommand)
{
    if (machine_)
        machine_->shows_.push_back(showCommand);
}

void ScriptWindow::swapBuffers()
{
#if defined(LUMIDRAFT_HAVE_EGL)
    if (surface_)
        eglSwapBuffers(sharedDisplay(), static_cast<EGLSurface>(surface_));
#endif
    if (machine_)
        machine_->simulateSwap();
}

} // namespace Lumidraft::platform
