// A registry hive kept in one text file in the Windows registry export format, so that values
// keep their types and a person can read and edit it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Zelmar]
//   "Install_Dir"="/usr/share/zelmar"
//   "Texture_Quality"=dword:00000001
//
// Keys and value names compare without regard to letter case, as the registry does. Comments
// and value types this program does not use are kept as they are when the file is written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zelmar::registry {

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

struct HiveValue {
  std::string name;  // empty for the key's default value ("@")
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;  // as the registry holds it: REG_SZ with its NUL, DWORD LE
};

struct HiveLine {  // a comment line, kept in its place
  std::string text;
};

struct HiveKey {
  std::string path;  // full path, root included: HKEY_LOCAL_MACHINE\SOFTWARE\Zelmar
  std::vector<HiveValue> values;
  std::vector<std::pair<std::size_t, HiveLine>> comments;  // comment before values[index]
};

struct HiveError {
  std::string path;
  int line = 0;  // 0 when the problem is not on one line (cannot read the file)
  std::string what;
  std::string Text() const;
};

class Hive {
 public:
  // Parses the text of a hive file. On failure returns nothing and fills error (file name
  // left empty: the caller knows it).
  static std::optional<Hive> Parse(const std::string& text, HiveError& error);
  std::string Serialize() const;

  HiveKey* FindKey(const std::string& path);
  const HiveKey* FindKey(const std::string& path) const;
  HiveKey& CreateKey(const std::string& path);

  static const HiveValue* FindValue(const HiveKey& key, const std::string& name);
  static void SetValue(HiveKey& key, HiveValue value);

  const std::vector<HiveKey>& Keys() const { return keys_; }

 private:
  std::vector<HiveLine> preamble_;  // comments before the first key
  std::vector<HiveKey> keys_;
};

// Reads and parses a hive file. A missing file gives an empty hive; a file that cannot be
// read or parsed gives nothing and the error, with the file's path and line.
std::optional<Hive> LoadHive(const std::string& path, HiveError& error);

// Changes a hive file under a lock, so that concurrent writers lose nothing: takes the lock,
// reads the file afresh, lets change() edit it and, when change() returns true, replaces the
// file atomically. A file that does not parse is never written. Returns false with error set
// when the lock, the read or the write fails.
bool UpdateHive(const std::string& path, const std::function<bool(Hive&)>& change,
                HiveError& error);

bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace zelmar::registry
