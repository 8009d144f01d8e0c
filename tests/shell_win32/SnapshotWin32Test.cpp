// zelmar.scr --snapshot of both displays at the README's times, compared with the Linux
// pictures in docs/ by a tolerance (Wine's Direct3D 9 is not our GL backend: edges, filtering
// and the text's font differ a little, the picture must not).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/render/win32/WicImage.h"
#include "platform/window/winuser.h"

namespace {

// A path of the build machine, as Windows programs under Wine reach it.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

DWORD RunProgram(const std::string& arguments) {
  std::string line = "\"" + WindowsPath(ZELMAR_SCR) + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return 0xFFFFFFFF;
  WaitForSingleObject(info.hProcess, 600000);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(info.hProcess, &code);
  if (code == STILL_ACTIVE) TerminateProcess(info.hProcess, 99);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return code;
}

// The settings of the README's pictures, for this user: High quality, every effect on.
void StoreSettings() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Zelmar", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::pair<const char*, DWORD> values[] = {
      {"Texture_Quality", 0}, {"Object_Quality", 0}, {"Select_Planet", 0},  {"Planet_Speed", 5},
      {"Move_Speed", 5},      {"Zelmar_Type", 0},    {"Planetary_Data", 1}, {"FPS", 0},
      {"Glare", 1},           {"Lens_Flare", 1},     {"Corona", 1}};
  for (const auto& [name, value] : values)
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

struct Difference {
  double Mean = 0;      // mean absolute difference per channel, 0 to 255
  double FarShare = 0;  // share of pixels with a channel more than 64 apart
};

Difference Compare(const Image32& a, const Image32& b) {
  Difference d;
  std::uint64_t sum = 0, farPixels = 0;
  for (std::size_t i = 0; i < a.Pixels.size(); ++i) {
    int worst = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const int diff = std::abs(static_cast<int>((a.Pixels[i] >> shift) & 0xFF) -
                                static_cast<int>((b.Pixels[i] >> shift) & 0xFF));
      sum += static_cast<std::uint64_t>(diff);
      worst = std::max(worst, diff);
    }
    farPixels += worst > 64;
  }
  d.Mean = static_cast<double>(sum) / (3.0 * static_cast<double>(a.Pixels.size()));
  d.FarShare = static_cast<double>(farPixels) / static_cast<double>(a.Pixels.size());
  return d;
}

struct Shot {
  const char* Display;
  const char* Seconds;
};

class SnapshotWin32 : public ::testing::TestWithParam<Shot> {};

}  // namespace

TEST_P(SnapshotWin32, MatchesTheLinuxPictureWithinTolerance) {
  StoreSettings();
  const Shot shot = GetParam();
  const std::string name = std::string("scene-") + shot.Display + "-" + shot.Seconds + "s.png";
  const std::string out = WindowsPath(ZELMAR_BUILD_DIR) + "/windows-snapshots";
  std::filesystem::create_directories(out);
  const std::string file = out + "/" + name;
  ASSERT_EQ(RunProgram(std::string("--snapshot ") + shot.Seconds + " \"" + file + "\" --scene " +
                       shot.Display + " --seed 1"),
            0u);
  DecodedImage32 windows, linux;
  ASSERT_EQ(DecodeImageFile(file, windows), ImageResult::Ok);
  ASSERT_EQ(DecodeImageFile(WindowsPath(ZELMAR_SOURCE_DIR) + "/docs/" + name, linux),
            ImageResult::Ok);
  ASSERT_EQ(windows.Image.Width, 1280u);
  ASSERT_EQ(windows.Image.Height, 720u);
  ASSERT_EQ(linux.Image.Width, windows.Image.Width);
  ASSERT_EQ(linux.Image.Height, windows.Image.Height);
  const Difference d = Compare(windows.Image, linux.Image);
  std::printf("%s: mean difference %.2f, %.2f%% of pixels far apart\n", name.c_str(), d.Mean,
              100.0 * d.FarShare);
  EXPECT_LT(d.Mean, 12.0);
  EXPECT_LT(d.FarShare, 0.05);
}

INSTANTIATE_TEST_SUITE_P(ReadmeTimes, SnapshotWin32,
                         ::testing::Values(Shot{"space", "5"}, Shot{"space", "20"},
                                           Shot{"space", "47"}, Shot{"brass", "1"},
                                           Shot{"brass", "5"}, Shot{"brass", "27"}),
                         [](const auto& info) {
                           return std::string(info.param.Display) + info.param.Seconds;
                         });
