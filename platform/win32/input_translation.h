#pragma once
// The rules by which input becomes Win32 messages, the same whatever window
// system the input comes from: each window system names its keys, buttons
// and wheel turns in its own way and hands them to these.
#include <vector>

#include "platform/win32/win32_sdk.h"

namespace latticegas_win32 {

// Modifier keys held while an input arrives.
struct HeldKeys {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// The virtual-key code of a character a key types: letters (either case),
// digits and the punctuation Windows has codes for (VK_OEM_*, as on a US
// keyboard, '+' sharing '=''s key); 0 for any other character.
UINT VirtualKeyOfCharacter(char32_t character);

// The WM_KEYDOWN of a press of `key`, or WM_SYSKEYDOWN as Windows sends it for
// Alt, F10 and keys pressed with Alt (but not AltGr, which is Ctrl+Alt).
// lParam: repeat count 1, bit 29 with Alt held, bit 30 when the key was
// already down (`repeat`). None for key 0, a key Windows has no code for.
std::vector<MSG> KeyDownMessages(UINT key, HeldKeys held, bool repeat, HWND target, DWORD time);

enum class MouseButton { left, middle, right };

// The button-down message of a click at `client` (the client area's pixels,
// x in lParam's low word), with the buttons and keys held in wParam.
MSG ButtonDownMessage(MouseButton button, POINT client, HeldKeys held, HWND target, DWORD time);

// One WM_MOUSEWHEEL of +120 per notch turned away from the user (`notches`
// above 0), -120 per notch towards (below 0), as a wheel on Windows sends
// them. `screen` is the pointer in screen coordinates.
std::vector<MSG> WheelMessages(long notches, POINT screen, HeldKeys held, HWND target,
                               DWORD time);

}  // namespace latticegas_win32
