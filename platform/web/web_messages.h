#pragma once
// How the browser's input events become Win32 messages. Kept apart from the
// page so that the translation can be checked without a browser.
#include <string_view>
#include <vector>

#include "platform/win32/win32_sdk.h"

namespace latticegas_web {

// A keydown event as the DOM gives it: `key` is what the key types in the
// current layout ("a", "!", "Enter"), `code` the key's place on a US keyboard
// ("KeyA", "Digit1", "NumpadEnter"), `keyCode` the legacy code.
struct DomKeyDown {
  std::string_view key;
  std::string_view code;
  unsigned long keyCode = 0;
  bool repeat = false;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool meta = false;
};

// The Windows virtual-key code, 0 for keys Windows has no code for. Letters,
// digits and punctuation follow the layout (the character); every other key
// follows its place, as on Windows.
UINT VirtualKeyFromDom(std::string_view key, std::string_view code, unsigned long keyCode);

// The WM_KEYDOWN or WM_SYSKEYDOWN message of a key press, with bit 30 of
// lParam set on auto-repeat; none for a key without a code.
std::vector<MSG> KeyDownMessages(const DomKeyDown& event, HWND target, DWORD time);

// True when the browser should still act on the key (its shortcuts with
// Ctrl, Alt or Meta; reload, full screen, developer tools); every other key
// is the program's alone.
bool BrowserKeepsKey(const DomKeyDown& event);

// A button press at (x, y) in the canvas's displayed pixels; `button` is the
// DOM's number (0 left, 1 middle, 2 right). None for other buttons.
std::vector<MSG> ButtonDownMessages(int button, long x, long y, bool shift, bool ctrl,
                                    HWND target, DWORD time);

// One WM_MOUSEWHEEL of +-120 per notch, positive when the wheel turns away
// from the user (the DOM's negative deltaY). `deltaMode` is the DOM's unit:
// 0 pixels, 1 lines, 2 pages. `screen` is the pointer on the screen.
std::vector<MSG> WheelMessages(double deltaY, unsigned long deltaMode, POINT screen, bool shift,
                               bool ctrl, HWND target, DWORD time);

}  // namespace latticegas_web
