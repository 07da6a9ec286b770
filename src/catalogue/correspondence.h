// The correspondence between the catalogue's revision and the other one
// (PKD 2007 and PKD 2025): for each code of the other revision, its
// counterparts in this catalogue. It travels in header records that a
// loader without it drops as records it does not know:
//   @4=<the other revision's name>=<this revision's name>   ("PKD 2007=PKD 2025")
//   @5=<code of the other revision>=<counterpart>,<counterpart>...
// (one @5 per code, after the first three records). A catalogue without
// them has an empty correspondence.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

class TCorrespondence {
 public:
  static constexpr int kRevisionsRecord = 4;
  static constexpr int kCodeRecord = 5;

  // Reads the value of record 4 or 5; a value not of its form is ignored.
  void ReadRecord(int number, const std::string& value);
  void Clear();

  bool Empty() const { return FCounterparts.empty(); }
  // "PKD 2007": the revision whose codes are looked up. Empty without record 4.
  const std::string& OtherRevision() const { return FOther; }
  // "PKD 2025": the revision of the catalogue's own codes.
  const std::string& ThisRevision() const { return FThis; }
  // The counterparts of a code of the other revision (ASCII letter case
  // ignored), in the order written; nullptr when it names none.
  const std::vector<std::string>* Counterparts(std::string_view otherCode) const;
  size_t Count() const { return FCounterparts.size(); }
  // Every code of the other revision with its counterparts, by code.
  const std::map<std::string, std::vector<std::string>>& All() const { return FCounterparts; }
  // The codes of the other revision that name code of this one among their
  // counterparts, in code order; empty for none.
  std::vector<std::string> Sources(std::string_view code) const;

  // The two records as a catalogue writer puts them (without line ends).
  static std::string RevisionsRecord(const std::string& other, const std::string& own);
  static std::string CodeRecord(const std::string& otherCode, const std::vector<std::string>& counterparts);

 private:
  std::string FOther;
  std::string FThis;
  std::map<std::string, std::vector<std::string>> FCounterparts;  // keys in ASCII upper case
};

}  // namespace catalogue
