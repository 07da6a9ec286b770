// The code tree built from arbitrary catalogue lines: never crashes, and the
// entries it keeps (all of them, or those before an invalid level) always form
// a consistent tree that the code search can walk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "picker/code_search.h"
#include "picker/code_tree.h"
#include "text/lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = text::SplitLines(input);
  picker::TCodeTree tree;
  bool complete = true;
  try {
    tree.Build(lines);
  } catch (const picker::EInvalidLevel&) {
    complete = false;
  }
  if (complete && tree.Count() != lines.size()) std::abort();
  if (tree.Count() > lines.size()) std::abort();
  for (size_t i = 0; i < tree.Count(); ++i) {
    const picker::TTreeEntry& e = tree.Entry(i);
    // Parents come first, levels follow them, and the text is the line without its indentation.
    if (e.Parent >= static_cast<int>(i)) std::abort();
    if (e.Level != (e.Parent < 0 ? 0 : tree.Entry(e.Parent).Level + 1)) std::abort();
    if (lines[i].substr(picker::IndentOf(lines[i])) != e.Text) std::abort();
    if (e.NextSibling >= 0 && (e.NextSibling <= static_cast<int>(i) || tree.Entry(e.NextSibling).Parent != e.Parent))
      std::abort();
    const std::vector<int> path = tree.PathTo(static_cast<int>(i));
    if (path.back() != static_cast<int>(i) || tree.Entry(path.front()).Parent != -1) std::abort();
  }
  const std::vector<std::string> codes = tree.Codes();
  for (const std::string& code : codes) {
    const int hit = picker::MatchCode(tree, code);
    if (hit < 0) std::abort();  // every listed code has an entry that starts with it
    const picker::TCompletion c = picker::Complete(codes, code.substr(0, code.size() / 2));
    if (!c.Found || c.SelStart + c.SelLength != c.Text.size()) std::abort();
  }
  return 0;
}
