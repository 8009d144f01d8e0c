#include "platform/registry/Hive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

namespace zelmar::registry {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kOldHeader = "REGEDIT4";
const std::string kCrLf = "\r\n";

// Stray carriage returns (a line break doubled, or a last line without its line feed) count as
// blanks for reading; the lines themselves keep them.
constexpr const char* kBlanks = " \t\r";

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string::npos) return {};
  std::size_t e = s.find_last_not_of(kBlanks);
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

// UTF-16LE bytes as UTF-8, or nothing when they are not valid UTF-16.
std::optional<std::string> Utf16LeToUtf8(const char* p, std::size_t size) {
  if (size % 2) return std::nullopt;
  std::string out;
  out.reserve(size / 2 + size / 8);
  auto unit = [p](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i]) |
                                      static_cast<unsigned char>(p[i + 1]) << 8);
  };
  for (std::size_t i = 0; i < size; i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xDC00 && c < 0xE000) return std::nullopt;
    if (c >= 0xD800 && c < 0xDC00) {
      if (i + 2 >= size) return std::nullopt;
      std::uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low >= 0xE000) return std::nullopt;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The registry editor stores expandable strings as UTF-16LE; this program keeps strings in
// UTF-8. Data is taken for UTF-16 only when it ends in a wide NUL and holds a character below
// U+0100, which UTF-8 text with its one closing NUL never does.
void NarrowWideString(std::vector<std::uint8_t>& data) {
  const std::size_t n = data.size();
  if (n < 2 || n % 2 || data[n - 1] || data[n - 2]) return;
  bool latin = n == 2;
  for (std::size_t i = 0; i + 2 < n && !latin; i += 2) latin = data[i] && !data[i + 1];
  if (!latin) return;
  auto text = Utf16LeToUtf8(reinterpret_cast<const char*>(data.data()), n);
  if (text) data.assign(text->begin(), text->end());
}

// Parses the data after '=' into value; returns an error text or empty on success.
std::string ParseData(const std::string& text, HiveValue& value, bool wideStrings) {
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
    if (wideStrings && type == kRegExpandSz) NarrowWideString(value.data);
    return {};
  }
  return "unknown value data (expected \"text\", dword:XXXXXXXX or hex:..)";
}

std::string FormatData(const HiveValue& v) {
  if (v.type == kRegSz && !v.data.empty() && v.data.back() == 0) {
    std::string s(v.data.begin(), v.data.end() - 1);
    // The quoted form stands for text and one closing NUL, with no escape for a line break:
    // any other string goes out as hex(1), so the value keeps its type and exact bytes.
    if (s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) return Quote(s);
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

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = Lower(c);
  return out;
}

bool IsBlank(const std::string& s) {
  return s.find_first_not_of(kBlanks) == std::string::npos;
}

}  // namespace

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string HiveError::Text() const {
  // Appended piece by piece: GCC 12 at -O3 takes "x" + to_string(n) for an overlapping copy.
  std::string out = path.empty() ? std::string("hive") : path;
  if (line > 0) {
    out += ':';
    out += std::to_string(line);
  }
  out += ": ";
  out += what;
  return out;
}

std::optional<Hive> Hive::Parse(const std::string& input, HiveError& error) {
  Hive hive;
  hive.preamble_.clear();
  auto fail = [&](int lineNo, std::string what) {
    error.line = lineNo;
    error.what = std::move(what);
    return std::optional<Hive>();
  };

  // The registry editor's own export is UTF-16LE, usually with a byte order mark.
  std::string decoded;
  const std::string* text = &input;
  std::size_t start = 0;
  const bool wideBom = input.rfind("\xFF\xFE", 0) == 0;
  if (wideBom || (input.size() >= 2 && input[0] != 0 && input[1] == 0)) {
    const std::size_t skip = wideBom ? 2 : 0;
    auto narrow = Utf16LeToUtf8(input.data() + skip, input.size() - skip);
    if (!narrow)
      return fail(1, "the file starts as UTF-16 text but is not valid UTF-16 throughout");
    decoded = std::move(*narrow);
    text = &decoded;
  } else if (input.rfind("\xEF\xBB\xBF", 0) == 0) {
    hive.bom_ = "\xEF\xBB\xBF";
    start = 3;
  }

  // Lines without their line break; one carriage return before it belongs to the break.
  // The file's line ending is that of its first line that does not itself end in a carriage
  // return (which is written with CR LF either way).
  std::vector<std::string> lines;
  bool sawCrLf = false, styleKnown = false;
  while (start < text->size()) {
    std::size_t nl = text->find('\n', start);
    std::size_t end = nl == std::string::npos ? text->size() : nl;
    std::size_t cut = end;
    if (nl != std::string::npos && cut > start && (*text)[cut - 1] == '\r') --cut;
    if (!styleKnown && nl != std::string::npos && (cut == start || (*text)[cut - 1] != '\r')) {
      styleKnown = true;
      sawCrLf = cut != end;
    }
    lines.emplace_back(*text, start, cut - start);
    if (nl == std::string::npos) {
      hive.unterminated_ = true;
      break;
    }
    start = nl + 1;
  }

  bool sawHeader = false;
  HiveKey* key = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    std::string line = Trim(lines[i]);
    if (!sawHeader) {
      if (line.empty()) {
        hive.lead_.push_back(HiveLine{lines[i]});
        continue;
      }
      if (line != kHeader && line != kOldHeader)
        return fail(lineNo, std::string("the file must start with '") + kHeader + "'");
      sawHeader = true;
      hive.header_ = lines[i];
      hive.wideStrings_ = line == kHeader;
      hive.newline_ = sawCrLf ? "\r\n" : "\n";
      continue;
    }
    if (line.empty() || line[0] == ';') {
      if (key)
        key->comments.push_back({key->values.size(), HiveLine{lines[i]}});
      else
        hive.preamble_.push_back(HiveLine{lines[i]});
      continue;
    }
    if (line[0] == '[') {
      if (line.back() != ']') return fail(lineNo, "key line without its closing ']'");
      std::string path = Trim(line.substr(1, line.size() - 2));
      if (!path.empty() && path[0] == '-')
        return fail(lineNo, "key deletions ('[-...]') do not belong in a hive file");
      if (path.empty()) return fail(lineNo, "empty key name");
      key = hive.FindKey(path);
      if (!key) {
        key = &hive.AddKey(path);
        key->text = lines[i];
      }
      continue;
    }
    if (line[0] != '"' && line[0] != '@')
      return fail(lineNo, "expected a key, a value or a comment");
    if (!key) return fail(lineNo, "value before the first key");

    // A value's data may go on over several lines, each but the last ending in '\'.
    HiveValue value;
    value.text = lines[i];
    while (line.back() == '\\' && i + 1 < lines.size()) {
      line.pop_back();
      line += Trim(lines[++i]);
      value.text += '\n';
      value.text += lines[i];
    }
    std::size_t pos = 1;
    if (line[0] == '"') {
      pos = ReadQuoted(line, 0, value.name);
      if (pos == std::string::npos) return fail(lineNo, "value name without its closing quote");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=')
      return fail(lineNo, "expected '=' after the value name");
    std::string problem = ParseData(line.substr(pos + 1), value, hive.wideStrings_);
    if (!problem.empty()) return fail(lineNo, problem);
    PutValue(*key, std::move(value), false);
  }
  if (!sawHeader) return fail(1, std::string("the file must start with '") + kHeader + "'");
  return hive;
}

std::size_t Hive::Line(std::string& out, const std::string& text) const {
  out += text;
  // A line that itself ends in a carriage return needs one more, which the reader takes as
  // part of the line break.
  const std::string& lineBreak = !text.empty() && text.back() == '\r' ? kCrLf : newline_;
  out += lineBreak;
  return lineBreak.size();
}

std::string Hive::Serialize() const {
  std::string out = bom_;
  std::size_t lastBreak = 0;
  for (const auto& l : lead_) lastBreak = Line(out, l.text);
  lastBreak = Line(out, header_);
  for (const auto& l : preamble_) lastBreak = Line(out, l.text);
  for (const auto& key : keys_) {
    lastBreak = Line(out, key.text.empty() ? "[" + key.path + "]" : key.text);
    std::size_t ci = 0;
    for (std::size_t vi = 0; vi <= key.values.size(); ++vi) {
      for (; ci < key.comments.size() && key.comments[ci].first <= vi; ++ci)
        lastBreak = Line(out, key.comments[ci].second.text);
      if (vi == key.values.size()) break;
      const HiveValue& v = key.values[vi];
      if (v.text.empty()) {
        lastBreak =
            Line(out, (v.name.empty() ? std::string("@") : Quote(v.name)) + "=" + FormatData(v));
        continue;
      }
      for (std::size_t from = 0;;) {
        std::size_t nl = v.text.find('\n', from);
        lastBreak =
            Line(out, v.text.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
        if (nl == std::string::npos) break;
        from = nl + 1;
      }
    }
  }
  if (unterminated_) out.resize(out.size() - lastBreak);
  return out;
}

HiveKey* Hive::FindKey(const std::string& path) {
  auto it = keyIndex_.find(Lower(path));
  return it == keyIndex_.end() ? nullptr : &keys_[it->second];
}

const HiveKey* Hive::FindKey(const std::string& path) const {
  return const_cast<Hive*>(this)->FindKey(path);
}

HiveKey& Hive::AddKey(const std::string& path) {
  keyIndex_.emplace(Lower(path), keys_.size());
  keys_.push_back(HiveKey{path, {}, {}});
  return keys_.back();
}

HiveKey& Hive::CreateKey(const std::string& path) {
  if (HiveKey* k = FindKey(path)) return *k;
  // A blank line between sections, as this program writes them, unless one is there already.
  if (keys_.empty()) {
    if (preamble_.empty() || !IsBlank(preamble_.back().text)) preamble_.push_back(HiveLine{});
  } else {
    HiveKey& last = keys_.back();
    const bool endsBlank = !last.comments.empty() &&
                           last.comments.back().first == last.values.size() &&
                           IsBlank(last.comments.back().second.text);
    if (!endsBlank) last.comments.push_back({last.values.size(), HiveLine{}});
  }
  HiveKey& key = AddKey(path);
  key.comments.push_back({0, HiveLine{}});
  return key;
}

const HiveValue* Hive::FindValue(const HiveKey& key, const std::string& name) {
  if (key.index.size() == key.values.size()) {
    auto it = key.index.find(Lower(name));
    if (it != key.index.end() && it->second < key.values.size() &&
        EqualsIgnoreCase(key.values[it->second].name, name))
      return &key.values[it->second];
  }
  // Values changed by hand, not through SetValue: the index may not know them.
  for (const auto& v : key.values)
    if (EqualsIgnoreCase(v.name, name)) return &v;
  return nullptr;
}

void Hive::SetValue(HiveKey& key, HiveValue value) {
  PutValue(key, std::move(value), true);
}

void Hive::PutValue(HiveKey& key, HiveValue value, bool append) {
  if (key.index.size() != key.values.size()) {
    key.index.clear();
    for (std::size_t i = 0; i < key.values.size(); ++i)
      key.index.emplace(Lower(key.values[i].name), i);
  }
  auto [it, added] = key.index.emplace(Lower(value.name), key.values.size());
  if (!added) {
    HiveValue& v = key.values[it->second];
    if (v.type != value.type || v.data != value.data || !value.text.empty()) {
      // A value that comes again in the file is written back with its later line, so it takes
      // that line's spelling of the name too; a program's write keeps the file's spelling.
      if (!value.text.empty()) v.name = std::move(value.name);
      v.type = value.type;
      v.data = std::move(value.data);
      v.text = std::move(value.text);
    }
    return;
  }
  // A new value goes after the last one, before the blank lines that close the section.
  if (append) {
    const std::size_t n = key.values.size();
    for (auto c = key.comments.rbegin();
         c != key.comments.rend() && c->first == n && IsBlank(c->second.text); ++c)
      ++c->first;
  }
  key.values.push_back(std::move(value));
}

}  // namespace zelmar::registry
