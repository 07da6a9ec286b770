#include "picker/old_code.h"

#include "picker/code_search.h"
#include "text/cp1250.h"

namespace picker {

const char kRevisionArrow[] = " \xBB ";  // " » ", written as its byte for every compiler

TCounterpartGroup FindCounterparts(const catalogue::TCorrespondence& correspondence, const TCodeTree& tree,
                                   const std::vector<std::string>& codes, const std::string& code) {
  TCounterpartGroup group;
  if (code.empty() || FindCodeExact(codes, code) >= 0) return group;
  const std::vector<std::string>* counterparts = correspondence.Counterparts(code);
  if (!counterparts) return group;
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
