// Any bytes as a hive file: parsing never crashes, and whatever parses is written as a text
// that parses to the same keys and values and is written again unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/registry/Hive.h"

using zelmar::registry::Hive;
using zelmar::registry::HiveError;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "hive property broken: %s\n--- written text ---\n%s\n---\n", what,
               text.c_str());
  std::abort();
}

bool SameContent(const Hive& a, const Hive& b) {
  if (a.Keys().size() != b.Keys().size()) return false;
  for (std::size_t k = 0; k < a.Keys().size(); ++k) {
    const auto& x = a.Keys()[k];
    const auto& y = b.Keys()[k];
    if (x.path != y.path || x.values.size() != y.values.size()) return false;
    for (std::size_t v = 0; v < x.values.size(); ++v)
      if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
          x.values[v].data != y.values[v].data)
        return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  HiveError error;
  const auto first = Hive::Parse(text, error);
  if (!first) return 0;
  const std::string written = first->Serialize();
  const auto second = Hive::Parse(written, error);
  if (!second) Fail(("the written text does not parse: " + error.Text()).c_str(), written);
  if (!SameContent(*first, *second)) Fail("the written text reads back different", written);
  if (second->Serialize() != written) Fail("a second write changes the text", written);
  return 0;
}
