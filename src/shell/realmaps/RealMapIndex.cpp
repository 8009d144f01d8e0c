#include "shell/realmaps/RealMapIndex.h"

#include <algorithm>

namespace zelmar {

namespace {

// Version 1 recorded no file lengths, version 2's Earth wore its clouds: such an index is
// simply not taken, and rebuilt.
constexpr std::string_view kHeader = "zelmar real maps 3\n";
constexpr std::string_view kEnd = "--\n";
// Widths and lengths are written without leading zeros and read back only so, which keeps
// every index that is taken the same text when written again.
constexpr std::int64_t kMaxWidth = 999'999'999;
constexpr std::int64_t kMaxBytes = 999'999'999'999'999;

bool Plain(const std::string& field) {
  return field.find_first_of("\t\n") == std::string::npos;
}

std::optional<std::int64_t> Number(std::string_view text, std::int64_t max) {
  if (text.empty() || text.size() > 15 || text[0] == '0') return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > max) return std::nullopt;
  return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

}  // namespace

std::optional<std::string> WriteRealMapIndex(const std::string& signature,
                                             const TRealMapIndex& index) {
  std::string text = std::string(kHeader) + signature + std::string(kEnd);
  for (const TCachedMap& m : index.Maps) {
    if (m.Media.empty() || m.Source.empty() || !Plain(m.Media) || !Plain(m.Source) || m.Width < 1 ||
        m.Width > kMaxWidth)
      return std::nullopt;
    text += "map\t" + m.Media + "\t" + m.Source + "\t" + std::to_string(m.Width);
    for (std::int64_t bytes : m.Bytes) {
      if (bytes < 1 || bytes > kMaxBytes) return std::nullopt;
      text += "\t" + std::to_string(bytes);
    }
    text += "\n";
  }
  for (const TPassedOverMap& d : index.Damaged) {
    if (d.Path.empty() || !Plain(d.Path) || !Plain(d.Why) || !Plain(d.Body) || !Plain(d.Instead))
      return std::nullopt;
    text += "damaged\t" + d.Path + "\t" + d.Why + "\t" + d.Body + "\t" + d.Instead + "\n";
  }
  if (text.size() > kMaxRealMapIndexBytes || !ParseRealMapIndex(text, signature))
    return std::nullopt;
  return text;
}

std::optional<TRealMapIndex> ParseRealMapIndex(std::string_view text, std::string_view signature) {
  if (text.size() > kMaxRealMapIndexBytes) return std::nullopt;
  if (text.size() < kHeader.size() + signature.size() + kEnd.size() ||
      text.substr(0, kHeader.size()) != kHeader ||
      text.substr(kHeader.size(), signature.size()) != signature ||
      text.substr(kHeader.size() + signature.size(), kEnd.size()) != kEnd)
    return std::nullopt;
  text.remove_prefix(kHeader.size() + signature.size() + kEnd.size());
  // A build writes whole lines; a last line without its end was cut short.
  if (!text.empty() && text.back() != '\n') return std::nullopt;
  TRealMapIndex index;
  // Maps come first, as they are written.
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::vector<std::string_view> f = Fields(text.substr(0, end));
    text.remove_prefix(end + 1);
    if (f.size() == 7 && f[0] == "map" && index.Damaged.empty()) {
      TCachedMap m;
      m.Media = f[1];
      m.Source = f[2];
      const auto width = Number(f[3], kMaxWidth);
      if (m.Media.empty() || m.Source.empty() || !width) return std::nullopt;
      m.Width = static_cast<int>(*width);
      for (std::size_t level = 0; level < 3; ++level) {
        const auto bytes = Number(f[4 + level], kMaxBytes);
        if (!bytes) return std::nullopt;
        m.Bytes[level] = *bytes;
      }
      if (std::any_of(index.Maps.begin(), index.Maps.end(),
                      [&](const TCachedMap& other) { return other.Media == m.Media; }))
        return std::nullopt;
      index.Maps.push_back(std::move(m));
    } else if (f.size() == 5 && f[0] == "damaged" && !f[1].empty()) {
      index.Damaged.push_back(
          {std::string(f[1]), std::string(f[2]), std::string(f[3]), std::string(f[4])});
    } else {
      return std::nullopt;
    }
  }
  return index;
}

}  // namespace zelmar
