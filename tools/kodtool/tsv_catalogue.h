// Turning the classification's TSV data into catalogue text.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kodtool {

struct BuildOptions {
  std::string naglowek;  // header record 1; empty: "PKD <revision>"
  std::string tytul;     // header record 2; empty: the revision's full title
  std::string mapText;   // correspondence TSV (code2007, code2025), UTF-8; empty: none
};

// Builds the catalogue text (Windows-1250, CR LF line ends) from a TSV of the
// classification (UTF-8). Throws text::Exception with a message in
// Windows-1250 naming the row, code or character at fault.
std::string BuildCatalogueText(const std::string& tsv, const std::string& sourceName, const BuildOptions& options);

}  // namespace kodtool
