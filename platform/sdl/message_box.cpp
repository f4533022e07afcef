#include "platform/sdl/message_box.h"

namespace latticegas_sdl {

bool ShowSdlMessageBox(SDL_Window* owner, const char* caption, const char* text, UINT type) {
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  switch (type & 0xF0) {
    case MB_ICONERROR: flags = SDL_MESSAGEBOX_ERROR; break;
    case MB_ICONWARNING: flags = SDL_MESSAGEBOX_WARNING; break;
    default: break;
  }
  return SDL_ShowSimpleMessageBox(flags, caption, text, owner) == 0;
}

}  // namespace latticegas_sdl
