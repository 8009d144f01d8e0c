// The media search: where a texture (or the cursor image) named by the scene is found.
// Stored names may use backslashes; they are read as the platform's separator. A path "has a
// drive" when it is absolute. When a candidate does not exist with its exact spelling, a file
// whose name differs only in ASCII letter case is taken instead ("Rod.jpg" for "rod.jpg").
#pragma once

#include <functional>
#include <string>

struct TMediaSearchResult {
  bool Found = false;
  // The file found, or the last candidate (program directory + name) when nothing was.
  std::string Path;
};

// Item names the resource item that asks (a texture's name), so that items sharing one file can
// be told apart by a substitute; empty when no item asks.
TMediaSearchResult FindMediaFile(const std::string& AppDir, const std::string& SubDir,
                                 const std::string& ExtraPath, const std::string& FileName,
                                 const std::string& Item = {});

// A file to take instead of one the search found (given its path and the asking item's name),
// or empty to keep it; a file the search did not find is asked for by its path in the texture
// folder. The shell sets one to show real planet maps where the system has them; none is set
// by default.
using TMediaSubstitute =
    std::function<std::string(const std::string& Found, const std::string& Item)>;
void SetMediaSubstitute(TMediaSubstitute Substitute);

// Where a file of that name is looked for first: SubDir itself when absolute, else below the
// program's directory. For messages about a file that was not found.
std::string MediaPathInFolder(const std::string& SubDir, const std::string& FileName);

// Says on stderr that a media file is missing or cannot be loaded ("zelmar: texture
// /usr/share/zelmar/textures/Medium/stars.jpg is missing; drawing without it"), once per file
// and run however often it is loaded again. A hook, when set, takes the file and What ("is
// missing", "cannot be loaded") instead, so that the program may say them together.
void ReportMediaProblem(const std::string& Path, const std::string& What);
void SetMediaProblemHook(
    std::function<void(const std::string& Path, const std::string& What)> Hook);

// The program's own directory, with a trailing separator. The engine cannot ask the platform
// itself, so the shell sets it at start-up; until then it is empty (the working directory).
const std::string& ApplicationDir();
void SetApplicationDir(const std::string& Dir);

// Helpers of the search, shared with the resource kinds.
// Backslashes become the platform's separator.
std::string NativePath(const std::string& Path);
bool HasDrive(const std::string& Path);
// The text after the last path separator (either kind) or drive colon.
std::string ExtractFileName(const std::string& Path);
// The file name without its extension.
std::string ExtractFileStem(const std::string& Path);
// Path itself when it exists, else the existing path that differs from it only in the ASCII
// letter case of some components; empty when there is none.
std::string ResolveCaseInsensitive(const std::string& Path);
