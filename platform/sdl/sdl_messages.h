#pragma once
// How SDL input events become Win32 messages. Kept apart from the window
// registry so the translation can be checked without a display.
#include <SDL.h>

#include <vector>

#include "platform/win32/win32_sdk.h"

namespace latticegas_sdl {

// The Windows virtual-key code of a key, 0 for keys Windows has no code for.
// Letters, digits and punctuation follow the keyboard layout (the keycode);
// every other key follows its position (the scancode), as on Windows. The
// keypad's digits and point follow Num Lock (KMOD_NUM in `modifiers`): with it
// off, and while Shift is held, they are the navigation keys printed under
// them (the point is Delete).
UINT VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers);

// The messages one SDL input event posts to `target`, in order. `cursorOnScreen`
// is the wheel message's lParam, which Windows gives in screen coordinates.
// Events that are not input (window events, quit) give none.
std::vector<MSG> MessagesFromSdlEvent(const SDL_Event& event, HWND target, POINT cursorOnScreen);

}  // namespace latticegas_sdl
