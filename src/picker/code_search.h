// Finding codes: completion in the code box and the tree match of the search
// by code. Codes fold by ASCII rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "picker/code_tree.h"

namespace picker {

// Index of the first code, in list order, that begins with prefix ignoring
// letter case; -1 when none does.
int FindCodeByPrefix(const std::vector<std::string>& codes, const std::string& prefix);
// Index of the first code equal to text ignoring letter case; -1 when none is.
int FindCodeExact(const std::vector<std::string>& codes, const std::string& text);

// The entry the search by code selects: the first entry, in flat (file) order,
// whose text cut to the length of code equals code, ASCII letters upper-cased.
// An earlier entry that merely begins with the same characters wins. -1: none.
int MatchCode(const TCodeTree& tree, const std::string& code);
// The rule of that match: text begins with code, ASCII letters upper-cased.
bool BeginsWithCode(std::string_view text, std::string_view code);
// Whether a search by code for code (preset over DDE, say) has found the
// entry that is selected after it, whose code is selectedCode. Only an entry
// of that very code proves it: the search runs only for a whole listed code,
// so a code that merely begins the selected one (or selected nothing) leaves
// the earlier selection in place, which proves nothing.
bool CodeSearchFound(std::string_view code, std::string_view selectedCode);

// What completion makes of a typed character: the new field text, the part
// of it to select and the list item it stands for.
struct TCompletion {
  bool Found = false;
  std::string Text;
  size_t SelStart = 0;
  size_t SelLength = 0;
  int ItemIndex = -1;
};
// typedText is the field's text before its selection plus the typed character.
TCompletion Complete(const std::vector<std::string>& codes, const std::string& typedText);

}  // namespace picker
