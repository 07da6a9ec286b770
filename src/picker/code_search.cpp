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
  for (size_t i = 0; i < tree.Count(); ++i)
    if (BeginsWithCode(tree.Entry(i).Text, code)) return static_cast<int>(i);
  return -1;
}

bool BeginsWithCode(std::string_view text, std::string_view code) {
  return text.size() >= code.size() && text::UpperAscii(text.substr(0, code.size())) == text::UpperAscii(code);
}

bool CodeSearchFound(std::string_view code, std::string_view selectedCode) {
  // No code, no search: what is selected was not found by it.
  return !code.empty() && text::EqualNoCaseAscii(selectedCode, code);
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
