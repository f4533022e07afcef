#include "platform/win32/input_translation.h"

namespace latticegas_win32 {
namespace {

MSG Message(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
  return MSG{target, message, wParam, lParam, time, POINT{0, 0}};
}

WPARAM MouseKeyState(WPARAM buttons, HeldKeys held) {
  if (held.shift) buttons |= MK_SHIFT;
  if (held.ctrl) buttons |= MK_CONTROL;
  return buttons;
}

}  // namespace

UINT VirtualKeyOfCharacter(char32_t c) {
  if (c >= U'a' && c <= U'z') return static_cast<UINT>(c - U'a' + U'A');
  if ((c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')) return static_cast<UINT>(c);
  switch (c) {
    case U';': return VK_OEM_1;
    case U'=':
    case U'+': return VK_OEM_PLUS;
    case U',': return VK_OEM_COMMA;
    case U'-': return VK_OEM_MINUS;
    case U'.': return VK_OEM_PERIOD;
    case U'/': return VK_OEM_2;
    case U'`': return VK_OEM_3;
    case U'[': return VK_OEM_4;
    case U'\\': return VK_OEM_5;
    case U']': return VK_OEM_6;
    case U'\'': return VK_OEM_7;
    default: return 0;
  }
}

std::vector<MSG> KeyDownMessages(UINT key, HeldKeys held, bool repeat, HWND target, DWORD time) {
  if (key == 0) return {};
  const bool system = key == VK_MENU ? !held.ctrl : (key == VK_F10 || (held.alt && !held.ctrl));
  LPARAM lParam = 1;
  if (held.alt) lParam |= LPARAM{1} << 29;
  if (repeat) lParam |= LPARAM{1} << 30;
  return {Message(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, lParam, time)};
}

MSG ButtonDownMessage(MouseButton button, POINT client, HeldKeys held, HWND target, DWORD time) {
  UINT message = WM_LBUTTONDOWN;
  WPARAM state = MK_LBUTTON;
  switch (button) {
    case MouseButton::left: break;
    case MouseButton::middle: message = WM_MBUTTONDOWN; state = MK_MBUTTON; break;
    case MouseButton::right: message = WM_RBUTTONDOWN; state = MK_RBUTTON; break;
  }
  return Message(target, message, MouseKeyState(state, held), MAKELPARAM(client.x, client.y),
                 time);
}

std::vector<MSG> WheelMessages(long notches, POINT screen, HeldKeys held, HWND target,
                               DWORD time) {
  const int delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  const WPARAM wParam = MAKEWPARAM(MouseKeyState(0, held), delta);
  const LPARAM lParam = MAKELPARAM(screen.x, screen.y);
  return std::vector<MSG>(static_cast<std::size_t>(notches > 0 ? notches : -notches),
                          Message(target, WM_MOUSEWHEEL, wParam, lParam, time));
}

}  // namespace latticegas_win32
