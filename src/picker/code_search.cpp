#include "picker/code_search.h"

#include "text/cp1250.h"

namespace picker {

int FindCodeByPrefix(const std::vector<std::string>& codes, const std::string& prefix) {
  for (size_t i = 0; i < codes.size(); ++i)
    if (text::StartsWithNoCaseAscii(codes[i], prefix)) return static_cast<int>(i);
  return -1;
}

int FindCodeExact(const std::vector<std::string>& codes, const std::string& value) {
  for (size_t i = 0; i < codes.size(); ++i)
    if (text::EqualNoCaseAscii(codes[i], value)) return static_cast<int>(i);
  return -1;
}

int MatchCode(const TCodeTree& tree, const std::string& code) {
  const std::string wanted = text::UpperAscii(code);
  for (size_t i = 0; i < tree.Count(); ++i) {
    const std::string& entryText = tree.Entry(i).Text;
    if (entryText.size() < wanted.size()) continue;
    if (text::UpperAscii(std::string_view(entryText).substr(0, wanted.size())) == wanted)
      return static_cast<int>(i);
  }
  return -1;
}

TCompletion Complete(const std::vector<std::string>& codes, const std::string& typedText) {
  TCompletion c;
  c.ItemIndex = FindCodeByPrefix(codes, typedText);
  if (c.ItemIndex < 0) return c;
  const std::string& code = codes[c.ItemIndex];
  c.Found = true;
  // Keep what the user typed (its letter case too) and add the rest of the code.
  c.Text = typedText + code.substr(typedText.size());
  c.SelStart = typedText.size();
  c.SelLength = code.size() - typedText.size();
  return c;
}

}  // namespace picker
