#include "catalogue/entry_text.h"

namespace catalogue {

namespace {
constexpr char kSeparator[] = " - ";
constexpr size_t kSeparatorLength = sizeof kSeparator - 1;
}  // namespace

std::string CodeOf(std::string_view text) {
  const size_t sep = text.find(kSeparator);
  if (sep == std::string_view::npos) return std::string();
  size_t start = 0;
  while (start < sep && text[start] == ' ') ++start;
  return std::string(text.substr(start, sep - start));
}

std::string TitleOf(const std::string& text) {
  const size_t sep = text.find(kSeparator);
  if (sep == std::string::npos) return std::string();
  return text.substr(sep + kSeparatorLength);
}

}  // namespace catalogue
