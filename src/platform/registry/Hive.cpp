#include "platform/registry/Hive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zelmar::registry {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kOldHeader = "REGEDIT4";

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// Reads a quoted string starting at s[pos] == '"'; only \\ and \" are escapes, as in
// the export format. Returns the position after the closing quote, or npos.
std::size_t ReadQuoted(const std::string& s, std::size_t pos, std::string& out) {
  out.clear();
  for (std::size_t i = pos + 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out += s[++i];
    } else if (c == '"') {
      return i + 1;
    } else {
      out += c;
    }
  }
  return std::string::npos;
}

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& out) {
  out.clear();
  std::string t = Trim(text);
  if (t.empty()) return true;
  std::size_t pos = 0;
  while (pos <= t.size()) {
    std::size_t comma = t.find(',', pos);
    std::string item =
        Trim(t.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
    if (item.empty() || item.size() > 2 ||
        !std::all_of(item.begin(), item.end(), [](unsigned char c) { return std::isxdigit(c); }))
      return false;
    out.push_back(static_cast<std::uint8_t>(std::stoul(item, nullptr, 16)));
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return true;
}

// Parses the data after '=' into value; returns an error text or empty on success.
std::string ParseData(const std::string& text, HiveValue& value) {
  std::string t = Trim(text);
  if (t == "-") return "value deletions ('=-') do not belong in a hive file";
  if (!t.empty() && t[0] == '"') {
    std::string s;
    std::size_t end = ReadQuoted(t, 0, s);
    if (end == std::string::npos) return "string value without its closing quote";
    if (!Trim(t.substr(end)).empty()) return "unexpected text after a string value";
    value.type = kRegSz;
    value.data.assign(s.begin(), s.end());
    value.data.push_back(0);
    return {};
  }
  if (StartsWithNoCase(t, "dword:")) {
    std::string digits = Trim(t.substr(6));
    if (digits.empty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isxdigit(c); }))
      return "a dword value needs 1 to 8 hexadecimal digits, as in dword:00000005";
    std::uint32_t v = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    value.type = kRegDword;
    value.data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                  static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return {};
  }
  if (StartsWithNoCase(t, "hex")) {
    std::size_t colon = t.find(':');
    if (colon == std::string::npos) return "hex value without ':'";
    std::string kind = t.substr(3, colon - 3);
    std::uint32_t type = kRegBinary;
    if (!kind.empty()) {
      if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')')
        return "hex value type must be written hex(N):";
      std::string n = kind.substr(1, kind.size() - 2);
      if (n.empty() || n.size() > 8 ||
          !std::all_of(n.begin(), n.end(), [](unsigned char c) { return std::isxdigit(c); }))
        return "hex value type must be written hex(N):";
      type = static_cast<std::uint32_t>(std::stoul(n, nullptr, 16));
    }
    if (!ParseHexBytes(t.substr(colon + 1), value.data))
      return "hex data must be byte pairs separated by commas";
    value.type = type;
    return {};
  }
  return "unknown value data (expected \"text\", dword:XXXXXXXX or hex:..)";
}

std::string FormatData(const HiveValue& v) {
  if (v.type == kRegSz) {
    std::string s(v.data.begin(), v.data.end());
    if (!s.empty() && s.back() == '\0') s.pop_back();
    // The quoted form has no escape for a line break: such a string goes out as hex(1), so
    // the file still parses and the value keeps its type and bytes.
    if (s.find_first_of("\r\n") == std::string::npos) return Quote(s);
  }
  if (v.type == kRegDword && v.data.size() == 4) {
    char buf[20];
    std::uint32_t d = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | std::uint32_t{v.data[3]} << 24;
    std::snprintf(buf, sizeof buf, "dword:%08x", d);
    return buf;
  }
  std::string out;
  if (v.type == kRegBinary) {
    out = "hex:";
  } else {
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    out = buf;
  }
  for (std::size_t i = 0; i < v.data.size(); ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
    if (i) out += ',';
    out += buf;
  }
  return out;
}

}  // namespace

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string HiveError::Text() const {
  std::string where = path.empty() ? std::string("hive") : path;
  if (line > 0) where += ":" + std::to_string(line);
  return where + ": " + what;
}

std::optional<Hive> Hive::Parse(const std::string& input, HiveError& error) {
  std::string text = input;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t nl = text.find('\n', start);
    std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (nl == std::string::npos) break;
    start = nl + 1;
  }

  Hive hive;
  bool sawHeader = false;
  HiveKey* key = nullptr;
  auto fail = [&](int lineNo, std::string what) {
    error.line = lineNo;
    error.what = std::move(what);
    return std::optional<Hive>();
  };

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    std::string line = Trim(lines[i]);
    if (line.empty()) continue;
    if (!sawHeader) {
      if (line != kHeader && line != kOldHeader)
        return fail(lineNo, std::string("the file must start with '") + kHeader + "'");
      sawHeader = true;
      continue;
    }
    if (line[0] == ';') {
      if (key)
        key->comments.push_back({key->values.size(), HiveLine{line}});
      else
        hive.preamble_.push_back(HiveLine{line});
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') return fail(lineNo, "key line without its closing ']'");
      std::string path = Trim(line.substr(1, line.size() - 2));
      if (!path.empty() && path[0] == '-')
        return fail(lineNo, "key deletions ('[-...]') do not belong in a hive file");
      if (path.empty()) return fail(lineNo, "empty key name");
      key = &hive.CreateKey(path);
      continue;
    }
    if (line[0] != '"' && line[0] != '@')
      return fail(lineNo, "expected a key, a value or a comment");
    if (!key) return fail(lineNo, "value before the first key");

    // A value's data may go on over several lines, each but the last ending in '\'.
    while (line.back() == '\\' && i + 1 < lines.size()) {
      line.pop_back();
      line += Trim(lines[++i]);
    }
    HiveValue value;
    std::size_t pos = 1;
    if (line[0] == '"') {
      pos = ReadQuoted(line, 0, value.name);
      if (pos == std::string::npos) return fail(lineNo, "value name without its closing quote");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=')
      return fail(lineNo, "expected '=' after the value name");
    std::string problem = ParseData(line.substr(pos + 1), value);
    if (!problem.empty()) return fail(lineNo, problem);
    SetValue(*key, std::move(value));
  }
  if (!sawHeader) return fail(1, std::string("the file must start with '") + kHeader + "'");
  return hive;
}

std::string Hive::Serialize() const {
  std::string out = std::string(kHeader) + "\n\n";
  for (const auto& c : preamble_) out += c.text + "\n";
  if (!preamble_.empty()) out += "\n";
  for (const auto& key : keys_) {
    out += "[" + key.path + "]\n";
    std::size_t ci = 0;
    for (std::size_t vi = 0; vi <= key.values.size(); ++vi) {
      for (; ci < key.comments.size() && key.comments[ci].first <= vi; ++ci)
        out += key.comments[ci].second.text + "\n";
      if (vi == key.values.size()) break;
      const HiveValue& v = key.values[vi];
      out += (v.name.empty() ? std::string("@") : Quote(v.name)) + "=" + FormatData(v) + "\n";
    }
    out += "\n";
  }
  return out;
}

HiveKey* Hive::FindKey(const std::string& path) {
  for (auto& k : keys_)
    if (EqualsIgnoreCase(k.path, path)) return &k;
  return nullptr;
}

const HiveKey* Hive::FindKey(const std::string& path) const {
  return const_cast<Hive*>(this)->FindKey(path);
}

HiveKey& Hive::CreateKey(const std::string& path) {
  if (HiveKey* k = FindKey(path)) return *k;
  keys_.push_back(HiveKey{path, {}, {}});
  return keys_.back();
}

const HiveValue* Hive::FindValue(const HiveKey& key, const std::string& name) {
  for (const auto& v : key.values)
    if (EqualsIgnoreCase(v.name, name)) return &v;
  return nullptr;
}

void Hive::SetValue(HiveKey& key, HiveValue value) {
  for (auto& v : key.values) {
    if (EqualsIgnoreCase(v.name, value.name)) {
      v.type = value.type;
      v.data = std::move(value.data);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

std::optional<Hive> LoadHive(const std::string& path, HiveError& error) {
  error = HiveError{path, 0, {}};
  QFile file(QString::fromStdString(path));
  if (!file.exists()) {
    HiveError ignored;
    return Hive::Parse(kHeader, ignored);
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error.what = "cannot read the file: " + file.errorString().toStdString();
    return std::nullopt;
  }
  QByteArray bytes = file.readAll();
  std::optional<Hive> hive = Hive::Parse(bytes.toStdString(), error);
  error.path = path;
  return hive;
}

bool UpdateHive(const std::string& path, const std::function<bool(Hive&)>& change,
                HiveError& error) {
  error = HiveError{path, 0, {}};
  const QString file = QString::fromStdString(path);
  const QString dir = QFileInfo(file).absolutePath();
  if (!QDir().mkpath(dir)) {
    error.what = "cannot create the folder " + dir.toStdString();
    return false;
  }
  QLockFile lock(file + ".lock");
  if (!lock.tryLock(10000)) {
    error.what = lock.error() == QLockFile::LockFailedError
                     ? "another program has held the lock file for 10 seconds: " + path + ".lock"
                     : "cannot create the lock file " + path + ".lock (no permission?)";
    return false;
  }
  std::optional<Hive> hive = LoadHive(path, error);
  if (!hive) return false;
  if (!change(*hive)) return true;
  QSaveFile out(file);
  const std::string text = hive->Serialize();
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(text.data(), static_cast<qint64>(text.size())) !=
          static_cast<qint64>(text.size()) ||
      !out.commit()) {
    error.what = "cannot write the file: " + out.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace zelmar::registry
