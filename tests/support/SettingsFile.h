// A settings file's text, built value by value in the form the store writes it: the machine's
// key, then the current user's key when a value was given for it, each value in the order
// given. For the tests that hand the program a settings file; tests of the file format itself
// write their bytes out.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>

class SettingsFile {
 public:
  // A number, stored as a dword.
  SettingsFile& Set(const std::string& name, int value) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(value));
    return Line("\"" + name + "\"=dword:" + hex);
  }
  // A text, stored as a string.
  SettingsFile& Set(const std::string& name, const std::string& value) {
    return Line("\"" + name + "\"=\"" + value + "\"");
  }
  SettingsFile& Set(const std::string& name, const char* value) {
    return Set(name, std::string(value));
  }
  // Several numbers, in the order given.
  SettingsFile& Set(std::initializer_list<std::pair<const char*, int>> values) {
    for (const auto& [name, value] : values) Set(name, value);
    return *this;
  }
  // A value line as it stands, for a value of another form.
  SettingsFile& Line(const std::string& line) {
    (user_ ? userValues_ : machineValues_) += line + "\n";
    return *this;
  }
  // The values that follow go to the current user's key.
  SettingsFile& User() {
    user_ = true;
    return *this;
  }

  std::string Text() const {
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar]\n" +
        machineValues_ + "\n";
    if (user_) text += "[HKEY_CURRENT_USER\\Software\\Zelmar]\n" + userValues_ + "\n";
    return text;
  }
  operator std::string() const { return Text(); }

  void Write(const std::filesystem::path& path) const {
    std::ofstream(path, std::ios::binary) << Text();
  }

 private:
  std::string machineValues_, userValues_;
  bool user_ = false;
};

#ifdef ZELMAR_MEDIA
// The build's media (or a folder in its place) at Low quality, which loads quickest: the start
// of a run's settings.
inline SettingsFile QuickSettings(const std::string& media = ZELMAR_MEDIA) {
  return SettingsFile()
      .Set("Install_Dir", media)
      .Set({{"Texture_Quality", 2}, {"Object_Quality", 2}});
}
#endif
