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
  std::string otherTsv;  // the other revision's classification TSV, UTF-8; empty: its codes unchecked
};

// Builds the catalogue text (Windows-1250, CR LF line ends) from a TSV of the
// classification (UTF-8). Throws text::Exception with a message in
// Windows-1250 naming the row, code or character at fault, also for a row of
// the map naming a subclass that this catalogue lacks, or that the other
// revision's TSV lacks when it is given. With a map, each subclass without a
// counterpart is named in warnings (Windows-1250) when given: the build goes on.
// The notes stay as published: the correspondence goes only into the header
// records.
std::string BuildCatalogueText(const std::string& tsv, const std::string& sourceName, const BuildOptions& options,
                               std::vector<std::string>* warnings = nullptr);

}  // namespace kodtool
