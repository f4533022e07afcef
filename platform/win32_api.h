#pragma once
// The one place that chooses the window system: the real Win32 on Windows,
// our stand-in's names elsewhere, which the build backs with SDL2 on the
// desktop (platform/sdl) and with the page in the browser (platform/web).
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/win32/win32_sdk.h"
#endif
