#include "platform/web/web_messages.h"

#include <cmath>

namespace {

struct Named {
  std::string_view code;
  UINT key;
};

// Keys that Windows names by their place on the keyboard.
constexpr Named kPlaces[] = {
    {"Enter", VK_RETURN},         {"NumpadEnter", VK_RETURN},   {"Escape", VK_ESCAPE},
    {"Backspace", VK_BACK},       {"Tab", VK_TAB},              {"Space", VK_SPACE},
    {"ShiftLeft", VK_SHIFT},      {"ShiftRight", VK_SHIFT},     {"ControlLeft", VK_CONTROL},
    {"ControlRight", VK_CONTROL}, {"AltLeft", VK_MENU},         {"AltRight", VK_MENU},
    {"MetaLeft", VK_LWIN},        {"MetaRight", VK_RWIN},       {"ContextMenu", VK_APPS},
    {"CapsLock", VK_CAPITAL},     {"NumLock", VK_NUMLOCK},      {"ScrollLock", VK_SCROLL},
    {"Pause", VK_PAUSE},          {"PrintScreen", VK_SNAPSHOT}, {"Insert", VK_INSERT},
    {"Delete", VK_DELETE},        {"Home", VK_HOME},            {"End", VK_END},
    {"PageUp", VK_PRIOR},         {"PageDown", VK_NEXT},        {"ArrowLeft", VK_LEFT},
    {"ArrowUp", VK_UP},           {"ArrowRight", VK_RIGHT},     {"ArrowDown", VK_DOWN},
    {"NumpadMultiply", VK_MULTIPLY}, {"NumpadAdd", VK_ADD},     {"NumpadSubtract", VK_SUBTRACT},
    {"NumpadDecimal", VK_DECIMAL},   {"NumpadDivide", VK_DIVIDE},
};

// Keys that type a character, by their place on a US keyboard.
constexpr Named kCharacterPlaces[] = {
    {"Semicolon", VK_OEM_1},    {"Equal", VK_OEM_PLUS},        {"Comma", VK_OEM_COMMA},
    {"Minus", VK_OEM_MINUS},    {"Period", VK_OEM_PERIOD},     {"Slash", VK_OEM_2},
    {"Backquote", VK_OEM_3},    {"BracketLeft", VK_OEM_4},     {"Backslash", VK_OEM_5},
    {"BracketRight", VK_OEM_6}, {"Quote", VK_OEM_7},           {"IntlBackslash", VK_OEM_102},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "KeyA".."KeyZ", "Digit0".."Digit9" and the punctuation keys.
UINT CharacterKeyFromPlace(std::string_view code) {
  if (StartsWith(code, "Key") && code.size() == 4 && code[3] >= 'A' && code[3] <= 'Z')
    return static_cast<UINT>(code[3]);
  if (StartsWith(code, "Digit") && code.size() == 6 && code[5] >= '0' && code[5] <= '9')
    return static_cast<UINT>(code[5]);
  for (const Named& n : kCharacterPlaces)
    if (n.code == code) return n.key;
  return 0;
}

UINT OtherKeyFromPlace(std::string_view code) {
  if (StartsWith(code, "Numpad") && code.size() == 7 && code[6] >= '0' && code[6] <= '9')
    return VK_NUMPAD0 + static_cast<UINT>(code[6] - '0');
  if (code.size() >= 2 && code.size() <= 3 && code[0] == 'F') {
    int n = 0;
    for (char c : code.substr(1)) {
      if (c < '0' || c > '9') return 0;
      n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 12 ? VK_F1 + static_cast<UINT>(n - 1) : 0;
  }
  for (const Named& n : kPlaces)
    if (n.code == code) return n.key;
  return 0;
}

// The code of the character a key types, for letters, digits and the
// punctuation Windows has codes for.
UINT KeyFromCharacter(std::string_view key) {
  if (key.size() != 1) return 0;
  const char c = key[0];
  if (c >= 'a' && c <= 'z') return static_cast<UINT>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<UINT>(c);
  switch (c) {
    case ';': return VK_OEM_1;
    case '=':
    case '+': return VK_OEM_PLUS;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    case '[': return VK_OEM_4;
    case '\\': return VK_OEM_5;
    case ']': return VK_OEM_6;
    case '\'': return VK_OEM_7;
    default: return 0;
  }
}

MSG Message(HWND target, UINT message, WPARAM wParam, LPARAM lParam, DWORD time) {
  return MSG{target, message, wParam, lParam, time, POINT{0, 0}};
}

WPARAM MouseKeyState(WPARAM buttons, bool shift, bool ctrl) {
  if (shift) buttons |= MK_SHIFT;
  if (ctrl) buttons |= MK_CONTROL;
  return buttons;
}

// Notches of one wheel event: a notch scrolls about 100 pixels in Chrome, 3
// lines in Firefox; an event counts at least one, and a flung wheel at most
// as many as a hand turns at once.
long Notches(double deltaY, unsigned long deltaMode) {
  constexpr double kMostNotches = 10.0;
  const double perNotch = deltaMode == 0 ? 100.0 : deltaMode == 1 ? 3.0 : 1.0;
  const double n = std::round(std::fabs(deltaY) / perNotch);
  return n < 1.0 ? 1 : n > kMostNotches ? static_cast<long>(kMostNotches) : static_cast<long>(n);
}

}  // namespace

UINT VirtualKeyFromDom(std::string_view key, std::string_view code, unsigned long keyCode) {
  if (const UINT place = CharacterKeyFromPlace(code)) {
    // A layout whose character has no Windows code (a non-Latin letter, a
    // shifted digit) falls back to the key's place on a US keyboard.
    const UINT typed = KeyFromCharacter(key);
    return typed != 0 ? typed : place;
  }
  if (const UINT place = OtherKeyFromPlace(code)) return place;
  // Without a place (events made by a script): the legacy code, which
  // browsers give as Windows' virtual-key code.
  if (code.empty() && keyCode > 0 && keyCode < 0xFF) return static_cast<UINT>(keyCode);
  return 0;
}

std::vector<MSG> KeyDownMessages(const DomKeyDown& event, HWND target, DWORD time) {
  const UINT code = VirtualKeyFromDom(event.key, event.code, event.keyCode);
  if (code == 0) return {};
  // As on Windows: Alt, F10 and keys pressed with Alt (not AltGr, which is
  // Ctrl+Alt) are system keys.
  const bool system =
      code == VK_MENU ? !event.ctrl : (code == VK_F10 || (event.alt && !event.ctrl));
  // Repeat count 1; bit 29 with Alt down; bit 30 when the key was already down.
  LPARAM lParam = 1;
  if (event.alt) lParam |= LPARAM{1} << 29;
  if (event.repeat) lParam |= LPARAM{1} << 30;
  return {Message(target, system ? WM_SYSKEYDOWN : WM_KEYDOWN, code, lParam, time)};
}

bool BrowserKeepsKey(const DomKeyDown& event) {
  if (event.ctrl || event.meta || event.alt) return true;
  // Reload, full screen and the developer tools. The other function keys are
  // the program's: the browser would open help (F1), a search (F3) or the
  // address bar (F6) and take the keys away from the page.
  const UINT code = OtherKeyFromPlace(event.code);
  return code == VK_F5 || code == VK_F11 || code == VK_F12;
}

std::vector<MSG> ButtonDownMessages(int button, long x, long y, bool shift, bool ctrl,
                                    HWND target, DWORD time) {
  UINT message = 0;
  WPARAM state = 0;
  switch (button) {
    case 0: message = WM_LBUTTONDOWN; state = MK_LBUTTON; break;
    case 1: message = WM_MBUTTONDOWN; state = MK_MBUTTON; break;
    case 2: message = WM_RBUTTONDOWN; state = MK_RBUTTON; break;
    default: return {};
  }
  return {Message(target, message, MouseKeyState(state, shift, ctrl), MAKELPARAM(x, y), time)};
}

std::vector<MSG> WheelMessages(double deltaY, unsigned long deltaMode, POINT screen, bool shift,
                               bool ctrl, HWND target, DWORD time) {
  if (deltaY == 0.0 || !std::isfinite(deltaY)) return {};
  const int delta = deltaY < 0.0 ? WHEEL_DELTA : -WHEEL_DELTA;
  const WPARAM wParam = MAKEWPARAM(MouseKeyState(0, shift, ctrl), delta);
  const LPARAM lParam = MAKELPARAM(screen.x, screen.y);
  std::vector<MSG> out;
  for (long i = 0; i < Notches(deltaY, deltaMode); ++i)
    out.push_back(Message(target, WM_MOUSEWHEEL, wParam, lParam, time));
  return out;
}
