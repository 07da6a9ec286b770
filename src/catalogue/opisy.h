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

class TOpisy {
 public:
  TOpisy() = default;
  TOpisy(const TOpisy&) = delete;
  TOpisy& operator=(const TOpisy&) = delete;

  // Inserts before any entries with an equal key, so the newest stands first.
  void Add(const std::string& code, const std::string& opis, const std::string& line);
  // Description of the first entry whose key equals code (ignoring case); "" if none.
  std::string Opis(std::string_view code) const;
  // LiniaUpper + " " + OpisUpper of that entry; "" if none.
  std::string SearchText(std::string_view code) const;
  // The record itself, or nullptr.
  const TROpisy* Find(std::string_view code) const;

  size_t Count() const { return FEntries.size(); }
  const std::string& Key(size_t i) const { return FEntries[i].key; }
  const TROpisy& Record(size_t i) const { return *FEntries[i].record; }
  void Clear() { FEntries.clear(); }

 private:
  struct Entry {
    std::string key;
    std::unique_ptr<TROpisy> record;
  };
  // First position whose key is not less than code.
  size_t LowerBound(std::string_view code) const;
  std::vector<Entry> FEntries;
};

}  // namespace catalogue
