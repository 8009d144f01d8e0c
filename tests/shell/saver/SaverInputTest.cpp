// Which messages end the running saver.
#include <gtest/gtest.h>

#include "shell/saver/SaverInput.h"

namespace {

using zelmar::EndsScrnSaver;

MSG Message(UINT Code, WPARAM wParam = 0, LPARAM lParam = 0) {
  MSG Msg;
  Msg.message = Code;
  Msg.wParam = wParam;
  Msg.lParam = lParam;
  return Msg;
}

MSG MouseAt(int X, int Y) {
  return Message(WM_MOUSEMOVE, 0, MAKELPARAM(X, Y));
}

TEST(SaverInput, TheMouseMayMoveFivePixelsOnEachAxisAndNotSix) {
  const POINT Start{640, 512};
  for (const auto& [Dx, Dy] : {std::pair{0, 0}, {5, 5}, {-5, -5}, {5, -5}, {-5, 0}, {0, 5}})
    EXPECT_FALSE(EndsScrnSaver(MouseAt(640 + Dx, 512 + Dy), Start)) << Dx << "," << Dy;
  for (const auto& [Dx, Dy] : {std::pair{6, 0}, {-6, 0}, {0, 6}, {0, -6}, {6, 6}, {1, -7}})
    EXPECT_TRUE(EndsScrnSaver(MouseAt(640 + Dx, 512 + Dy), Start)) << Dx << "," << Dy;
}

// Screens left of or above the primary one give negative positions; read as unsigned halves
// they would lie some 65000 pixels away and end the saver on the first small move there.
TEST(SaverInput, PositionsLeftOfAndAboveThePrimaryScreenAreSigned) {
  const POINT Start{-1000, -300};
  EXPECT_FALSE(EndsScrnSaver(MouseAt(-1000, -300), Start));
  EXPECT_FALSE(EndsScrnSaver(MouseAt(-1005, -295), Start));
  EXPECT_TRUE(EndsScrnSaver(MouseAt(-1006, -300), Start));
  EXPECT_TRUE(EndsScrnSaver(MouseAt(-1000, -306), Start));
  // Across the primary screen's edge.
  EXPECT_FALSE(EndsScrnSaver(MouseAt(-3, -2), POINT{2, 3}));
  EXPECT_TRUE(EndsScrnSaver(MouseAt(-4, 0), POINT{2, 0}));
}

TEST(SaverInput, AKeyAndEveryActivationChangeEndIt) {
  const POINT Start{100, 100};
  EXPECT_TRUE(EndsScrnSaver(Message(WM_KEYDOWN, VK_ESCAPE), Start));
  EXPECT_TRUE(EndsScrnSaver(Message(WM_KEYDOWN, VK_SHIFT), Start));
  EXPECT_TRUE(EndsScrnSaver(Message(WM_ACTIVATE, WA_INACTIVE), Start));
  EXPECT_TRUE(EndsScrnSaver(Message(WM_ACTIVATE, WA_ACTIVE), Start));
  EXPECT_TRUE(EndsScrnSaver(Message(WM_ACTIVATEAPP, FALSE), Start));
  EXPECT_TRUE(EndsScrnSaver(Message(WM_NCACTIVATE, FALSE), Start));
}

TEST(SaverInput, ClicksAltKeyReleasesAndOtherMessagesDoNot) {
  const POINT Start{100, 100};
  // A click carries the position it happened at; only a movement counts.
  for (UINT Code : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN,
                    WM_MBUTTONUP, WM_MOUSEWHEEL})
    EXPECT_FALSE(EndsScrnSaver(Message(Code, 0, MAKELPARAM(900, 900)), Start)) << Code;
  for (UINT Code : {WM_SYSKEYDOWN, WM_SYSKEYUP})
    EXPECT_FALSE(EndsScrnSaver(Message(Code, VK_MENU), Start)) << Code;
  for (UINT Code : {WM_KEYUP, WM_TIMER, WM_PAINT, WM_USER + 1, WM_NULL})
    EXPECT_FALSE(EndsScrnSaver(Message(Code), Start)) << Code;
}

}  // namespace
