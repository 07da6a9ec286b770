// A catalogue many times the size of the real one, for benchmarks: copies of
// the real PKD 2025 tree lines, descriptions included, each copy with codes of
// its own, so that code lookups, the tree and the searches meet the same
// shapes as on the real catalogue, only more of them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace testing_support {

struct TSyntheticOptions {
  int Copies = 100;
  // Also marks every title with its copy number. Without it the copies share
  // their titles, and the result list of the search by words merges them.
  bool MarkTitles = false;
};

// From the text of a catalogue (header records, then tree lines with an
// optional TAB and description): the headers once, then the tree lines
// options.Copies times. Copy k's codes begin with "K" and k in as many digits
// as the last copy number needs and a dot ("K07.01.11.Z"); the indentation
// stays, so the depth rules hold within every copy. With the copy number in
// front, each copy's codes stay together in code order, as the codes of a
// larger real catalogue would.
std::string SyntheticCatalogueText(const std::string& text, const TSyntheticOptions& options);

// The synthetic catalogue of the compressed catalogue at realKod, written as
// "synthetic.kod" into a fresh folder in the system's temporary folder; the
// folder goes with the object.
class TSyntheticCatalogue {
 public:
  TSyntheticCatalogue(const std::filesystem::path& realKod, const TSyntheticOptions& options);
  ~TSyntheticCatalogue();
  TSyntheticCatalogue(const TSyntheticCatalogue&) = delete;
  TSyntheticCatalogue& operator=(const TSyntheticCatalogue&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::string FFolder;
  std::filesystem::path FPath;
};

}  // namespace testing_support
