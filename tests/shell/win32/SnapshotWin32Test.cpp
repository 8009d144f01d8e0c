// zelmar.scr --snapshot of both displays at the README's times, compared with the Linux
// pictures in docs/ by a tolerance (Wine's Direct3D 9 is not our GL backend: edges, filtering
// and the text's font differ a little, the picture must not).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/render/d3dx/ImageFiles.h"
#include "platform/window/winuser.h"
#include "support/ZelmarProcess.h"

namespace {

// Runs the program to its end; its standard output goes to the file output when one is named.
DWORD RunProgram(const std::string& arguments, const std::string& output = {}) {
  ZelmarProcess zelmar;
  if (!output.empty()) zelmar.StdoutTo(output);
  if (!zelmar.Start(ZELMAR_SCR, arguments)) return 0xFFFFFFFF;
  return zelmar.WaitExit(600000);
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
  double Mean = 0;       // mean absolute difference per channel, 0 to 255
  double FarShare = 0;   // share of pixels with a channel more than 64 apart
  double WorstTile = 0;  // the largest mean difference of a 32 x 32 tile: a wrong object
};

constexpr unsigned kTile = 32;

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
  for (unsigned ty = 0; ty + kTile <= a.Height; ty += kTile)
    for (unsigned tx = 0; tx + kTile <= a.Width; tx += kTile) {
      std::uint64_t tileSum = 0;
      for (unsigned y = ty; y < ty + kTile; ++y)
        for (unsigned x = tx; x < tx + kTile; ++x) {
          const std::uint32_t pa = a.Pixels[std::size_t{y} * a.Width + x];
          const std::uint32_t pb = b.Pixels[std::size_t{y} * a.Width + x];
          for (int shift = 0; shift <= 16; shift += 8)
            tileSum += static_cast<std::uint64_t>(std::abs(static_cast<int>((pa >> shift) & 0xFF) -
                                                           static_cast<int>((pb >> shift) & 0xFF)));
        }
      d.WorstTile = std::max(d.WorstTile, static_cast<double>(tileSum) / (3.0 * kTile * kTile));
    }
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
  DecodedImage windows, linux;
  ASSERT_EQ(ImageFiles().DecodeFile(file, &windows), D3D_OK);
  ASSERT_EQ(ImageFiles().DecodeFile(WindowsPath(ZELMAR_SOURCE_DIR) + "/docs/" + name, &linux),
            D3D_OK);
  ASSERT_EQ(windows.Image.Width, 1280u);
  ASSERT_EQ(windows.Image.Height, 720u);
  ASSERT_EQ(linux.Image.Width, windows.Image.Width);
  ASSERT_EQ(linux.Image.Height, windows.Image.Height);
  const Difference d = Compare(windows.Image, linux.Image);
  std::printf("%s: mean difference %.2f, %.2f%% of pixels far apart, worst tile %.2f\n",
              name.c_str(), d.Mean, 100.0 * d.FarShare, d.WorstTile);
  EXPECT_LT(d.Mean, 12.0);
  EXPECT_LT(d.FarShare, 0.05);
  // Edges and filtering spread thinly; an object drawn in the wrong colour (an uninitialised
  // material gave the pedestal's foot one) fills a tile.
  EXPECT_LT(d.WorstTile, 20.0);
}

TEST(BenchWin32, PrintsTheSceneAndTheBareFrameAndTheirRatio) {
  StoreSettings();
  const std::string out = WindowsPath(ZELMAR_BUILD_DIR) + "/windows-snapshots";
  std::filesystem::create_directories(out);
  const std::string file = out + "/bench.txt";
  ASSERT_EQ(RunProgram("--bench 1 --size 320x200 --seed 1", file), 0u);
  std::ifstream in(file);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("320x200"), std::string::npos) << text;
  for (const char* row : {"\nscene ", "\nbare frame ", "\nratio "})
    EXPECT_NE(text.find(row), std::string::npos) << "no '" << row + 1 << "' row in:\n" << text;
  // Frames were drawn: the scene's rate is a positive number.
  const std::size_t scene = text.find("\nscene ");
  ASSERT_NE(scene, std::string::npos);
  EXPECT_GT(std::atof(text.c_str() + scene + 7), 0.0) << text;
}

INSTANTIATE_TEST_SUITE_P(ReadmeTimes, SnapshotWin32,
                         ::testing::Values(Shot{"space", "5"}, Shot{"space", "20"},
                                           Shot{"space", "47"}, Shot{"brass", "1"},
                                           Shot{"brass", "5"}, Shot{"brass", "27"}),
                         [](const auto& info) {
                           return std::string(info.param.Display) + info.param.Seconds;
                         });
