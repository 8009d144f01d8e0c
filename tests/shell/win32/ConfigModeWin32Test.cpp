// zelmar.scr /c as Windows' Screen Saver Settings start it: a process of its own whose dialog
// this test drives from outside with the messages a click sends. It runs in a scratch Wine
// prefix: each test starts without Zelmar's keys and removes them again.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "support/ZelmarProcess.h"

namespace {

constexpr const char* kMachineKey = "SOFTWARE\\Zelmar";
constexpr const char* kUserKey = "Software\\Zelmar";

using Values = std::map<std::string, DWORD>;

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

const Values kMachine = {
    {"Texture_Quality", 1}, {"Object_Quality", 1}, {"Select_Planet", 0},  {"Planet_Speed", 5},
    {"Move_Speed", 5},      {"Zelmar_Type", 0},    {"Planetary_Data", 1}, {"FPS", 0},
    {"Glare", 0},           {"Lens_Flare", 1},     {"Corona", 1},         {"Planet_Positions", 0},
    {"Clock", 0},           {"Constellations", 0}};

void StoreMachine() {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &h, nullptr),
            ERROR_SUCCESS);
  for (const auto& [name, value] : kMachine)
    RegSetValueExA(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
  RegCloseKey(h);
}

class ConfigModeWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    StoreMachine();
  }
  void TearDown() override {
    zelmar.Kill();
    Clean();
  }
  static void Clean() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kUserKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMachineKey);
  }

  // Starts zelmar.scr with the switch and waits for its dialog; null when none comes.
  HWND Start(const std::string& switches) {
    if (!zelmar.Start(ZELMAR_SCR, switches)) return nullptr;
    HANDLE process = zelmar.Handle();
    // A generous bound for a loaded machine: the dialog normally shows within a second.
    for (int i = 0; i < 600; ++i) {
      HWND dialog = FindWindowA("ZelmarCfgFrm", "Configuration");
      DWORD owner = 0;
      if (dialog) GetWindowThreadProcessId(dialog, &owner);
      if (dialog && owner == zelmar.Pid() && IsWindowVisible(dialog)) return dialog;
      // The dialog disables its owner here (a message this thread must take) before it shows.
      if (MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
        return nullptr;
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return nullptr;
  }
  static HWND Control(HWND dialog, const char* text) {
    return FindWindowExA(dialog, nullptr, "Button", text);
  }
  // The exit code once the process has ended, or -1 while it runs on.
  long Ended() {
    const DWORD code = zelmar.WaitExit(60000);
    return code == STILL_ACTIVE ? -1 : static_cast<long>(code);
  }

  ZelmarProcess zelmar;
};

}  // namespace

TEST_F(ConfigModeWin32, SlashCOpensTheDialogAndCancelEndsItKeepingTheRegistry) {
  HWND dialog = Start("/c");
  ASSERT_TRUE(dialog) << "no configuration dialog";
  HWND vhigh = Control(dialog, "Very high");
  HWND cancel = Control(dialog, "Cancel");
  ASSERT_TRUE(vhigh && cancel);
  SendMessageA(vhigh, BM_CLICK, 0, 0);
  SendMessageA(cancel, BM_CLICK, 0, 0);
  EXPECT_EQ(Ended(), 0);
  EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kMachineKey), kMachine);
  EXPECT_TRUE(Stored(HKEY_CURRENT_USER, kUserKey).empty());
}

TEST_F(ConfigModeWin32, VeryHighAndApplyWriteThePresetToTheCurrentUser) {
  // The host's settings page passes its window: the dialog stays above it.
  HWND host = CreateWindowExA(0, "STATIC", "Screen Saver Settings", WS_POPUP | WS_VISIBLE, 0, 0,
                              200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(host);
  HWND dialog = Start("/c:" + std::to_string(reinterpret_cast<std::uintptr_t>(host)));
  ASSERT_TRUE(dialog) << "no configuration dialog";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), host);
  // Modal to the page: the page takes no input while the dialog is open.
  EXPECT_FALSE(IsWindowEnabled(host));

  HWND apply = Control(dialog, "Apply");
  ASSERT_TRUE(apply);
  EXPECT_FALSE(IsWindowEnabled(apply));
  SendMessageA(Control(dialog, "Very high"), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(apply));
  SendMessageA(apply, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(apply));

  Values expected = kMachine;
  expected["Object_Quality"] = 0;
  expected["Texture_Quality"] = 0;
  expected["Glare"] = 1;
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey), expected);
  EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, kMachineKey), kMachine);

  // The close box is Cancel: what Apply saved stays saved.
  SendMessageA(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(Ended(), 0);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, kUserKey), expected);
  EXPECT_TRUE(IsWindowEnabled(host)) << "the page stayed disabled after the dialog closed";
  DestroyWindow(host);
}
