// A registry hive kept in one text file in the Windows registry export format, so that values
// keep their types and a person can read and edit it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Zelmar]
//   "Install_Dir"="/usr/share/zelmar"
//   "Texture_Quality"=dword:00000001
//
// Keys and value names compare without regard to letter case, as the registry does. A file
// is written back as it was read, comments, spacing, line endings and value types this program
// does not use included; only the values the program changed or added are written anew.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zelmar::registry {

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

struct HiveValue {
  std::string name;  // empty for the key's default value ("@")
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;  // as the registry holds it: REG_SZ with its NUL, DWORD LE
  // The value's lines as the file had them ('\n' between continued lines), written back as
  // they were while type and data stay the same, so that a file keeps its own spelling.
  std::string text = {};
};

struct HiveLine {  // a comment or blank line, kept in its place
  std::string text;
};

struct HiveKey {
  std::string path;  // full path, root included: HKEY_LOCAL_MACHINE\SOFTWARE\Zelmar
  std::vector<HiveValue> values;
  std::vector<std::pair<std::size_t, HiveLine>> comments;  // lines before values[index]
  std::string text = {};                                   // the key's line as the file had it
  // Lower-cased value name -> position in values; SetValue keeps it and rebuilds it when
  // values was changed by hand.
  std::unordered_map<std::string, std::size_t> index = {};
};

struct HiveError {
  std::string path;
  int line = 0;  // 0 when the problem is not on one line (cannot read the file)
  std::string what;
  int systemError = 0;  // errno of the call that failed; 0 for a file that is not a hive
  std::string Text() const;
};

class Hive {
 public:
  // Parses the text of a hive file: UTF-8 (with or without its byte order mark) or UTF-16 as
  // the registry editor exports it. On failure returns nothing and fills error (file name
  // left empty: the caller knows it).
  static std::optional<Hive> Parse(const std::string& text, HiveError& error);
  // The file's text in UTF-8. Lines read from a file come back as they were, in the file's
  // line ending; a file read and written back unchanged is the same bytes.
  std::string Serialize() const;

  HiveKey* FindKey(const std::string& path);
  const HiveKey* FindKey(const std::string& path) const;
  // The key, created at the end of the file when it is missing.
  HiveKey& CreateKey(const std::string& path);

  static const HiveValue* FindValue(const HiveKey& key, const std::string& name);
  // Replaces the value of that name in place, or adds it after the key's last value.
  static void SetValue(HiveKey& key, HiveValue value);

  const std::vector<HiveKey>& Keys() const { return keys_; }

 private:
  HiveKey& AddKey(const std::string& path);
  static void PutValue(HiveKey& key, HiveValue value, bool append);
  // Appends one line and its line break; returns the length of the break.
  std::size_t Line(std::string& out, const std::string& text) const;

  std::string bom_;             // a UTF-8 byte order mark the file started with
  std::vector<HiveLine> lead_;  // blank lines before the header
  std::string header_ = "Windows Registry Editor Version 5.00";
  bool wideStrings_ = true;  // expandable strings may be UTF-16LE
  std::string newline_ = "\n";
  bool unterminated_ = false;                      // the last line had no line break
  std::vector<HiveLine> preamble_ = {HiveLine{}};  // lines before the first key
  std::vector<HiveKey> keys_;
  std::unordered_map<std::string, std::size_t> keyIndex_;  // lower-cased path -> keys_
};

// The largest file taken for a hive; anything larger is not a settings file of this program.
constexpr std::size_t kMaxHiveBytes = 4u << 20;

// Reads and parses a hive file. A missing file gives an empty hive; a file that cannot be
// read or parsed, or is not a regular file, or is larger than kMaxHiveBytes, gives nothing and
// the error, with the file's path and line.
std::optional<Hive> LoadHive(const std::string& path, HiveError& error);

// Changes a hive file under a lock, so that concurrent writers lose nothing: takes the lock
// (an advisory lock on "<file>.lock", which the system releases when its holder dies), removes
// temporary files a killed writer left, reads the file afresh, lets change() edit it and, when
// change() returns true, writes a temporary file beside it, syncs it and renames it over the
// file. The file is then either the new text, whole, or as it was. A file that does not parse
// is never written. Returns false with error set when the lock, the read or the write fails.
bool UpdateHive(const std::string& path, const std::function<bool(Hive&)>& change,
                HiveError& error);

// Compares as the registry compares names: ASCII letters without regard to case.
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace zelmar::registry
