#pragma once
// The colour a window shows wherever nothing has been drawn yet: when it is
// shown, and wherever it is uncovered before the program draws there again.
// Windows paints this from the window class's background brush; here the
// window system fills it, so no drawing of ours competes with OpenGL's.
#include <SDL.h>

namespace latticegas_sdl {

// False where the window system cannot fill a window so (only X11 can).
bool SetWindowBackground(SDL_Window* window, SDL_Color colour);

}  // namespace latticegas_sdl
