// The two halves of a tree line or entry text ("  01.11.Z - Uprawa zbóż").
#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// The part before the first " - " without leading blanks (empty without " - ").
std::string CodeOf(std::string_view text);
// The part after the first " - " (empty without " - ").
std::string TitleOf(const std::string& text);

}  // namespace catalogue
