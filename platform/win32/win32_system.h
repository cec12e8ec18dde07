// The one place the win32 backend takes the Windows headers from: lean, and without the min/max
// macros that would break std::min and std::max in the files that include it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
