// OpenGL 1.1 for the core, without pulling a windowing header into it.
#pragma once

#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#endif

#include <GL/gl.h>
