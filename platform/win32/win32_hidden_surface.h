// Where the script backend draws on Windows, which has no EGL: a hidden, single-buffered window
// with an OpenGL context. As with the EGL pbuffer elsewhere, GL_FRONT and GL_BACK then name the
// same pixels and nothing is ever shown.
#pragma once

#include "platform/backend.h"

namespace Lumidraft::platform {

// The surface with its context made current, or null with the reason in result (and on stderr).
void* createHiddenSurface(int width, int height, const PixelFormatRequest& format, AttachResult& result);
// Releases the context (not current any more), the device context and the window.
void destroyHiddenSurface(void* surface);

} // namespace Lumidraft::platform
