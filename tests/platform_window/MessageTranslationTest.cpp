#include <gtest/gtest.h>

#include "platform/text/Windows1252.h"
#include "platform/window/MessageTranslation.h"

using namespace window_system;

TEST(VirtualKeyFromQt, LettersDigitsAndFunctionKeysKeepWindowsCodes) {
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_A, {}), WPARAM('A'));
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Z, {}), WPARAM('Z'));
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_0, {}), WPARAM('0'));
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_7, Qt::KeypadModifier), VK_NUMPAD0 + 7);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F1, {}), VK_F1);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_F10, {}), VK_F10);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Escape, {}), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Alt, {}), VK_MENU);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Left, {}), VK_LEFT);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Exclam, Qt::ShiftModifier), WPARAM('1'));
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Plus, Qt::KeypadModifier), VK_ADD);
  EXPECT_EQ(VirtualKeyFromQt(Qt::Key_Plus, {}), VK_OEM_PLUS);
}

TEST(KeyLParam, PacksRepeatScanCodeAndTransitionBits) {
  // X keycode 38 is the PC scan code 30 ('A').
  const auto down = static_cast<DWORD>(KeyLParam('A', 38, false, false, false));
  EXPECT_EQ(down & 0xFFFF, 1u);
  EXPECT_EQ((down >> 16) & 0xFF, 30u);
  EXPECT_EQ(down >> 29, 0u);
  const auto up = static_cast<DWORD>(KeyLParam('A', 38, false, false, true));
  EXPECT_EQ(up >> 30, 3u);  // previous state down, transition up
  const auto repeat = static_cast<DWORD>(KeyLParam('A', 38, false, true, false));
  EXPECT_EQ(repeat >> 30, 1u);
  const auto alt = static_cast<DWORD>(KeyLParam(VK_MENU, 64, true, false, false));
  EXPECT_EQ((alt >> 29) & 1, 1u);
  EXPECT_EQ((static_cast<DWORD>(KeyLParam(VK_LEFT, 113, false, false, false)) >> 24) & 1, 1u);
}

TEST(IsSystemKey, AltAndF10MakeSystemKeysButAltGrDoesNot) {
  EXPECT_TRUE(IsSystemKey(VK_MENU, {}));
  EXPECT_TRUE(IsSystemKey(VK_F10, {}));
  EXPECT_TRUE(IsSystemKey('X', Qt::AltModifier));
  EXPECT_FALSE(IsSystemKey('X', Qt::AltModifier | Qt::ControlModifier));
  EXPECT_FALSE(IsSystemKey(VK_ESCAPE, {}));
}

TEST(MouseKeyFlags, ButtonsAndModifiers) {
  EXPECT_EQ(MouseKeyFlags(Qt::LeftButton | Qt::MiddleButton, Qt::ShiftModifier),
            MK_LBUTTON | MK_MBUTTON | MK_SHIFT);
  EXPECT_EQ(MouseKeyFlags(Qt::RightButton, Qt::ControlModifier), MK_RBUTTON | MK_CONTROL);
  EXPECT_EQ(MouseKeyFlags({}, {}), WPARAM(0));
}

TEST(Windows1252, HighControlRangeDiffersFromLatin1) {
  EXPECT_EQ(Windows1252ToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(Windows1252ToUnicode(0x9F), U'\u0178');
  EXPECT_EQ(Windows1252ToUnicode(0x81), U'\u0081');  // undefined: kept
  EXPECT_EQ(Windows1252ToUnicode(0xE9), U'\u00E9');
  EXPECT_EQ(Windows1252ToUnicode(std::string_view("A\x93q\x94")), U"A\u201Cq\u201D");
}
