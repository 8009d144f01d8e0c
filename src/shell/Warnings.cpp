#include "shell/Warnings.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace zelmar {

namespace {

struct TWarnings {
  std::mutex Lock;
  std::set<std::string> Said;
  // Lock-free, for WarnLast.
  std::atomic<bool> OnePerRun{false};
  std::atomic<bool> AnySaid{false};
};

TWarnings& Warnings() {
  // Never destroyed: a warning may come from a thread or an exit handler after static
  // destruction began.
  static TWarnings* W = new TWarnings;
  return *W;
}

}  // namespace

bool Warn(const std::string& Text, const std::string& Cause) {
  TWarnings& W = Warnings();
  std::lock_guard<std::mutex> Guard(W.Lock);
  if (W.OnePerRun && W.AnySaid) return false;
  if (!W.Said.insert(Cause.empty() ? Text : Cause).second) return false;
  W.AnySaid = true;
  std::string Line = Text;
  for (char& C : Line)
    if (C == '\r' || C == '\n') C = ' ';
  std::fprintf(stderr, "zelmar: %s\n", Line.c_str());
  std::fflush(stderr);
  return true;
}

void SetOneWarningPerRun(bool One) {
  TWarnings& W = Warnings();
  std::lock_guard<std::mutex> Guard(W.Lock);
  W.OnePerRun = One;
}

void WarnLast(const char* Text) {
  TWarnings& W = Warnings();
  if (W.OnePerRun && W.AnySaid.exchange(true)) return;
  W.AnySaid = true;
  char Line[512] = "zelmar: ";
  std::strncat(Line, Text, sizeof Line - 10);
  std::strcat(Line, "\n");
  if (write(2, Line, std::strlen(Line)) < 0) {
    // Nowhere left to say it.
  }
}

}  // namespace zelmar
