// Any bytes as the map cache's index: reading never crashes, and whatever is taken is written
// back as the same text, byte for byte. The signature is taken from the input (the lines
// between the first and "--"), so that the records after it are reached.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/realmaps/RealMapIndex.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "map index property broken: %s\n--- text ---\n%s\n---\n", what,
               text.c_str());
  std::abort();
}

void Check(std::string_view text, std::string_view signature) {
  const auto index = zelmar::ParseRealMapIndex(text, signature);
  if (!index) return;
  if (text.size() > zelmar::kMaxRealMapIndexBytes) Fail("an index over the limit is taken", "");
  for (std::size_t i = 0; i < index->Maps.size(); ++i) {
    const zelmar::TCachedMap& m = index->Maps[i];
    if (m.Media.empty() || m.Source.empty() || m.Width < 0) Fail("a map is taken empty", "");
    for (std::int64_t bytes : m.Bytes)
      if (bytes < 1) Fail("a cached file of no length is taken", std::string(text));
    for (std::size_t j = 0; j < i; ++j)
      if (index->Maps[j].Media == m.Media) Fail("a map is taken twice", std::string(text));
  }
  const auto written = zelmar::WriteRealMapIndex(std::string(signature), *index);
  if (!written) Fail("what was taken cannot be written", std::string(text));
  if (*written != text) Fail("what was taken is written differently", *written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(text, "/usr/share\n");
  const std::size_t first = text.find('\n');
  if (first == std::string_view::npos) return 0;
  const std::size_t end = text.find("\n--\n", first);
  if (end != std::string_view::npos) Check(text, text.substr(first + 1, end - first));
  Check(text, text.substr(first + 1, 0));
  return 0;
}
