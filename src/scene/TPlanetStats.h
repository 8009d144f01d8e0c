// The data-panel lines of a body. Lines are indexed from 1 (entry 0 is unused) and kept in
// Windows-1252, as the catalogue stores them; DisplayText turns one into text for display.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zelmar {

struct TPlanetStats {
  std::int32_t Count = 0;
  std::array<std::string, 66> Lines{};  // Lines[1] .. Lines[65]
};

}  // namespace zelmar
