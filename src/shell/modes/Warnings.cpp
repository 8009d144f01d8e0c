#include "shell/modes/Warnings.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "engine/FindMediaFile.h"

#ifdef _WIN32
#include <io.h>
#define write _write
#else
#include <unistd.h>
#endif

namespace zelmar {

namespace {

struct TWarnings {
  std::mutex Lock;
  std::set<std::string> Said;
  // Lock-free, for WarnLast.
  std::atomic<bool> OnePerRun{false};
  std::atomic<bool> AnySaid{false};
  // Media problems by cause ("is missing", "cannot be loaded"), held until said.
  std::map<std::string, std::vector<std::string>> Media;
  bool MediaHeld = false;
};

TWarnings& Warnings() {
  // Never destroyed: a warning may come from a thread or an exit handler after static
  // destruction began.
  static TWarnings* W = new TWarnings;
  return *W;
}

// The folder all the paths lie in.
std::string CommonFolder(const std::vector<std::string>& Paths) {
  std::filesystem::path Common = std::filesystem::path(Paths.front()).parent_path();
  for (const std::string& P : Paths)
    while (!Common.empty() &&
           std::filesystem::path(P).lexically_relative(Common).string().rfind("..", 0) == 0)
      Common = Common.parent_path();
  return Common.string();
}

std::string MediaLine(const std::string& What, const std::vector<std::string>& Paths) {
  if (Paths.size() == 1) return "texture " + Paths.front() + " " + What + "; drawing without it";
  const std::string Folder = CommonFolder(Paths);
  std::string Names;
  for (std::size_t I = 0; I < Paths.size() && I < 3; ++I)
    Names += (I ? ", " : "") + std::filesystem::path(Paths[I]).lexically_relative(Folder).string();
  if (Paths.size() > 3) Names += ", ...";
  const std::string Cause = What == "is missing" ? "missing" : What;
  return std::to_string(Paths.size()) + " textures " + Cause + " under " + Folder + " (" + Names +
         "); drawing without them";
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

void HoldMediaProblems() {
  {
    TWarnings& W = Warnings();
    std::lock_guard<std::mutex> Guard(W.Lock);
    W.MediaHeld = true;
    W.Media.clear();
  }
  SetMediaProblemHook([](const std::string& Path, const std::string& What) {
    TWarnings& W = Warnings();
    std::unique_lock<std::mutex> Guard(W.Lock);
    std::vector<std::string>& Paths = W.Media[What];
    Paths.push_back(Path);
    if (W.MediaHeld || Paths.size() > 1) return;
    Guard.unlock();
    Warn(MediaLine(What, Paths), "texture " + What);
  });
}

void SayMediaProblems() {
  std::map<std::string, std::vector<std::string>> Media;
  {
    TWarnings& W = Warnings();
    std::lock_guard<std::mutex> Guard(W.Lock);
    if (!W.MediaHeld) return;
    W.MediaHeld = false;
    Media = W.Media;
  }
  for (const auto& [What, Paths] : Media) Warn(MediaLine(What, Paths), "texture " + What);
}

bool OneWarningPerRun() {
  return Warnings().OnePerRun;
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
