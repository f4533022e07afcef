#pragma once
// The one place that chooses the window system: the real Win32 on Windows,
// our SDL2 stand-in elsewhere.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "platform/win32/win32_sdk.h"
#endif
