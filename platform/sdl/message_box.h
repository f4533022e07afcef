#pragma once
// The box MessageBoxA shows, on its own so that programs which must never wait
// for a click (the tests' probes) can link one that shows nothing.
#include <SDL.h>

#include "platform/win32/win32_sdk.h"

namespace latticegas_sdl {

// Shows a modal box over `owner` (or over nothing) with the icon `type` asks
// for; false when nothing could show it.
bool ShowSdlMessageBox(SDL_Window* owner, const char* caption, const char* text, UINT type);

}  // namespace latticegas_sdl
