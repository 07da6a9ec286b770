#include "text/lines.h"

namespace text {

std::vector<std::string> SplitLines(std::string_view s) {
  // A NUL byte ends the text.
  const size_t nul = s.find('\0');
  if (nul != std::string_view::npos) s = s.substr(0, nul);
  std::vector<std::string> lines;
  size_t start = 0;
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = s[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(s.substr(start, i - start));
    if (c == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A final line without a line break still counts; a break at the very end adds no empty line.
  if (start < n) lines.emplace_back(s.substr(start));
  return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  std::string r;
  r.reserve(total);
  for (const auto& l : lines) {
    r += l;
    r += "\r\n";
  }
  return r;
}

}  // namespace text
