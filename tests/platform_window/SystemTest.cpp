#include <gtest/gtest.h>

#include "WindowTestSupport.h"

TEST(MessageBox, HookSeesTheBoxInsteadOfTheUser) {
  RecordingWindow w;
  std::string text, caption;
  UINT type = 0;
  HWND owner = 0;
  SetMessageBoxHook([&](HWND o, const std::string& t, const std::string& c, UINT ty) {
    owner = o;
    text = t;
    caption = c;
    type = ty;
    return IDOK;
  });
  EXPECT_EQ(MessageBoxA(w.hwnd(), "Not enough memory.", "Zelmar", MB_OK | MB_ICONERROR), IDOK);
  SetMessageBoxHook({});
  EXPECT_EQ(owner, w.hwnd());
  EXPECT_EQ(text, "Not enough memory.");
  EXPECT_EQ(caption, "Zelmar");
  EXPECT_EQ(type & MB_ICONMASK, MB_ICONERROR);
}
