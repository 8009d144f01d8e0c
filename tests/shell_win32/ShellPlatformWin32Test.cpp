// The shell's Windows platform: the PNG file of a snapshot and the form window.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/render/win32/WicImage.h"
#include "shell/ShellPlatform.h"

namespace fs = std::filesystem;

TEST(ShellPlatformWin32, PngFilesHoldThePictureAndAreWrittenWholeOrNotAtAll) {
  zelmar::TFramePicture picture;
  picture.Width = 3;
  picture.Height = 2;
  picture.Pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF123456};
  const fs::path folder = fs::temp_directory_path() / "zelmar-png-test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string file = (folder / "frame.png").string();
  ASSERT_EQ(zelmar::WritePng(file, picture), "");
  DecodedImage32 read;
  ASSERT_EQ(DecodeImageFile(file, read), ImageResult::Ok);
  EXPECT_EQ(read.Kind, ImageFileKind::Png);
  EXPECT_EQ(read.Image.Pixels, picture.Pixels);
  // Written again over itself; only the file itself is left in the folder.
  picture.Pixels[0] = 0xFF00FFFF;
  ASSERT_EQ(zelmar::WritePng(file, picture), "");
  ASSERT_EQ(DecodeImageFile(file, read), ImageResult::Ok);
  EXPECT_EQ(read.Image.Pixels[0], 0xFF00FFFFu);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  // A folder that does not exist: a reason, and no file.
  const std::string missing = (folder / "no folder" / "frame.png").string();
  EXPECT_NE(zelmar::WritePng(missing, picture), "");
  EXPECT_FALSE(fs::exists(missing));
  fs::remove_all(folder);
}

TEST(ShellPlatformWin32, FormWindowsHaveTheClientSizeAskedAndGoWhenDestroyed) {
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
