#include "shell/RunMode.h"

#include <cctype>

namespace zelmar {

std::string UpperCase(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

TRunMode ParseRunMode(const std::string& arg) {
  const std::string two = arg.substr(0, 2);
  const char one = arg.empty() ? '\0' : arg[0];
  auto is = [&](char letter) {
    return two == std::string{'/', letter} || two == std::string{'-', letter} || one == letter;
  };
  // Every matching row sets the mode, so a later row wins.
  TRunMode mode = rmNone;
  if (is('A')) mode = rmNone;
  if (is('P')) mode = rmPreview;
  if (is('S')) mode = rmSaver;
  if (is('C') || arg.empty()) mode = rmConfig;
  return mode;
}

}  // namespace zelmar
