// The map cache's index: the signature of the installed maps it was built for, what each cached
// map came from and how many bytes each of its files holds, and which installed maps were
// passed over as damaged. Text, one record a line, fields split by tabs; written last by a
// build, read at every start.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmar {

struct TCachedMap {
  std::string Media;   // "earth.jpg"
  std::string Source;  // the installed file it was converted from
  int Width = 0;       // the source's width in texels
  // The cached file's length at High, Medium and Low: a file cut short is not taken.
  std::array<std::int64_t, 3> Bytes{};
};

struct TPassedOverMap {
  std::string Path, Why, Body, Instead;
};

struct TRealMapIndex {
  std::vector<TCachedMap> Maps;  // one per media name
  std::vector<TPassedOverMap> Damaged;
};

// Far above any index a build writes (a few KB); a larger file is not read.
constexpr std::size_t kMaxRealMapIndexBytes = 1 << 20;

// The index's text; nothing when a field holds a tab or a line break, a number is out of the
// range Parse takes, or the text would exceed kMaxRealMapIndexBytes: a file that would never
// be taken is not written.
std::optional<std::string> WriteRealMapIndex(const std::string& signature,
                                             const TRealMapIndex& index);

// The index in text when it is whole, of this format and made for signature; nothing
// otherwise (an older format, another set of installed maps, damage), and the cache is then
// built again. Whatever it takes, WriteRealMapIndex writes back byte for byte.
std::optional<TRealMapIndex> ParseRealMapIndex(std::string_view text, std::string_view signature);

}  // namespace zelmar
