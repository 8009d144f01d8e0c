// The Win32 sides of the shell's platform interfaces: the PNG file of a snapshot, the form
// window, the saver's window with what it watches, and the monitor cover.
#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/render/d3dx/ImageFiles.h"
#include "shell/modes/FrameReadBack.h"
#include "shell/saver/FormWindow.h"
#include "shell/saver/SaverWindow.h"
#include "shell/win32/TMonitorCoverWin32.h"

namespace fs = std::filesystem;

TEST(ShellWin32, PngFilesHoldThePictureAndAreWrittenWholeOrNotAtAll) {
  zelmar::TFramePicture picture;
  picture.Width = 3;
  picture.Height = 2;
  picture.Pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF123456};
  const fs::path folder = fs::temp_directory_path() / "zelmar-png-test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string file = (folder / "frame.png").string();
  ASSERT_EQ(zelmar::WritePng(file, picture), "");
  DecodedImage read;
  ASSERT_EQ(ImageFiles().DecodeFile(file, &read), D3D_OK);
  EXPECT_EQ(read.Info.ImageFileFormat, D3DXIFF_PNG);
  EXPECT_EQ(read.Image.Pixels, picture.Pixels);
  // Written again over itself; only the file itself is left in the folder.
  picture.Pixels[0] = 0xFF00FFFF;
  ASSERT_EQ(zelmar::WritePng(file, picture), "");
  ASSERT_EQ(ImageFiles().DecodeFile(file, &read), D3D_OK);
  EXPECT_EQ(read.Image.Pixels[0], 0xFF00FFFFu);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  // A folder that does not exist: a reason, and no file.
  const std::string missing = (folder / "no folder" / "frame.png").string();
  EXPECT_NE(zelmar::WritePng(missing, picture), "");
  EXPECT_FALSE(fs::exists(missing));
  fs::remove_all(folder);
}

TEST(ShellWin32, FormWindowsHaveTheClientSizeAskedAndGoWhenDestroyed) {
  HWND window = zelmar::CreateFormWindow("ScrnFrm", 104, 213);
  ASSERT_TRUE(window);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 104);
  EXPECT_EQ(client.bottom, 213);
  EXPECT_FALSE(IsWindowVisible(window));
  ShowWindow(window, SW_SHOW);
  EXPECT_TRUE(zelmar::WaitUntilShown(window, 3000, false, {}));
  char caption[16] = {};
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "ScrnFrm");
  zelmar::DestroyFormWindow(window);
  EXPECT_FALSE(IsWindow(window));
  zelmar::DestroyFormWindow(window);  // gone already: nothing happens
}

TEST(ShellWin32, TheSaversWindowIsTheMonitorWithoutFrameAndStaysHiddenOnceHidden) {
  HWND window = zelmar::CreateFormWindow("ScrnFrm", 104, 213);
  ASSERT_TRUE(window);
  zelmar::PrepareSaverWindow(window);
  EXPECT_FALSE(IsWindowVisible(window)) << "prepared is not shown";
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_FALSE(style & WS_CAPTION & ~WS_BORDER) << "a caption";
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "a taskbar and Alt+Tab entry";
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

  ShowWindow(window, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(window));
  zelmar::HideSaverWindow(window);
  EXPECT_FALSE(IsWindowVisible(window));
  // What the framework's return to windowed mode does: neither shows it again.
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 640, 480, SWP_SHOWWINDOW);
  EXPECT_FALSE(IsWindowVisible(window));
  SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) | WS_VISIBLE);
  EXPECT_FALSE(IsWindowVisible(window));
  zelmar::DestroyFormWindow(window);
}

TEST(ShellWin32, TheSaversWatchSwallowsScreenSaveAndTellsActivationDisplayAndLock) {
  HWND window = zelmar::CreateFormWindow("ScrnFrm", 104, 213);
  ASSERT_TRUE(window);
  // Stands for the framework's and the form's procedures under the watch: what reaches them.
  std::vector<WPARAM> commands;
  int appDeactivations = 0;  // what Direct3D's own procedure would minimise the window on
  SubclassWindow(window, [&](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
    if (msg == WM_SYSCOMMAND) commands.push_back(wParam & 0xFFF0);
    if (msg == WM_ACTIVATEAPP && !wParam) ++appDeactivations;
    return 0;
  });
  std::vector<bool> seen;
  int activations = 0;
  bool ending = false;
  auto watch = zelmar::WatchSaverWindow(window, {[&](bool s) { seen.push_back(s); },
                                                 [&] {
                                                   ++activations;
                                                   return ending;
                                                 }});
  ASSERT_TRUE(watch);

  SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
  EXPECT_EQ(commands, std::vector<WPARAM>{SC_KEYMENU}) << "SC_SCREENSAVE went on";

  SendMessageA(window, WM_NCACTIVATE, FALSE, 0);
  SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(activations, 3);
  EXPECT_EQ(appDeactivations, 1) << "a saver that runs on lets the device hear of it";
  // A saver that ends on the loss of the focus keeps it from the device, which would minimise
  // the window for the moment before it closes.
  ending = true;
  SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(activations, 4);
  EXPECT_EQ(appDeactivations, 1) << "the ending saver's window was left to be minimised";
  ending = false;

  // The console display's state as Windows tells it: off, dimmed, on.
  auto display = [&](DWORD state) {
    std::vector<unsigned char> buffer(sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD));
    auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(buffer.data());
    setting->PowerSetting = {
        0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    setting->DataLength = sizeof(DWORD);
    std::memcpy(setting->Data, &state, sizeof state);
    SendMessageA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                 reinterpret_cast<LPARAM>(setting));
  };
  display(1);  // the state as it is when the watch registers: nothing changes
  EXPECT_TRUE(seen.empty());
  display(0);
  EXPECT_EQ(seen, std::vector<bool>{false});
  display(2);  // dimmed: still seen
  EXPECT_EQ(seen, (std::vector<bool>{false, true}));
  display(0);
  // Locked while the display is off, then the display comes on: still locked, so unseen.
  SendMessageA(window, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
  display(1);
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
  SendMessageA(window, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false, true}));

  // Gone: the procedures beneath have the window to themselves again.
  watch.reset();
  SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_KEYMENU, SC_SCREENSAVE}));
  EXPECT_EQ(activations, 4);
  zelmar::DestroyFormWindow(window);
}

TEST(ShellWin32, EveryMonitorButTheSaversIsCoveredInBlack) {
  using zelmar::TMonitorCoverWin32;
  // The primary monitor with one to its right and one left of and above it (negative
  // coordinates), as Windows lists them.
  const RECT primary{0, 0, 1920, 1080}, right{1920, 0, 3200, 1024}, left{-1280, -200, 0, 824};
  const auto uncovered = TMonitorCoverWin32::Uncovered({left, primary, right}, primary);
  ASSERT_EQ(uncovered.size(), 2u);
  EXPECT_TRUE(EqualRect(&uncovered[0], &left));
  EXPECT_TRUE(EqualRect(&uncovered[1], &right));
  EXPECT_TRUE(TMonitorCoverWin32::Uncovered({primary}, primary).empty());

  // Here, on one monitor: no black window, and the saver's window takes the mouse's moves
  // wherever they are, until the cover goes.
  HWND saver = zelmar::CreateFormWindow("ScrnFrm", 104, 213);
  ASSERT_TRUE(saver);
  zelmar::PrepareSaverWindow(saver);
  ShowWindow(saver, SW_SHOW);
  {
    TMonitorCoverWin32 cover(saver);
    EXPECT_EQ(cover.Blanks().size(), static_cast<std::size_t>(GetSystemMetrics(SM_CMONITORS) - 1));
    for (HWND blank : cover.Blanks()) {
      EXPECT_TRUE(IsWindowVisible(blank));
      EXPECT_TRUE(GetWindowLongA(blank, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    }
    EXPECT_EQ(GetCapture(), saver);
  }
  EXPECT_NE(GetCapture(), saver);
  zelmar::DestroyFormWindow(saver);
}
