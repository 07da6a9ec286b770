// The additional descriptions of the catalogue's codes, kept sorted by code.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

struct TROpisy {
  std::string Opis;        // as written in the file, 0xFF line-break marks included
  std::string OpisUpper;   // Opis in Windows-1250 upper case
  std::string LiniaUpper;  // the tree part of the catalogue line, upper case
};

// Entries are sorted by key ignoring case, and among equal keys the newest
// stands first, so a look-up (which lands on the first equal key) yields the
// description of the latest line. Adding collects entries and sorts them in
// at the next read, so loading n lines costs O(n log n) in any order; one by
// one into a sorted vector it was quadratic.
class TOpisy {
 public:
  TOpisy() = default;
  TOpisy(const TOpisy&) = delete;
  TOpisy& operator=(const TOpisy&) = delete;

  void Add(const std::string& code, std::string opis, std::string_view line);
  // Description of the first entry whose key equals code (ignoring case); "" if none.
  std::string Opis(std::string_view code) const;
  // LiniaUpper + " " + OpisUpper of that entry; "" if none.
  std::string SearchText(std::string_view code) const;
  // The record itself, or nullptr.
  const TROpisy* Find(std::string_view code) const;

  size_t Count() const { return FEntries.size() + FPending.size(); }
  const std::string& Key(size_t i) const { return Settled()[i].Key; }
  const TROpisy& Record(size_t i) const { return *Settled()[i].Record; }
  void Clear() {
    FEntries.clear();
    FPending.clear();
  }

 private:
  struct TEntry {
    std::string Key;
    std::string Folded;  // Key in upper case: compared bytewise, as the case-blind order
    std::unique_ptr<TROpisy> Record;
  };
  // The sorted entries, with whatever was added since sorted in.
  const std::vector<TEntry>& Settled() const;
  // Entries sorted and in place; FPending is in the order of adding.
  mutable std::vector<TEntry> FEntries;
  mutable std::vector<TEntry> FPending;
};

}  // namespace catalogue
