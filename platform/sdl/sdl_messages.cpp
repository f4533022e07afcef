#include "platform/sdl/sdl_messages.h"

namespace {

// The keypad's digits and point type with Num Lock on; with it off they are
// the keys printed under them, as on Windows, where the point is Delete.
UINT KeypadKey(SDL_Scancode scancode, bool typesDigits) {
  if (scancode == SDL_SCANCODE_KP_PERIOD) return typesDigits ? VK_DECIMAL : VK_DELETE;
  if (scancode == SDL_SCANCODE_KP_0) return typesDigits ? VK_NUMPAD0 : VK_INSERT;
  if (typesDigits) return VK_NUMPAD1 + static_cast<UINT>(scancode - SDL_SCANCODE_KP_1);
  static constexpr UINT kUnderDigits[9] = {VK_END,  VK_DOWN,  VK_NEXT,  VK_LEFT, VK_CLEAR,
                                           VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR};
  return kUnderDigits[scancode - SDL_SCANCODE_KP_1];
}

// KP_1 to KP_9, KP_0 and KP_PERIOD follow each other.
bool IsKeypadDigitOrPoint(SDL_Scancode scancode) {
  return scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_PERIOD;
}

UINT KeyFromScancode(SDL_Scancode scancode, bool keypadTypesDigits) {
  if (IsKeypadDigitOrPoint(scancode)) return KeypadKey(scancode, keypadTypesDigits);
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return 'A' + static_cast<UINT>(scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return '1' + static_cast<UINT>(scancode - SDL_SCANCODE_1);
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
    return VK_F1 + static_cast<UINT>(scancode - SDL_SCANCODE_F1);
  switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
  }
}

// Keys whose code on Windows follows the layout: the character they type.
UINT KeyFromCharacter(SDL_Keycode key) {
  if (key >= 'a' && key <= 'z') return static_cast<UINT>(key - 'a' + 'A');
  if (key >= '0' && key <= '9') return static_cast<UINT>(key);
  switch (key) {
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS:
    case SDLK_PLUS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

bool TypesCharacter(SDL_Scancode scancode) {
  return (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_0) ||
         (scancode >= SDL_SCANCODE_MINUS && scancode <= SDL_SCANCODE_SLASH) ||
         scancode == SDL_SCANCODE_NONUSBACKSLASH;
}

WPARAM MouseKeyState(WPARAM button) {
  const SDL_Keymod mod = SDL_GetModState();
  WPARAM state = button;
  if (mod & KMOD_SHIFT) state |= MK_SHIFT;
  if (mod & KMOD_CTRL) state |= MK_CONTROL;
  return state;
}

MSG Message(HWND target, UINT message, WPARAM wParam, LPARAM lParam, Uint32 time) {
  return MSG{target, message, wParam, lParam, static_cast<DWORD>(time), POINT{0, 0}};
}

}  // namespace

UINT VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers) {
  // Shift turns the keypad back into its other keys while Num Lock is on, as
  // on Windows.
  const bool keypadTypesDigits = (modifiers & KMOD_NUM) != 0 && (modifiers & KMOD_SHIFT) == 0;
  if (TypesCharacter(scancode)) {
    // A layout whose character has no Windows code (a non-Latin letter, say)
    // falls back to the key's place on a US keyboard, as Windows does.
    if (const UINT code = KeyFromCharacter(key)) return code;
  }
  if (const UINT code = KeyFromScancode(scancode, keypadTypesDigits)) return code;
  // A key the keyboard map lacks (a tool typing an unusual keysym) has no
  // scancode; go by its keycode then.
  if (key & SDLK_SCANCODE_MASK)
    return KeyFromScancode(static_cast<SDL_Scancode>(key & ~SDLK_SCANCODE_MASK),
                           keypadTypesDigits);
  switch (key) {
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_DELETE: return VK_DELETE;
    default: return KeyFromCharacter(key);
  }
}

std::vector<MSG> MessagesFromSdlEvent(const SDL_Event& event, HWND target, POINT cursorOnScreen) {
  std::vector<MSG> out;
  switch (event.type) {
    case SDL_KEYDOWN: {
      const SDL_Keysym& sym = event.key.keysym;
      const UINT code = VirtualKeyFromSdl(sym.sym, sym.scancode, sym.mod);
      if (code == 0) break;
      const bool alt = (sym.mod & KMOD_ALT) != 0;
      const bool ctrl = (sym.mod & KMOD_CTRL) != 0;
      // Windows reports Alt, F10 and keys pressed with Alt (but not AltGr,
      // which is Ctrl+Alt) as system keys.
      const bool system = code == VK_MENU ? !ctrl : (code == VK_F10 || (alt && !ctrl));
      // Repeat count 1; bit 29 with Alt down; bit 30 when the key was already down.
      LPARAM lParam = 1;
      if (alt) lParam |= LPARAM{1} << 29;
      if (event.key.repeat) lParam |= LPARAM{1} << 30;
      out.push_back(Message(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, code, lParam,
                            event.key.timestamp));
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      UINT message = 0;
      WPARAM button = 0;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT: message = WM_LBUTTONDOWN; button = MK_LBUTTON; break;
        case SDL_BUTTON_RIGHT: message = WM_RBUTTONDOWN; button = MK_RBUTTON; break;
        case SDL_BUTTON_MIDDLE: message = WM_MBUTTONDOWN; button = MK_MBUTTON; break;
        default: break;
      }
      if (message == 0) break;
      // SDL's window coordinates are the client area's pixels.
      out.push_back(Message(target, message, MouseKeyState(button),
                            MAKELPARAM(event.button.x, event.button.y), event.button.timestamp));
      break;
    }
    case SDL_MOUSEWHEEL: {
      Sint32 notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      const int delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
      const WPARAM wParam = MAKEWPARAM(MouseKeyState(0), delta);
      const LPARAM lParam = MAKELPARAM(cursorOnScreen.x, cursorOnScreen.y);
      // One message per notch, as a wheel turned on Windows sends them.
      for (Sint32 i = 0; i < (notches > 0 ? notches : -notches); ++i)
        out.push_back(Message(target, WM_MOUSEWHEEL, wParam, lParam, event.wheel.timestamp));
      break;
    }
    default:
      break;
  }
  return out;
}
