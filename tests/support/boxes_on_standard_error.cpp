// In programs that tests start, a message box never waits for a click: nothing
// shows it, so the layer writes its caption and text to standard error, as it
// does where no display can show one.
#include "platform/sdl/message_box.h"

namespace latticegas_sdl {

bool ShowSdlMessageBox(SDL_Window*, const char*, const char*, UINT) { return false; }

}  // namespace latticegas_sdl
