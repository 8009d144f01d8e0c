// The Win32 configuration dialog on the real registry and real controls (under Wine here),
// driven with the messages a click sends. Each test starts without Zelmar's keys in either
// root and removes them again: run it only in a scratch Wine prefix or a test machine.
#include <gtest/gtest.h>
#include <windows.h>

// After windows.h, which it needs.
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/TRegistry.h"
#include "shell/win32/TCfgFrmWin32.h"

using zelmar::TCfgFrmWin32;

namespace {

constexpr const char* kMachineKey = "SOFTWARE\\Zelmar";
constexpr const char* kUserKey = "Software\\Zelmar";

using Values = std::map<std::string, DWORD>;

void Store(HKEY root, const char* key, const Values& values) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  for (const auto& [name, value] : values)
    RegSetValueExA(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
  RegCloseKey(h);
}

// Every DWORD value of the key; empty when there is no key.
Values Stored(HKEY root, const char* key) {
  Values values;
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof name, type = 0, value = 0, size = sizeof value;
    if (RegEnumValueA(h, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                      &size) != ERROR_SUCCESS)
      break;
    if (type == REG_DWORD) values[name] = value;
  }
  RegCloseKey(h);
  return values;
}

bool KeyExists(HKEY root, const char* key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

// The machine's settings as an installation and an earlier save left them.
const Values kMachine = {
    {"Texture_Quality", 2}, {"Object_Quality", 1}, {"Select_Planet", 1},  {"Planet_Speed", 3},
    {"Move_Speed", 8},      {"Zelmar_Type", 1},    {"Planetary_Data", 0}, {"FPS", 1},
    {"Glare", 0},           {"Lens_Flare", 1},     {"Corona", 0},         {"Planet_Positions", 1},
    {"Clock", 0},           {"Constellations", 0}};

std::string Text(HWND w) {
  char text[256] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

int Selected(HWND combo) {
  return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

bool Checked(HWND box) {
  return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class CfgFrmWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, UINT) {
      boxes.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    dialog.reset();
    SetMessageBoxHook(nullptr);
    Clean();
  }
  static void Clean() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kUserKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMachineKey);
  }
  TCfgFrmWin32& OpenDialog(int dpi = 0) {
    dialog = std::make_unique<TCfgFrmWin32>(nullptr, dpi);
    dialog->Open();
    Pump();
    return *dialog;
  }
  // What a click does: the button's own press and release, then what they posted.
  void Click(HWND w) {
    SendMessageA(w, BM_CLICK, 0, 0);
    Pump();
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  std::unique_ptr<TCfgFrmWin32> dialog;
  std::vector<std::string> boxes;
};

}  // namespace

// The layout table is in pixels at 96 DPI; at another DPI every place and size is the table's
// scaled by DPI / 96 (rounded), and the labels fit their texts in the scaled font.
class CfgFrmWin32Layout : public CfgFrmWin32, public ::testing::WithParamInterface<int> {};

TEST_P(CfgFrmWin32Layout, ControlsSitWhereTheLayoutPutsThemWithTheirTexts) {
  const int dpi = GetParam();
  TCfgFrmWin32& d = OpenDialog(dpi);
  ASSERT_TRUE(d.Handle());
  ASSERT_EQ(d.Dpi(), dpi);
  const auto S = [dpi](int length) { return MulDiv(length, dpi, 96); };
  EXPECT_EQ(S(545), dpi == 96 ? 545 : 818);  // 144 DPI: x1.5, halves rounded up
  EXPECT_EQ(Text(d.Handle()), "Configuration");
  RECT client{};
  GetClientRect(d.Handle(), &client);
  EXPECT_EQ(client.right, S(545));
  EXPECT_EQ(client.bottom, S(422));

  struct Place {
    HWND w;
    int x, y, width, height;  // width 0: sized to its text
    const char* text;
  };
  // Group boxes' controls at the box's place plus their own.
  const Place places[] = {
      {d.Label1, 48, 16, 122, 30, "The Zelmar"},
      {d.Label2, 64, 56, 95, 13, nullptr},
      {d.VerLbl, 521, 0, 24, 422, "v 1.6"},
      {d.Image1, 16, 128, 209, 177, nullptr},
      {d.GroupBox2, 240, 16, 297, 169, "Display Settings"},
      {d.Label4, 240 + 176, 16 + 16, 0, 0, "Zelmar Type"},
      {d.zelmarType, 240 + 176, 16 + 32, 105, 21, nullptr},
      {d.showFPS, 240 + 24, 16 + 64, 121, 17, "Show FPS"},
      {d.Label5, 240 + 176, 16 + 64, 0, 0, "Select Next Planet"},
      {d.Label8, 240 + 32, 16 + 104, 0, 0, "Planet Speed"},
      {d.Label9, 240 + 184, 16 + 112, 0, 0, "Movement Speed"},
      {d.plandata, 264, 48, 121, 17, "Show Planetary Data"},
      {d.selectplan, 416, 96, 105, 21, nullptr},
      {d.planSpd, 264, 144, 105, 25, nullptr},
      {d.moveSpd, 416, 144, 105, 25, nullptr},
      {d.GroupBox3, 240, 208, 297, 209, "Performance Settings"},
      {d.lowBtn, 240 + 8, 208 + 32, 65, 25, "Low"},
      {d.mediumBtn, 240 + 80, 208 + 32, 65, 25, "Medium"},
      {d.highBtn, 240 + 152, 208 + 32, 65, 25, "High"},
      {d.vhighBtn, 240 + 224, 208 + 32, 65, 25, "Very high"},
      {d.Label3, 240 + 32, 208 + 88, 0, 0, "Object Quality"},
      {d.Label7, 240 + 32, 208 + 136, 0, 0, "Texture Quality"},
      {d.ObjQual, 272, 312, 105, 21, nullptr},
      {d.TextureQual, 272, 360, 105, 21, nullptr},
      {d.Effectsbox, 416, 288, 105, 105, "Special Effects"},
      {d.Corona, 416 + 16, 288 + 24, 65, 17, "Corona"},
      {d.LensFlare, 416 + 16, 288 + 48, 73, 17, "Lens Flare"},
      {d.Glare, 416 + 16, 288 + 72, 81, 17, "Solar Glare"},
      {d.okBtn, 8, 384, 65, 25, "OK"},
      {d.cancelBtn, 80, 384, 73, 25, "Cancel"},
      {d.applyBtn, 160, 384, 73, 25, "Apply"},
      {d.Button1, 64, 320, 113, 33, "Button1"},
      {d.planetsToday, 16, 320, 185, 17, "Planets where they are today"},
      {d.showClock, 16, 344, 81, 17, "Show Clock"},
      {d.constellations, 104, 344, 121, 17, "Constellations"},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.text ? p.text : "(no text)");
    ASSERT_TRUE(IsWindow(p.w));
    RECT r{};
    GetWindowRect(p.w, &r);
    MapWindowPoints(nullptr, d.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, S(p.x));
    EXPECT_EQ(r.top, S(p.y));
    if (p.width) {
      EXPECT_EQ(r.right - r.left, S(p.width));
      EXPECT_EQ(r.bottom - r.top, S(p.height));
    }
    if (p.text) {
      EXPECT_EQ(Text(p.w), p.text);
    }
    EXPECT_EQ(IsWindowVisible(p.w) != 0, p.w != d.Button1);
  }

  const auto items = [](HWND combo) {
    std::vector<std::string> list;
    const int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      char item[64] = {};
      SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
      list.push_back(item);
    }
    return list;
  };
  using List = std::vector<std::string>;
  EXPECT_EQ(items(d.zelmarType), List({"Space", "Brass", "Random"}));
  EXPECT_EQ(items(d.selectplan), List({"Sequentially", "Randomly"}));
  EXPECT_EQ(items(d.ObjQual), List({"High", "Medium", "Low"}));
  EXPECT_EQ(items(d.TextureQual), List({"High", "Medium", "Low"}));
  for (HWND bar : {d.planSpd, d.moveSpd}) {
    EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMIN, 0, 0), 1);
    EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0), 10);
  }

  // Tab walks the form's order from the first list and passes over the disabled Apply.
  SetFocus(d.TextureQual);
  EXPECT_EQ(GetNextDlgTabItem(d.Handle(), d.TextureQual, FALSE), d.plandata);
  EXPECT_EQ(GetNextDlgTabItem(d.Handle(), d.moveSpd, FALSE), d.Corona);
  EXPECT_EQ(GetNextDlgTabItem(d.Handle(), d.Glare, FALSE), d.zelmarType);
  EXPECT_EQ(GetNextDlgTabItem(d.Handle(), d.vhighBtn, FALSE), d.planetsToday);
  EXPECT_EQ(GetNextDlgTabItem(d.Handle(), d.showClock, FALSE), d.constellations);
  EXPECT_EQ(GetNextDlgTabItem(d.Handle(), d.constellations, FALSE), d.TextureQual);

  // A label sized to its text grows with the font.
  RECT label{};
  GetClientRect(d.Label4, &label);
  if (dpi > 96) {
    EXPECT_GT(label.bottom, 13);
  }
}

INSTANTIATE_TEST_SUITE_P(Dpi, CfgFrmWin32Layout, ::testing::Values(96, 144));

// Moved to a monitor of another DPI, the dialog lays itself out as one opened there: every
// control's place and size, the client area and the fonts; and back again.
TEST_F(CfgFrmWin32, ADpiChangeLaysTheDialogOutAsOneOpenedAtThatDpi) {
  const auto layout = [](const TCfgFrmWin32& d) {
    std::vector<RECT> rects;
    RECT client{};
    GetClientRect(d.Handle(), &client);
    rects.push_back(client);
    for (HWND child = GetWindow(d.Handle(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      RECT r{};
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, d.Handle(), reinterpret_cast<POINT*>(&r), 2);
      rects.push_back(r);
    }
    return rects;
  };
  const auto same = [](const std::vector<RECT>& a, const std::vector<RECT>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!EqualRect(&a[i], &b[i])) return false;
    return true;
  };
  std::vector<RECT> at144;
  {
    TCfgFrmWin32 wide(nullptr, 144);
    at144 = layout(wide);
  }
  const std::vector<RECT> at96 = layout(OpenDialog(96));
  ASSERT_FALSE(same(at96, at144));

  TCfgFrmWin32& d = *dialog;
  RECT window{};
  GetWindowRect(d.Handle(), &window);
  RECT suggested{window.left + 10, window.top + 20, window.left + 10 + 900, window.top + 20 + 700};
  SendMessageA(d.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  Pump();
  EXPECT_EQ(d.Dpi(), 144);
  EXPECT_TRUE(same(layout(d), at144));
  GetWindowRect(d.Handle(), &window);
  EXPECT_EQ(window.left, suggested.left);
  EXPECT_EQ(window.top, suggested.top);
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(d.Label4, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(11, 144, 96));

  SendMessageA(d.Handle(), 0x02E0, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  Pump();
  EXPECT_TRUE(same(layout(d), at96));
}

TEST_F(CfgFrmWin32, OpensWithTheUsersValuesOverTheMachinesAndCancelKeepsTheRegistry) {
  Store(HKEY_LOCAL_MACHINE, kMachineKey, kMachine);
  Store(HKEY_CURRENT_USER, kUserKey, {{"Move_Speed", 2}, {"Corona", 1}});
  TCfgFrmWin32& d = OpenDialog();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Selected(d.TextureQual), 2);
  EXPECT_EQ(Selected(d.ObjQual), 1);
  EXPECT_EQ(Selected(d.selectplan), 1);
  EXPECT_EQ(SendMessageA(d.planSpd, TBM_GETPOS, 0, 0), 3);
  EXPECT_EQ(SendMessageA(d.moveSpd, TBM_GETPOS, 0, 0), 2);
  EXPECT_EQ(Selected(d.zelmarType), 1);
  EXPECT_FALSE(Checked(d.plandata));
  EXPECT_TRUE(Checked(d.showFPS));
  EXPECT_FALSE(Checked(d.Glare));
  EXPECT_TRUE(Checked(d.LensFlare));
  EXPECT_TRUE(Checked(d.Corona));
  EXPECT_TRUE(Checked(d.planetsToday));
  EXPECT_FALSE(Checked(d.showClock));
  EXPECT_FALSE(Checked(d.constellations));
  EXPECT_FALSE(IsWindowEnabled(d.applyBtn));

  Click(d.vhighBtn);
  Click(d.showFPS);
  Click(d.cancelBtn);
  EXPECT_TRUE(d.Closed());
  EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kMachineKey), kMachine);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey), Values({{"Move_Speed", 2}, {"Corona", 1}}));
}

TEST_F(CfgFrmWin32, VeryHighAndApplyWriteThePresetAndTheOtherControlsToTheCurrentUser) {
  Store(HKEY_LOCAL_MACHINE, kMachineKey, kMachine);
  TCfgFrmWin32& d = OpenDialog();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserKey)) << "opening the dialog creates nothing";

  Click(d.vhighBtn);
  EXPECT_TRUE(IsWindowEnabled(d.applyBtn));
  EXPECT_EQ(Selected(d.ObjQual), 0);
  EXPECT_EQ(Selected(d.TextureQual), 0);
  EXPECT_TRUE(Checked(d.Corona) && Checked(d.LensFlare) && Checked(d.Glare));
  EXPECT_TRUE(Stored(HKEY_CURRENT_USER, kUserKey).empty()) << "a preset saves nothing by itself";

  Click(d.applyBtn);
  EXPECT_FALSE(IsWindowEnabled(d.applyBtn));
  EXPECT_FALSE(d.Closed());
  Values expected = kMachine;
  expected["Object_Quality"] = 0;
  expected["Texture_Quality"] = 0;
  expected["Corona"] = 1;
  expected["Lens_Flare"] = 1;
  expected["Glare"] = 1;
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey), expected);
  EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kMachineKey), kMachine) << "the machine's stay as they were";

  // A check box enables Apply again; OK saves it and closes.
  Click(d.plandata);
  EXPECT_TRUE(IsWindowEnabled(d.applyBtn));
  Click(d.okBtn);
  EXPECT_TRUE(d.Closed());
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey)["Planetary_Data"], 1u);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(CfgFrmWin32, AMistypedValueIsShownBeforeTheDialogWhichHasWhatWasRead) {
  Store(HKEY_LOCAL_MACHINE, kMachineKey, kMachine);
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(h, "Move_Speed", 0, REG_SZ, reinterpret_cast<const BYTE*>("8"), 2);
  RegCloseKey(h);
  TCfgFrmWin32& d = OpenDialog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Invalid data type for 'Move_Speed'");
  EXPECT_TRUE(IsWindowVisible(d.Handle()));
  // Read up to the mistyped value; the rest keep the form's defaults.
  EXPECT_EQ(SendMessageA(d.planSpd, TBM_GETPOS, 0, 0), 3);
  EXPECT_EQ(SendMessageA(d.moveSpd, TBM_GETPOS, 0, 0), 5);
  EXPECT_EQ(Selected(d.zelmarType), -1);
  EXPECT_TRUE(Checked(d.plandata));
  EXPECT_FALSE(IsWindowEnabled(d.applyBtn));
}

// The check boxes under the picture store the planets' positions (a choice of two, 1 "today"
// when checked), the clock and the constellation figures, each enabling Apply as the other
// check boxes do.
TEST_F(CfgFrmWin32, TodaysPlanetsAndTheClockAreStoredForTheCurrentUser) {
  Values machine = kMachine;
  machine["Planet_Positions"] = 0;
  Store(HKEY_LOCAL_MACHINE, kMachineKey, machine);
  TCfgFrmWin32& d = OpenDialog();
  EXPECT_FALSE(Checked(d.planetsToday) || Checked(d.showClock) || Checked(d.constellations));
  Click(d.planetsToday);
  EXPECT_TRUE(IsWindowEnabled(d.applyBtn));
  Click(d.applyBtn);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey)["Planet_Positions"], 1u);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey)["Clock"], 0u);
  Click(d.showClock);
  EXPECT_TRUE(IsWindowEnabled(d.applyBtn));
  Click(d.planetsToday);
  Click(d.constellations);
  Click(d.okBtn);
  EXPECT_TRUE(d.Closed());
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey)["Planet_Positions"], 0u);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey)["Clock"], 1u);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey)["Constellations"], 1u);
  EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kMachineKey), machine) << "the machine's stay as they were";
}
