#pragma once
// The SDL window behind a window handle, for the Direct3D stand-in.
#include <SDL.h>

#include "platform/win32/win32_sdk.h"

namespace latticegas_sdl {

// Null for a null handle, a window without a display (headless), and a window
// that is destroyed. While WM_DESTROY is being handled the window still
// exists, as on Windows, and so does its SDL window.
SDL_Window* SdlWindowOf(HWND window);

}  // namespace latticegas_sdl
