#include "shell/modes/RunMode.h"

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

std::string ConfigOwner(const std::string& arg) {
  if (ParseRunMode(arg) != rmConfig) return {};
  const std::size_t colon = arg.find(':');
  return colon == std::string::npos ? std::string() : arg.substr(colon + 1);
}

bool ParseWindowHandle(const std::string& text, unsigned long& out) {
  if (text.empty()) return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'X' || text[1] == 'x');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return false;
  unsigned long long v = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (hex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else if (hex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else
      return false;
    v = v * (hex ? 16 : 10) + static_cast<unsigned>(d);
  }
  if (v == 0 || v > 0xFFFFFFFFull) return false;
  out = static_cast<unsigned long>(v);
  return true;
}

}  // namespace zelmar
