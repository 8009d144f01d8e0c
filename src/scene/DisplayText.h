#pragma once

#include <string>
#include <string_view>

namespace zelmar {

// Converts Windows-1252 text (the catalogue's strings) to UTF-8 for display.
std::string DisplayText(std::string_view cp1252);

}  // namespace zelmar
