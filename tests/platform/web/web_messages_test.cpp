// The browser's input events turned into Win32 messages: the codes the window
// procedure switches on, auto-repeat, the packing of click positions and the
// wheel's notches.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/web/web_messages.h"


using namespace latticegas_web;
namespace {

struct Key {
  const char* key;
  const char* code;
  unsigned long keyCode;
  UINT expected;
};

TEST(WebVirtualKeys, MatchWindowsCodes) {
  const Key keys[] = {
      {"v", "KeyV", 86, 'V'},
      {"V", "KeyV", 86, 'V'},
      {"q", "KeyQ", 81, 'Q'},
      {"0", "Digit0", 48, '0'},
      {"6", "Digit6", 54, '6'},
      {"Enter", "Enter", 13, VK_RETURN},
      {"Enter", "NumpadEnter", 13, VK_RETURN},
      {"Escape", "Escape", 27, VK_ESCAPE},
      {"Delete", "Delete", 46, VK_DELETE},
      {"Backspace", "Backspace", 8, VK_BACK},
      {" ", "Space", 32, VK_SPACE},
      {"Shift", "ShiftLeft", 16, VK_SHIFT},
      {"Control", "ControlRight", 17, VK_CONTROL},
      {"ArrowLeft", "ArrowLeft", 37, VK_LEFT},
      {"ArrowDown", "ArrowDown", 40, VK_DOWN},
      {"F1", "F1", 112, VK_F1},
      {"F12", "F12", 123, VK_F12},
      {"5", "Numpad5", 101, VK_NUMPAD5},
      {"*", "NumpadMultiply", 106, VK_MULTIPLY},
      {".", "NumpadDecimal", 110, VK_DECIMAL},
      // With Num Lock off the keypad's keys are the keys they stand for, as on Windows.
      {"Delete", "NumpadDecimal", 46, VK_DELETE},
      {"ArrowLeft", "Numpad4", 37, VK_LEFT},
      {"PageDown", "Numpad3", 34, VK_NEXT},
      {"Insert", "Numpad0", 45, VK_INSERT},
      {"Clear", "Numpad5", 12, VK_CLEAR},
      {",", "Comma", 188, VK_OEM_COMMA},
      {"-", "Minus", 189, VK_OEM_MINUS},
      // Letters follow the layout: the key in Q's place types 'a' on AZERTY.
      {"a", "KeyQ", 65, 'A'},
      // A shifted digit and a letter Windows has no code for fall back to the key's place.
      {"!", "Digit1", 49, '1'},
      {"\xd1\x84", "KeyA", 65, 'A'},
      // An event made by a script has no place: its legacy code is Windows'.
      {"", "", 86, 'V'},
      {"Unidentified", "", 0, 0},
      {"Dead", "Lang1", 0, 0},
  };
  for (const Key& k : keys)
    EXPECT_EQ(VirtualKeyFromDom(k.key, k.code, k.keyCode), k.expected) << k.key << " / " << k.code;
}

TEST(WebKeyMessages, RepeatAltAndUnknownKeys) {
  DomKeyDown down{"d", "KeyD", 68};
  std::vector<MSG> first = KeyDownMessages(down, nullptr, 7);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(first[0].wParam, WPARAM{'D'});
  EXPECT_EQ(first[0].lParam, LPARAM{1});  // repeat count 1, not repeated
  EXPECT_EQ(first[0].time, DWORD{7});

  down.repeat = true;  // the browser's auto-repeat
  EXPECT_EQ(KeyDownMessages(down, nullptr, 8)[0].lParam, LPARAM{1} | (LPARAM{1} << 30));

  down.repeat = false;
  down.alt = true;  // Alt+D is a system key
  EXPECT_EQ(KeyDownMessages(down, nullptr, 9)[0].message, static_cast<UINT>(WM_SYSKEYDOWN));
  down.ctrl = true;  // AltGr is Ctrl+Alt: an ordinary key
  EXPECT_EQ(KeyDownMessages(down, nullptr, 9)[0].message, static_cast<UINT>(WM_KEYDOWN));

  EXPECT_TRUE(KeyDownMessages(DomKeyDown{"Unidentified", "", 0}, nullptr, 0).empty());
}

TEST(WebKeyMessages, BrowserKeepsItsShortcutsOnly) {
  EXPECT_FALSE(BrowserKeepsKey(DomKeyDown{"v", "KeyV", 86}));
  EXPECT_FALSE(BrowserKeepsKey(DomKeyDown{"Escape", "Escape", 27}));
  EXPECT_FALSE(BrowserKeepsKey(DomKeyDown{"Tab", "Tab", 9}));  // the focus stays on the canvas
  EXPECT_TRUE(BrowserKeepsKey(DomKeyDown{"F5", "F5", 116}));
  EXPECT_TRUE(BrowserKeepsKey(DomKeyDown{"F12", "F12", 123}));
  // Help would open a tab of its own and hide the page, which then stops.
  EXPECT_FALSE(BrowserKeepsKey(DomKeyDown{"F1", "F1", 112}));
  EXPECT_FALSE(BrowserKeepsKey(DomKeyDown{"F6", "F6", 117}));
  DomKeyDown reload{"r", "KeyR", 82};
  reload.ctrl = true;
  EXPECT_TRUE(BrowserKeepsKey(reload));
}

TEST(WebMouseMessages, ButtonsCarryDisplayedPixels) {
  const std::vector<MSG> left = ButtonDownMessages(0, 933, 699, false, false, nullptr, 1);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(LOWORD(left[0].lParam), 933);
  EXPECT_EQ(HIWORD(left[0].lParam), 699);
  EXPECT_EQ(left[0].wParam, WPARAM{MK_LBUTTON});

  const std::vector<MSG> right = ButtonDownMessages(2, 3, 4, true, true, nullptr, 1);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_EQ(right[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(right[0].wParam, WPARAM{MK_RBUTTON | MK_SHIFT | MK_CONTROL});

  EXPECT_EQ(ButtonDownMessages(1, 0, 0, false, false, nullptr, 1)[0].message,
            static_cast<UINT>(WM_MBUTTONDOWN));
  EXPECT_TRUE(ButtonDownMessages(3, 0, 0, false, false, nullptr, 1).empty());  // "back"
}

short Delta(const MSG& message) { return static_cast<short>(HIWORD(message.wParam)); }

TEST(WebWheelMessages, OneMessageOf120PerNotchUpPositive) {
  const POINT at{100, 200};
  std::vector<MSG> up = WheelMessages(-100.0, 0, at, false, false, nullptr, 1);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].message, static_cast<UINT>(WM_MOUSEWHEEL));
  EXPECT_EQ(Delta(up[0]), 120);
  EXPECT_EQ(LOWORD(up[0].lParam), 100);
  EXPECT_EQ(HIWORD(up[0].lParam), 200);

  std::vector<MSG> down = WheelMessages(300.0, 0, at, false, false, nullptr, 1);
  ASSERT_EQ(down.size(), 3u);
  for (const MSG& m : down) EXPECT_EQ(Delta(m), -120);

  EXPECT_EQ(WheelMessages(-3.0, 1, at, false, false, nullptr, 1).size(), 1u);  // lines
  EXPECT_EQ(WheelMessages(1.0, 2, at, false, false, nullptr, 1).size(), 1u);   // a page
  // A touchpad's small step still turns one notch; a flung wheel at most ten.
  EXPECT_EQ(WheelMessages(4.0, 0, at, false, false, nullptr, 1).size(), 1u);
  EXPECT_EQ(WheelMessages(1e12, 0, at, false, false, nullptr, 1).size(), 10u);
  EXPECT_TRUE(WheelMessages(0.0, 0, at, false, false, nullptr, 1).empty());
  EXPECT_TRUE(WheelMessages(std::nan(""), 0, at, false, false, nullptr, 1).empty());
  EXPECT_TRUE(
      WheelMessages(std::numeric_limits<double>::infinity(), 0, at, false, false, nullptr, 1).empty());
}

}  // namespace
