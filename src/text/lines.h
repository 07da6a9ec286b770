// Splitting 8-bit text into lines: CR LF, lone LF and lone CR each end a line,
// a NUL byte ends the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

std::vector<std::string> SplitLines(std::string_view s);
// Calls line(view) for each line of s, as SplitLines splits it, without
// copying: the views point into s.
template <typename F>
void ForEachLine(std::string_view s, F&& line) {
  // A NUL byte ends the text.
  const size_t nul = s.find('\0');
  if (nul != std::string_view::npos) s = s.substr(0, nul);
  size_t start = 0;
  const size_t n = s.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = s[i];
    if (c != '\r' && c != '\n') continue;
    line(s.substr(start, i - start));
    if (c == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
    start = i + 1;
  }
  // A final line without a line break still counts; a break at the very end adds no empty line.
  if (start < n) line(s.substr(start));
}
// Each line followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

}  // namespace text
