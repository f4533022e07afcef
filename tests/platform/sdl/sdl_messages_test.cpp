// SDL input events turned into Win32 messages: the codes the window procedure
// switches on, and the packing of positions and wheel turns.
#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/sdl_messages.h"


using namespace latticegas_sdl;
namespace {

struct Key {
  SDL_Keycode key;
  SDL_Scancode scancode;
  UINT expected;
};

TEST(Win32VirtualKeys, MatchWindowsCodes) {
  const Key keys[] = {
      {SDLK_a, SDL_SCANCODE_A, 'A'},
      {SDLK_z, SDL_SCANCODE_Z, 'Z'},
      {SDLK_q, SDL_SCANCODE_Q, 'Q'},
      {SDLK_0, SDL_SCANCODE_0, '0'},
      {SDLK_1, SDL_SCANCODE_1, '1'},
      {SDLK_9, SDL_SCANCODE_9, '9'},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN},
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE},
      {SDLK_DELETE, SDL_SCANCODE_DELETE, VK_DELETE},
      {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, VK_BACK},
      {SDLK_TAB, SDL_SCANCODE_TAB, VK_TAB},
      {SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE},
      {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, VK_SHIFT},
      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, VK_SHIFT},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, VK_CONTROL},
      {SDLK_LALT, SDL_SCANCODE_LALT, VK_MENU},
      {SDLK_LEFT, SDL_SCANCODE_LEFT, VK_LEFT},
      {SDLK_UP, SDL_SCANCODE_UP, VK_UP},
      {SDLK_RIGHT, SDL_SCANCODE_RIGHT, VK_RIGHT},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, VK_DOWN},
      {SDLK_INSERT, SDL_SCANCODE_INSERT, VK_INSERT},
      {SDLK_HOME, SDL_SCANCODE_HOME, VK_HOME},
      {SDLK_END, SDL_SCANCODE_END, VK_END},
      {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, VK_PRIOR},
      {SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN, VK_NEXT},
      {SDLK_F1, SDL_SCANCODE_F1, VK_F1},
      {SDLK_F12, SDL_SCANCODE_F12, VK_F12},
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, VK_OEM_1},
      {SDLK_EQUALS, SDL_SCANCODE_EQUALS, VK_OEM_PLUS},
      {SDLK_COMMA, SDL_SCANCODE_COMMA, VK_OEM_COMMA},
      {SDLK_MINUS, SDL_SCANCODE_MINUS, VK_OEM_MINUS},
      {SDLK_PERIOD, SDL_SCANCODE_PERIOD, VK_OEM_PERIOD},
      {SDLK_SLASH, SDL_SCANCODE_SLASH, VK_OEM_2},
      {SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE, VK_OEM_3},
      {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, VK_OEM_4},
      {SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH, VK_OEM_5},
      {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6},
      {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, VK_OEM_7},
      // Letters follow the layout: the key in Q's place types 'a' on AZERTY.
      {SDLK_a, SDL_SCANCODE_Q, 'A'},
      // A character without a Windows code falls back to the key's place.
      {0x0444, SDL_SCANCODE_A, 'A'},
      // A key known only by its keycode (a keysym the keyboard lacks).
      {SDLK_KP_MULTIPLY, SDL_SCANCODE_UNKNOWN, VK_MULTIPLY},
      {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
  };
  for (const Key& k : keys)
    EXPECT_EQ(VirtualKeyFromSdl(k.key, k.scancode, KMOD_NONE), k.expected)
        << SDL_GetScancodeName(k.scancode) << " / key " << k.key;
}

struct KeypadKey {
  SDL_Keycode key;
  SDL_Scancode scancode;
  UINT numLockOff;
  UINT numLockOn;
};

// With Num Lock off the keypad's digits are the keys printed under them; the
// point is Delete, which removes the selected node as on Windows.
TEST(Win32VirtualKeys, KeypadDigitsAndPointFollowNumLock) {
  const KeypadKey keys[] = {
      {SDLK_KP_0, SDL_SCANCODE_KP_0, VK_INSERT, VK_NUMPAD0},
      {SDLK_KP_1, SDL_SCANCODE_KP_1, VK_END, VK_NUMPAD1},
      {SDLK_KP_2, SDL_SCANCODE_KP_2, VK_DOWN, VK_NUMPAD2},
      {SDLK_KP_3, SDL_SCANCODE_KP_3, VK_NEXT, VK_NUMPAD3},
      {SDLK_KP_4, SDL_SCANCODE_KP_4, VK_LEFT, VK_NUMPAD4},
      {SDLK_KP_5, SDL_SCANCODE_KP_5, VK_CLEAR, VK_NUMPAD5},
      {SDLK_KP_6, SDL_SCANCODE_KP_6, VK_RIGHT, VK_NUMPAD6},
      {SDLK_KP_7, SDL_SCANCODE_KP_7, VK_HOME, VK_NUMPAD7},
      {SDLK_KP_8, SDL_SCANCODE_KP_8, VK_UP, VK_NUMPAD8},
      {SDLK_KP_9, SDL_SCANCODE_KP_9, VK_PRIOR, VK_NUMPAD9},
      {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, VK_DELETE, VK_DECIMAL},
  };
  for (const KeypadKey& k : keys) {
    const char* name = SDL_GetScancodeName(k.scancode);
    EXPECT_EQ(VirtualKeyFromSdl(k.key, k.scancode, KMOD_NONE), k.numLockOff) << name;
    EXPECT_EQ(VirtualKeyFromSdl(k.key, k.scancode, KMOD_NUM), k.numLockOn) << name;
    EXPECT_EQ(VirtualKeyFromSdl(k.key, k.scancode, KMOD_NUM | KMOD_LSHIFT), k.numLockOff)
        << name << ": Shift undoes Num Lock";
    EXPECT_EQ(VirtualKeyFromSdl(k.key, k.scancode, KMOD_RSHIFT), k.numLockOff) << name;
    EXPECT_EQ(VirtualKeyFromSdl(k.key, SDL_SCANCODE_UNKNOWN, KMOD_NUM), k.numLockOn)
        << name << " known only by its keycode";
    EXPECT_EQ(VirtualKeyFromSdl(k.key, SDL_SCANCODE_UNKNOWN, KMOD_NONE), k.numLockOff) << name;
  }
  // The other keypad keys, and the main row's digits, do not care.
  for (Uint16 mod : {KMOD_NONE, KMOD_NUM}) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, mod), UINT{VK_RETURN});
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, mod), UINT{VK_ADD});
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, mod), UINT{VK_DIVIDE});
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_5, SDL_SCANCODE_5, mod), UINT{'5'});
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_DELETE, SDL_SCANCODE_DELETE, mod), UINT{VK_DELETE});
  }
}

SDL_Event KeyDown(SDL_Keycode key, SDL_Scancode scancode, Uint16 mod = KMOD_NONE,
                  Uint8 repeat = 0) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.repeat = repeat;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = mod;
  return event;
}

const HWND kTarget = reinterpret_cast<HWND>(std::uintptr_t{7});

TEST(Win32InputMessages, KeysBecomeKeyDownWithRepeatAndAltAsSystemKeys) {
  auto one = [](const SDL_Event& event) {
    const std::vector<MSG> out = MessagesFromSdlEvent(event, kTarget, POINT{0, 0});
    EXPECT_EQ(out.size(), 1u);
    return out.empty() ? MSG{} : out[0];
  };
  MSG m = one(KeyDown(SDLK_d, SDL_SCANCODE_D));
  EXPECT_EQ(m.hwnd, kTarget);
  EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(m.wParam, WPARAM{'D'});
  EXPECT_EQ(LOWORD(m.lParam), 1) << "repeat count";
  EXPECT_EQ(m.lParam & (LPARAM{1} << 30), 0) << "first press: key was up";

  m = one(KeyDown(SDLK_d, SDL_SCANCODE_D, KMOD_NONE, 1));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN)) << "a held key repeats WM_KEYDOWN";
  EXPECT_NE(m.lParam & (LPARAM{1} << 30), 0);

  EXPECT_EQ(one(KeyDown(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT)).message,
            static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(one(KeyDown(SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT)).message,
            static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(one(KeyDown(SDLK_x, SDL_SCANCODE_X, KMOD_LALT)).message,
            static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(one(KeyDown(SDLK_F10, SDL_SCANCODE_F10)).message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(one(KeyDown(SDLK_x, SDL_SCANCODE_X, KMOD_LALT | KMOD_LCTRL)).message,
            static_cast<UINT>(WM_KEYDOWN))
      << "Ctrl+Alt (AltGr) types, not a system key";

  EXPECT_EQ(one(KeyDown(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD)).wParam, WPARAM{VK_DELETE})
      << "the event's Num Lock state decides the keypad's codes";
  EXPECT_EQ(one(KeyDown(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM)).wParam,
            WPARAM{VK_DECIMAL});

  EXPECT_TRUE(MessagesFromSdlEvent(KeyDown(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), kTarget, {})
                  .empty());
  SDL_Event up = KeyDown(SDLK_d, SDL_SCANCODE_D);
  up.type = SDL_KEYUP;
  EXPECT_TRUE(MessagesFromSdlEvent(up, kTarget, {}).empty());
}

SDL_Event Button(Uint8 button, Sint32 x, Sint32 y) {
  SDL_Event event{};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = button;
  event.button.state = SDL_PRESSED;
  event.button.clicks = 1;
  event.button.x = x;
  event.button.y = y;
  return event;
}

TEST(Win32InputMessages, ClicksCarryClientPixelXLowYHigh) {
  std::vector<MSG> out = MessagesFromSdlEvent(Button(SDL_BUTTON_LEFT, 100, 700), kTarget, {});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(LOWORD(out[0].lParam), 100);
  EXPECT_EQ(HIWORD(out[0].lParam), 700);
  EXPECT_EQ(out[0].wParam & (MK_LBUTTON | MK_RBUTTON), WPARAM{MK_LBUTTON});

  out = MessagesFromSdlEvent(Button(SDL_BUTTON_RIGHT, 1023, 0), kTarget, {});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(out[0].lParam, MAKELPARAM(1023, 0));
  EXPECT_EQ(out[0].wParam & (MK_LBUTTON | MK_RBUTTON), WPARAM{MK_RBUTTON});

  SDL_Event twice = Button(SDL_BUTTON_LEFT, 5, 5);
  twice.button.clicks = 2;
  out = MessagesFromSdlEvent(twice, kTarget, {});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, static_cast<UINT>(WM_LBUTTONDOWN))
      << "the class asks for no double clicks";
  EXPECT_TRUE(MessagesFromSdlEvent(Button(SDL_BUTTON_X1, 5, 5), kTarget, {}).empty());
}

SDL_Event Wheel(Sint32 y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL) {
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = y;
  event.wheel.direction = direction;
  return event;
}

std::vector<int> Deltas(const SDL_Event& event) {
  std::vector<int> out;
  for (const MSG& m : MessagesFromSdlEvent(event, kTarget, POINT{300, 40})) {
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(m.lParam, MAKELPARAM(300, 40)) << "the cursor on the screen";
    out.push_back(GET_WHEEL_DELTA_WPARAM(m.wParam));
  }
  return out;
}

TEST(Win32InputMessages, WheelSendsOneMessagePerNotch) {
  EXPECT_EQ(Deltas(Wheel(1)), (std::vector<int>{120}));
  EXPECT_EQ(Deltas(Wheel(-1)), (std::vector<int>{-120}));
  EXPECT_EQ(Deltas(Wheel(2)), (std::vector<int>{120, 120}));
  EXPECT_EQ(Deltas(Wheel(-3)), (std::vector<int>{-120, -120, -120}));
  EXPECT_EQ(Deltas(Wheel(1, SDL_MOUSEWHEEL_FLIPPED)), (std::vector<int>{-120}))
      << "forward means away from the user, whatever the system's scrolling setting";
  EXPECT_TRUE(Deltas(Wheel(0)).empty()) << "a sideways turn";
}

}  // namespace
