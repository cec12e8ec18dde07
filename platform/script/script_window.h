// The script backend's window: an off-screen OpenGL surface the size of the virtual screen, whose
// buffer swap moves the virtual counter. Internal to the script backend.
#pragma once

#include "platform/backend.h"

namespace Lumidraft::platform {

class ScriptBackend;

class ScriptWindow : public Window {
public:
    ScriptWindow(ScriptBackend& machine, int width, int height);
    ~ScriptWindow() override;
    ScriptWindow(const ScriptWindow&) = delete;
    ScriptWindow& operator=(const ScriptWindow&) = delete;

    AttachResult attachGL(const PixelFormatRequest& format) override;
    void detachGL() override;
    void show(int showCommand) override;
    void swapBuffers() override;

    // The machine that made this window is gone; stop reporting to it.
    void orphan() { machine_ = nullptr; }

private:
    ScriptBackend* machine_;
    int width_;
    int height_;
    void* surface_ = nullptr; // EGLSurface
    void* context_ = nullptr; // EGLContext
};

} // namespace Lumidraft::platform
