#include "picker/old_code.h"

#include "picker/code_search.h"
#include "text/cp1250.h"

namespace picker {

const char kRevisionArrow[] = " \xBB ";  // " » ", written as its byte for every compiler

TCounterpartGroup FindCounterparts(const catalogue::TCorrespondence& correspondence, const TCodeTree& tree,
                                   const std::vector<std::string>& codes, const std::string& code) {
  TCounterpartGroup group;
  if (code.empty()) return group;
  const std::vector<std::string>* counterparts = correspondence.Counterparts(code);
  if (!counterparts) return group;
  if (FindCodeExact(codes, code) >= 0) {
    // A code of both revisions: only a namesake that means something else
    // here has a reading the user may have meant.
    const std::string upper = text::UpperAscii(code);
    for (const std::string& c : *counterparts)
      if (text::UpperAscii(c) == upper) return group;
  }
  for (const std::string& c : *counterparts) {
    for (size_t i = 0; i < tree.Count(); ++i) {
      if (tree.Entry(i).Code != c) continue;
      group.Entries.push_back(tree.Entry(i).Text);
      break;
    }
  }
  if (!group.Entries.empty())
    group.Title = correspondence.OtherRevision() + " " + text::UpperAscii(code) + kRevisionArrow +
                  correspondence.ThisRevision();
  return group;
}

}  // namespace picker
