// What zelmar.scr carries for Windows, read back from the built file: the version resource with
// its copyright, and the application manifest (DPI awareness, visual styles, execution level,
// the Windows versions it was made for).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string Program() {
  std::string path = ZELMAR_SCR;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

// A string of the version resource's English (US, Windows-1252) table; empty when missing.
std::string VersionString(const std::string& file, const std::string& name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return {};
  char* value = nullptr;
  UINT length = 0;
  const std::string path = "\\StringFileInfo\\040904E4\\" + name;
  if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
      length == 0)
    return {};
  return std::string(value);
}

}  // namespace

TEST(ScrResources, TheVersionResourceNamesTheProgramAndItsCopyright) {
  const std::string scr = Program();
  EXPECT_EQ(VersionString(scr, "LegalCopyright"), "Copyright (c) 2026 The Zelmar developers");
  EXPECT_EQ(VersionString(scr, "OriginalFilename"), "zelmar.scr");
  EXPECT_EQ(VersionString(scr, "ProductName"), "Zelmar");
}

TEST(ScrResources, TheManifestAsksForPerMonitorDpiVisualStylesAndTheInvokersRights) {
  HMODULE module = LoadLibraryExA(Program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  // The manifest Windows reads when it starts a program: RT_MANIFEST number 1.
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_TRUE(found) << "zelmar.scr has no application manifest";
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const char*>(LockResource(loaded));
  ASSERT_TRUE(bytes);
  const std::string manifest(bytes, SizeofResource(module, found));
  FreeLibrary(module);
  for (const char* wanted : {
           "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
           "PerMonitorV2",
           "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm",
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "<requestedExecutionLevel level=\"asInvoker\"",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
       })
    EXPECT_NE(manifest.find(wanted), std::string::npos) << "the manifest lacks " << wanted;
}
