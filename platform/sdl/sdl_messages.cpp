#include "platform/sdl/sdl_messages.h"

#include <optional>

#include "platform/win32/input_translation.h"

namespace {

using latticegas_win32::ButtonDownMessage;
using latticegas_win32::HeldKeys;
using latticegas_win32::KeyDownMessages;
using latticegas_win32::MouseButton;
using latticegas_win32::VirtualKeyOfCharacter;
using latticegas_win32::WheelMessages;

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

// The character the punctuation key at `scancode` types on a US keyboard; 0
// for any other key.
char UsPunctuationAt(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_SEMICOLON: return ';';
    case SDL_SCANCODE_EQUALS: return '=';
    case SDL_SCANCODE_COMMA: return ',';
    case SDL_SCANCODE_MINUS: return '-';
    case SDL_SCANCODE_PERIOD: return '.';
    case SDL_SCANCODE_SLASH: return '/';
    case SDL_SCANCODE_GRAVE: return '`';
    case SDL_SCANCODE_LEFTBRACKET: return '[';
    case SDL_SCANCODE_BACKSLASH: return '\\';
    case SDL_SCANCODE_RIGHTBRACKET: return ']';
    case SDL_SCANCODE_APOSTROPHE: return '\'';
    default: return 0;
  }
}

UINT KeyFromScancode(SDL_Scancode scancode, bool keypadTypesDigits) {
  if (IsKeypadDigitOrPoint(scancode)) return KeypadKey(scancode, keypadTypesDigits);
  if (const char punctuation = UsPunctuationAt(scancode)) return VirtualKeyOfCharacter(punctuation);
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
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
  }
}

// Keys whose code on Windows follows the layout: the character they type,
// which is the keycode of SDL's printable keys.
UINT KeyFromCharacter(SDL_Keycode key) {
  return key > 0 ? VirtualKeyOfCharacter(static_cast<char32_t>(key)) : 0;
}

bool TypesCharacter(SDL_Scancode scancode) {
  return (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_0) ||
         (scancode >= SDL_SCANCODE_MINUS && scancode <= SDL_SCANCODE_SLASH) ||
         scancode == SDL_SCANCODE_NONUSBACKSLASH;
}

HeldKeys HeldNow() {
  const SDL_Keymod mod = SDL_GetModState();
  return HeldKeys{(mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0, (mod & KMOD_ALT) != 0};
}

std::optional<MouseButton> ButtonOf(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return MouseButton::left;
    case SDL_BUTTON_MIDDLE: return MouseButton::middle;
    case SDL_BUTTON_RIGHT: return MouseButton::right;
    default: return std::nullopt;
  }
}

}  // namespace

UINT latticegas_sdl::VirtualKeyFromSdl(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers) {
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

std::vector<MSG> latticegas_sdl::MessagesFromSdlEvent(const SDL_Event& event, HWND target, POINT cursorOnScreen) {
  switch (event.type) {
    case SDL_KEYDOWN: {
      const SDL_Keysym& sym = event.key.keysym;
      const HeldKeys held{(sym.mod & KMOD_SHIFT) != 0, (sym.mod & KMOD_CTRL) != 0,
                          (sym.mod & KMOD_ALT) != 0};
      return KeyDownMessages(VirtualKeyFromSdl(sym.sym, sym.scancode, sym.mod), held,
                             event.key.repeat != 0, target, event.key.timestamp);
    }
    case SDL_MOUSEBUTTONDOWN: {
      const std::optional<MouseButton> button = ButtonOf(event.button.button);
      if (!button) return {};
      // SDL's window coordinates are the client area's pixels.
      return {ButtonDownMessage(*button, POINT{event.button.x, event.button.y}, HeldNow(), target,
                                event.button.timestamp)};
    }
    case SDL_MOUSEWHEEL: {
      Sint32 notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      return WheelMessages(notches, cursorOnScreen, HeldNow(), target, event.wheel.timestamp);
    }
    default:
      return {};
  }
}
