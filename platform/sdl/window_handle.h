#pragma once
// The SDL window behind a window handle, for the Direct3D stand-in.
#include <SDL.h>

#include "platform/win32/win32_sdk.h"

// Null for a null handle, a window without a display (headless), and a window
// that is destroyed or being destroyed (from WM_DESTROY on).
SDL_Window* SdlWindowOf(HWND window);
