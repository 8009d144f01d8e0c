// A hive file in a temporary folder, named by ZELMAR_HIVE for the test's duration.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempHive {
 public:
  TempHive() {
    char tmpl[] = "/tmp/zelmar-hive-XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/zelmar.reg";
    setenv("ZELMAR_HIVE", path_.c_str(), 1);
  }
  ~TempHive() {
    unsetenv("ZELMAR_HIVE");
    std::filesystem::remove_all(dir_);
  }
  const std::string& Path() const { return path_; }
  void Write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  std::string dir_;
  std::string path_;
};
