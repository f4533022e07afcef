// The rules both window systems' input goes through on its way to messages.
#include "platform/win32/input_translation.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using latticegas_win32::ButtonDownMessage;
using latticegas_win32::HeldKeys;
using latticegas_win32::KeyDownMessages;
using latticegas_win32::MouseButton;
using latticegas_win32::VirtualKeyOfCharacter;
using latticegas_win32::WheelMessages;

const HWND kTarget = reinterpret_cast<HWND>(std::uintptr_t{7});

TEST(InputTranslation, CharactersHaveWindowsCodesOnAUsKeyboard) {
  EXPECT_EQ(VirtualKeyOfCharacter(U'a'), UINT{'A'});
  EXPECT_EQ(VirtualKeyOfCharacter(U'Z'), UINT{'Z'});
  EXPECT_EQ(VirtualKeyOfCharacter(U'0'), UINT{'0'});
  EXPECT_EQ(VirtualKeyOfCharacter(U'9'), UINT{'9'});
  // Windows' published codes of the US keyboard's punctuation keys.
  const struct {
    char32_t character;
    UINT key;
  } punctuation[] = {{U';', 0xBA}, {U'=', 0xBB}, {U'+', 0xBB}, {U',', 0xBC}, {U'-', 0xBD},
                     {U'.', 0xBE}, {U'/', 0xBF}, {U'`', 0xC0}, {U'[', 0xDB}, {U'\\', 0xDC},
                     {U']', 0xDD}, {U'\'', 0xDE}};
  for (const auto& p : punctuation)
    EXPECT_EQ(VirtualKeyOfCharacter(p.character), p.key) << static_cast<char>(p.character);
  for (char32_t none : {U'!', U'@', U' ', U'\u00e9', U'\u0444', U'\0', char32_t{0x10FFFF}})
    EXPECT_EQ(VirtualKeyOfCharacter(none), 0u) << static_cast<std::uint32_t>(none);
}

TEST(InputTranslation, KeyDownIsASystemKeyWithAltOrF10ButNotAltGr) {
  auto message = [](UINT key, HeldKeys held) {
    const std::vector<MSG> out = KeyDownMessages(key, held, false, kTarget, 5);
    EXPECT_EQ(out.size(), 1u);
    return out.empty() ? 0u : out[0].message;
  };
  const UINT down = WM_KEYDOWN, system = WM_SYSKEYDOWN;
  EXPECT_EQ(message('D', {}), down);
  EXPECT_EQ(message(VK_SHIFT, {true, false, false}), down);
  EXPECT_EQ(message('X', {false, false, true}), system);
  EXPECT_EQ(message(VK_MENU, {false, false, true}), system);
  EXPECT_EQ(message(VK_F10, {}), system);
  EXPECT_EQ(message('X', {false, true, true}), down) << "AltGr (Ctrl+Alt) types";
  EXPECT_EQ(message(VK_MENU, {false, true, true}), down) << "AltGr itself";
  EXPECT_TRUE(KeyDownMessages(0, {}, false, kTarget, 5).empty()) << "a key without a code";
}

TEST(InputTranslation, KeyDownCarriesRepeatCountAltAndWasDownBits) {
  const MSG first = KeyDownMessages('D', {}, false, kTarget, 9)[0];
  EXPECT_EQ(first.hwnd, kTarget);
  EXPECT_EQ(first.wParam, WPARAM{'D'});
  EXPECT_EQ(first.lParam, LPARAM{1});
  EXPECT_EQ(first.time, DWORD{9});
  EXPECT_EQ(KeyDownMessages('D', {}, true, kTarget, 9)[0].lParam, LPARAM{1} | (LPARAM{1} << 30));
  EXPECT_EQ(KeyDownMessages('D', {false, false, true}, false, kTarget, 9)[0].lParam,
            LPARAM{1} | (LPARAM{1} << 29));
}

TEST(InputTranslation, ButtonsCarryTheirMessageHeldStateAndClientPixel) {
  const MSG left = ButtonDownMessage(MouseButton::left, POINT{1023, 767}, {}, kTarget, 3);
  EXPECT_EQ(left.message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(left.wParam, WPARAM{MK_LBUTTON});
  EXPECT_EQ(LOWORD(left.lParam), 1023);
  EXPECT_EQ(HIWORD(left.lParam), 767);
  EXPECT_EQ(left.time, DWORD{3});

  const MSG right =
      ButtonDownMessage(MouseButton::right, POINT{0, 0}, {true, true, true}, kTarget, 3);
  EXPECT_EQ(right.message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(right.wParam, WPARAM{MK_RBUTTON | MK_SHIFT | MK_CONTROL}) << "Alt has no flag";

  const MSG middle = ButtonDownMessage(MouseButton::middle, POINT{1, 2}, {}, kTarget, 3);
  EXPECT_EQ(middle.message, static_cast<UINT>(WM_MBUTTONDOWN));
  EXPECT_EQ(middle.wParam, WPARAM{MK_MBUTTON});
}

short Delta(const MSG& message) { return static_cast<short>(HIWORD(message.wParam)); }

TEST(InputTranslation, WheelSendsOneMessageOf120PerNotch) {
  const POINT screen{300, 400};
  const std::vector<MSG> away = WheelMessages(3, screen, {}, kTarget, 1);
  ASSERT_EQ(away.size(), 3u);
  for (const MSG& m : away) {
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(Delta(m), 120);
    EXPECT_EQ(LOWORD(m.wParam), 0);
    EXPECT_EQ(LOWORD(m.lParam), 300);
    EXPECT_EQ(HIWORD(m.lParam), 400);
  }
  const std::vector<MSG> towards = WheelMessages(-2, screen, {false, true, false}, kTarget, 1);
  ASSERT_EQ(towards.size(), 2u);
  EXPECT_EQ(Delta(towards[0]), -120);
  EXPECT_EQ(LOWORD(towards[0].wParam), MK_CONTROL);
  EXPECT_TRUE(WheelMessages(0, screen, {}, kTarget, 1).empty());
}

}  // namespace
