// The SDL2 backend's window: a borderless full-screen OpenGL window. Internal to platform/sdl2.
#pragma once

#include "platform/backend.h"

#include <SDL.h>

#include <string>

namespace Lumidraft::platform {

class Sdl2Backend;

class Sdl2Window : public Window {
public:
    // Builds the window for the pixel format a canvas of this depth asks for; null if SDL cannot.
    static std::unique_ptr<Sdl2Window> create(Sdl2Backend& backend, const std::string& title, int x, int y, int width,
                                              int height, int bitsPerPixel);
    ~Sdl2Window() override;
    Sdl2Window(const Sdl2Window&) = delete;
    Sdl2Window& operator=(const Sdl2Window&) = delete;

    AttachResult attachGL(const PixelFormatRequest& format) override;
    void detachGL() override;
    void show(int showCommand) override;
    void swapBuffers() override;

    void orphan() { backend_ = nullptr; }

private:
    Sdl2Window(Sdl2Backend& backend, const std::string& title, int x, int y, int width, int height);
    // (Re)creates the SDL window with the nearest offered format; false if none is offered.
    bool build(const PixelFormatRequest& format);

    Sdl2Backend* backend_;
    std::string title_;
    int x_, y_, width_, height_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    PixelFormatRequest format_;
};

} // namespace Lumidraft::platform
