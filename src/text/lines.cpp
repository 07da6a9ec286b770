#include "text/lines.h"

namespace text {

std::vector<std::string> SplitLines(std::string_view s) {
  std::vector<std::string> lines;
  ForEachLine(s, [&lines](std::string_view line) { lines.emplace_back(line); });
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
