#include "picker/description.h"

namespace picker {

std::string DescriptionForDisplay(const std::string& opis) {
  // The mark stands for CR, so a mark followed by LF is one break.
  std::string s = opis;
  for (char& c : s)
    if (static_cast<unsigned char>(c) == 0xFF) c = '\r';
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      ++i;
      out += "\r\n";
    } else if (c == '\r' || c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace picker
