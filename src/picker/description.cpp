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

TNotePane NoteForDisplay(const std::string& opis, const catalogue::TCorrespondence& correspondence,
                         const std::string& code) {
  TNotePane pane;
  pane.Text = DescriptionForDisplay(opis);
  pane.NoteEnd = pane.Text.size();
  const std::vector<std::string> sources = code.empty() ? std::vector<std::string>() : correspondence.Sources(code);
  if (sources.empty()) return pane;
  if (!pane.Text.empty()) pane.Text += "\r\n\r\n";
  pane.Text += "Odpowiedniki w " + correspondence.OtherRevision() + ":";
  for (size_t k = 0; k < sources.size(); ++k) pane.Text += (k ? ", " : " ") + sources[k];
  return pane;
}

}  // namespace picker
