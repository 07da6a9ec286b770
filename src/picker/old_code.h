// A complete code of the other revision given to a catalogue (a PKD 2007 code
// on PKD 2025, or the other way): its counterparts in the loaded catalogue,
// for the result list to offer, when the catalogue lacks the code or has it
// with another meaning.
#pragma once

#include <string>
#include <vector>

#include "catalogue/correspondence.h"
#include "picker/code_tree.h"

namespace picker {

// Between the old code and the revision in a group's title. The arrow has no
// Windows-1250 form; the guillemet is one character of the page and, unlike
// "->", holds no hyphen to be taken for the " - " of an entry text.
extern const char kRevisionArrow[];  // " » "

struct TCounterpartGroup {
  std::string Title;                 // "PKD 2007 01.49.Z » PKD 2025"
  std::vector<std::string> Entries;  // the counterparts' entry texts in the tree, in the correspondence's order
  bool Empty() const { return Entries.empty(); }
};

// The group for code when the correspondence names it and either the code
// list (the code box's, that is every code of the tree) lacks it, ignoring
// ASCII letter case, or the code's namesake in the other revision does not
// map to it (the code changed meaning: PKD 2007 25.40.Z is PKD 2025 25.30.Z).
// Counterparts the tree has no entry for are left out; the group is empty
// when none is left, or when the code maps to itself.
TCounterpartGroup FindCounterparts(const catalogue::TCorrespondence& correspondence, const TCodeTree& tree,
                                   const std::vector<std::string>& codes, const std::string& code);

}  // namespace picker
