#include "engine/FindMediaFile.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#include "engine/TWCollection.h"

namespace fs = std::filesystem;

namespace {

TMediaSubstitute& SubstituteStorage() {
  static TMediaSubstitute Substitute;
  return Substitute;
}

std::string& AppDirStorage() {
  static std::string Dir;
  return Dir;
}

constexpr char Separator = static_cast<char>(fs::path::preferred_separator);

bool IsSeparator(char C) {
  return C == '/' || C == '\\';
}

std::string WithSeparator(const std::string& Dir) {
  if (Dir.empty() || IsSeparator(Dir.back())) return Dir;
  return Dir + Separator;
}

bool IsFile(const fs::path& Path) {
  std::error_code Error;
  return fs::is_regular_file(Path, Error);
}

}  // namespace

void SetMediaSubstitute(TMediaSubstitute Substitute) {
  SubstituteStorage() = std::move(Substitute);
}

const std::string& ApplicationDir() {
  return AppDirStorage();
}

void SetApplicationDir(const std::string& Dir) {
  AppDirStorage() = WithSeparator(NativePath(Dir));
}

std::string MediaPathInFolder(const std::string& SubDir, const std::string& FileName) {
  const std::string Sub = WithSeparator(NativePath(SubDir));
  return (HasDrive(Sub) ? Sub : ApplicationDir() + Sub) + NativePath(FileName);
}

namespace {

struct TMediaProblems {
  std::mutex Lock;
  std::set<std::string> Reported;
  std::function<void(const std::string&, const std::string&)> Hook;
};

TMediaProblems& MediaProblems() {
  static TMediaProblems Problems;
  return Problems;
}

}  // namespace

void ReportMediaProblem(const std::string& Path, const std::string& What) {
  TMediaProblems& P = MediaProblems();
  std::lock_guard<std::mutex> Guard(P.Lock);
  // A device reset loads every texture again; the file was named the first time.
  if (!P.Reported.insert(Path).second) return;
  if (P.Hook)
    P.Hook(Path, What);
  else
    std::fprintf(stderr, "zelmar: texture %s %s; drawing without it\n", Path.c_str(), What.c_str());
}

void SetMediaProblemHook(
    std::function<void(const std::string& Path, const std::string& What)> Hook) {
  TMediaProblems& P = MediaProblems();
  std::lock_guard<std::mutex> Guard(P.Lock);
  P.Hook = std::move(Hook);
  P.Reported.clear();
}

std::string NativePath(const std::string& Path) {
  std::string Result = Path;
  for (char& C : Result)
    if (IsSeparator(C)) C = Separator;
  return Result;
}

bool HasDrive(const std::string& Path) {
  // A network path (\\server\share) is absolute everywhere, though not every library's path
  // type says so on Windows.
  if (Path.size() >= 2 && IsSeparator(Path[0]) && IsSeparator(Path[1])) return true;
  return !Path.empty() && fs::path(NativePath(Path)).is_absolute();
}

std::string ExtractFileName(const std::string& Path) {
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Path.size(); ++I)
    if (IsSeparator(Path[I])) Start = I + 1;
  // A drive colon ("C:name") ends the directory part too.
  if (Start == 0 && Path.size() >= 2 && Path[1] == ':' &&
      ((Path[0] >= 'A' && Path[0] <= 'Z') || (Path[0] >= 'a' && Path[0] <= 'z')))
    Start = 2;
  return Path.substr(Start);
}

std::string ExtractFileStem(const std::string& Path) {
  const std::string Name = ExtractFileName(Path);
  const auto Dot = Name.rfind('.');
  return Dot == std::string::npos ? Name : Name.substr(0, Dot);
}

std::string ResolveCaseInsensitive(const std::string& Path) {
  if (Path.empty()) return {};
  const fs::path Wanted(NativePath(Path));
  if (IsFile(Wanted)) return Wanted.string();
  // Walk the components, keeping each one that exists as spelled and otherwise taking the
  // first directory entry that matches it without regard to case.
  fs::path Current = Wanted.has_root_path() ? Wanted.root_path() : fs::path();
  for (const fs::path& Part : Wanted.relative_path()) {
    const fs::path Exact = Current / Part;
    std::error_code Error;
    if (fs::exists(Exact, Error)) {
      Current = Exact;
      continue;
    }
    const std::string Key = UpperCaseAscii(Part.string());
    const fs::path Dir = Current.empty() ? fs::path(".") : Current;
    bool Matched = false;
    for (fs::directory_iterator It(Dir, Error), End; !Error && It != End; It.increment(Error)) {
      const fs::path Name = It->path().filename();
      if (UpperCaseAscii(Name.string()) == Key) {
        Current = Current / Name;
        Matched = true;
        break;
      }
    }
    if (!Matched) return {};
  }
  return IsFile(Current) ? Current.string() : std::string();
}

TMediaSearchResult FindMediaFile(const std::string& AppDir, const std::string& SubDir,
                                 const std::string& ExtraPath, const std::string& FileName,
                                 const std::string& Item) {
  const std::string App = WithSeparator(NativePath(AppDir));
  const std::string Sub = WithSeparator(NativePath(SubDir));
  const std::string Extra = WithSeparator(NativePath(ExtraPath));
  const std::string Name = NativePath(FileName);

  auto Try = [&Item](const std::string& Candidate, TMediaSearchResult& Result) {
    Result.Path = Candidate;
    const std::string Existing = ResolveCaseInsensitive(Candidate);
    if (Existing.empty()) return false;
    Result.Path = Existing;
    if (const TMediaSubstitute& Substitute = SubstituteStorage())
      if (std::string Other = Substitute(Existing, Item); !Other.empty())
        Result.Path = std::move(Other);
    Result.Found = true;
    return true;
  };

  TMediaSearchResult Result;
  if (HasDrive(Name) && Try(Name, Result)) return Result;
  if (HasDrive(Sub) && Try(Sub + Name, Result)) return Result;
  if (HasDrive(Extra) && Try(Extra + Name, Result)) return Result;
  if (Try(App + Sub + Name, Result)) return Result;
  if (Try(App + Name, Result)) return Result;
  // A file the program does not ship may still be brought by a substitute (a layer that only
  // an installed map gives): asked with the name in the texture folder.
  if (const TMediaSubstitute& Substitute = SubstituteStorage()) {
    const std::string InFolder = HasDrive(Sub) ? Sub + Name : App + Sub + Name;
    if (std::string Other = Substitute(InFolder, Item); !Other.empty()) {
      Result.Path = std::move(Other);
      Result.Found = true;
    }
  }
  return Result;
}
