#include "catalogue/correspondence.h"

#include "text/cp1250.h"

namespace catalogue {

void TCorrespondence::ReadRecord(int number, const std::string& value) {
  const size_t eq = value.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 >= value.size()) return;
  const std::string left = value.substr(0, eq);
  const std::string right = value.substr(eq + 1);
  if (number == kRevisionsRecord) {
    FOther = left;
    FThis = right;
    return;
  }
  if (number != kCodeRecord) return;
  std::vector<std::string>& list = FCounterparts[text::UpperAscii(left)];
  size_t start = 0;
  while (start <= right.size()) {
    const size_t comma = right.find(',', start);
    const std::string code = right.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!code.empty()) list.push_back(code);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (list.empty()) FCounterparts.erase(text::UpperAscii(left));
}

void TCorrespondence::Clear() {
  FOther.clear();
  FThis.clear();
  FCounterparts.clear();
}

const std::vector<std::string>* TCorrespondence::Counterparts(std::string_view otherCode) const {
  const auto it = FCounterparts.find(text::UpperAscii(otherCode));
  return it == FCounterparts.end() ? nullptr : &it->second;
}

std::vector<std::string> TCorrespondence::Sources(std::string_view code) const {
  // A pass over some 700 codes, once per selection shown: no index to keep.
  std::vector<std::string> sources;
  const std::string key = text::UpperAscii(code);
  for (const auto& [other, list] : FCounterparts)
    for (const std::string& c : list)
      if (text::UpperAscii(c) == key) {
        sources.push_back(other);
        break;
      }
  return sources;
}

std::string TCorrespondence::RevisionsRecord(const std::string& other, const std::string& own) {
  return "@" + std::to_string(kRevisionsRecord) + "=" + other + "=" + own;
}

std::string TCorrespondence::CodeRecord(const std::string& otherCode, const std::vector<std::string>& counterparts) {
  std::string r = "@" + std::to_string(kCodeRecord) + "=" + otherCode + "=";
  for (size_t k = 0; k < counterparts.size(); ++k) r += (k ? "," : "") + counterparts[k];
  return r;
}

}  // namespace catalogue
