#include "platform/web/web_messages.h"

#include <cmath>

#include "platform/win32/input_translation.h"

namespace {

using latticegas_win32::ButtonDownMessage;
using latticegas_win32::HeldKeys;
using latticegas_win32::MouseButton;
using latticegas_win32::VirtualKeyOfCharacter;

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

// Punctuation keys by their place, and the character each types on a US
// keyboard; the one key a US keyboard lacks has a code of its own.
struct Place {
  std::string_view code;
  char character;
};
constexpr Place kPunctuationPlaces[] = {
    {"Semicolon", ';'}, {"Equal", '='},     {"Comma", ','},       {"Minus", '-'},
    {"Period", '.'},    {"Slash", '/'},     {"Backquote", '`'},   {"BracketLeft", '['},
    {"Backslash", '\\'}, {"BracketRight", ']'}, {"Quote", '\''},
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
  for (const Place& p : kPunctuationPlaces)
    if (p.code == code) return VirtualKeyOfCharacter(static_cast<unsigned char>(p.character));
  return code == "IntlBackslash" ? VK_OEM_102 : 0;
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

// With Num Lock off the keypad's keys move and edit, and Windows names them
// as the keys they stand for (the keypad's . is Delete); the browser keeps
// their keypad place in the code and says what they do in the key.
UINT KeypadKeyWithNumLockOff(std::string_view key, std::string_view code) {
  if (!StartsWith(code, "Numpad")) return 0;
  if (key == "Clear") return VK_CLEAR;
  constexpr std::string_view kStandIns[] = {"Delete", "Insert", "Home",      "End",     "PageUp",
                                            "PageDown", "ArrowLeft", "ArrowUp", "ArrowRight",
                                            "ArrowDown"};
  for (std::string_view standIn : kStandIns)
    if (key == standIn) return OtherKeyFromPlace(standIn);
  return 0;
}

// The code of the character a key types, for letters, digits and the
// punctuation Windows has codes for.
UINT KeyFromCharacter(std::string_view key) {
  return key.size() == 1 ? VirtualKeyOfCharacter(static_cast<unsigned char>(key[0])) : 0;
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

UINT latticegas_web::VirtualKeyFromDom(std::string_view key, std::string_view code, unsigned long keyCode) {
  if (const UINT place = CharacterKeyFromPlace(code)) {
    // A layout whose character has no Windows code (a non-Latin letter, a
    // shifted digit) falls back to the key's place on a US keyboard.
    const UINT typed = KeyFromCharacter(key);
    return typed != 0 ? typed : place;
  }
  if (const UINT standIn = KeypadKeyWithNumLockOff(key, code)) return standIn;
  if (const UINT place = OtherKeyFromPlace(code)) return place;
  // Without a place (events made by a script): the legacy code, which
  // browsers give as Windows' virtual-key code.
  if (code.empty() && keyCode > 0 && keyCode < 0xFF) return static_cast<UINT>(keyCode);
  return 0;
}

std::vector<MSG> latticegas_web::KeyDownMessages(const DomKeyDown& event, HWND target, DWORD time) {
  return latticegas_win32::KeyDownMessages(VirtualKeyFromDom(event.key, event.code, event.keyCode),
                                           HeldKeys{event.shift, event.ctrl, event.alt},
                                           event.repeat, target, time);
}

bool latticegas_web::BrowserKeepsKey(const DomKeyDown& event) {
  if (event.ctrl || event.meta || event.alt) return true;
  // Reload, full screen and the developer tools. The other function keys are
  // the program's: the browser would open help (F1), a search (F3) or the
  // address bar (F6) and take the keys away from the page.
  const UINT code = OtherKeyFromPlace(event.code);
  return code == VK_F5 || code == VK_F11 || code == VK_F12;
}

std::vector<MSG> latticegas_web::ButtonDownMessages(int button, long x, long y, bool shift, bool ctrl,
                                    HWND target, DWORD time) {
  MouseButton pressed = MouseButton::left;
  switch (button) {
    case 0: break;
    case 1: pressed = MouseButton::middle; break;
    case 2: pressed = MouseButton::right; break;
    default: return {};
  }
  return {ButtonDownMessage(pressed, POINT{static_cast<LONG>(x), static_cast<LONG>(y)},
                            HeldKeys{shift, ctrl, false}, target, time)};
}

std::vector<MSG> latticegas_web::WheelMessages(double deltaY, unsigned long deltaMode, POINT screen, bool shift,
                               bool ctrl, HWND target, DWORD time) {
  if (deltaY == 0.0 || !std::isfinite(deltaY)) return {};
  // Up, away from the user, is the DOM's negative deltaY.
  const long notches = Notches(deltaY, deltaMode);
  return latticegas_win32::WheelMessages(deltaY < 0.0 ? notches : -notches, screen,
                                         HeldKeys{shift, ctrl, false}, target, time);
}
