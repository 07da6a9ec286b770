// The two halves of a tree line or entry text ("  01.11.Z - Uprawa zbóż").
#pragma once

#include <string>

namespace catalogue {

// The part before the first " - " without leading blanks (empty without " - ").
std::string CodeOf(const std::string& text);
// The part after the first " - " (empty without " - ").
std::string TitleOf(const std::string& text);

}  // namespace catalogue
