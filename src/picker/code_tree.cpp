#include "picker/code_tree.h"

#include <cstdio>

#include "catalogue/entry_text.h"

namespace picker {

size_t IndentOf(const std::string& line) {
  size_t n = 0;
  while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
  return n;
}

int TCodeTree::Append(const std::string& text, int parent) {
  TTreeEntry e;
  e.Text = text;
  e.Code = catalogue::CodeOf(text);
  e.Title = catalogue::TitleOf(text);
  e.Parent = parent;
  e.Level = parent < 0 ? 0 : FEntries[parent].Level + 1;
  const int index = static_cast<int>(FEntries.size());
  // Lines arrive in file order, so a new entry is always its parent's last child.
  if (parent >= 0 && FEntries[parent].FirstChild < 0) {
    FEntries[parent].FirstChild = index;
  } else {
    for (int i = index - 1; i >= 0; --i) {
      if (FEntries[i].Parent == parent) {
        FEntries[i].NextSibling = index;
        break;
      }
    }
  }
  FEntries.push_back(std::move(e));
  return index;
}

void TCodeTree::Build(const std::vector<std::string>& lines) {
  FEntries.clear();
  FEntries.reserve(lines.size());
  int last = -1;
  for (const std::string& line : lines) {
    const size_t indent = IndentOf(line);
    const std::string itemText = line.substr(indent);
    if (last < 0) {
      last = Append(itemText, -1);  // the first line is top level whatever its depth
      continue;
    }
    const long depth = static_cast<long>(indent);
    const long lastLevel = FEntries[last].Level;
    if (depth == lastLevel) {
      last = Append(itemText, FEntries[last].Parent);
    } else if (depth == lastLevel + 1) {
      last = Append(itemText, last);
    } else if (depth < lastLevel) {
      int ancestor = FEntries[last].Parent;
      while (ancestor >= 0 && FEntries[ancestor].Level > depth) ancestor = FEntries[ancestor].Parent;
      last = Append(itemText, ancestor < 0 ? -1 : FEntries[ancestor].Parent);
    } else {
      char number[24];
      std::snprintf(number, sizeof number, "%ld", depth);
      throw EInvalidLevel(std::string("Invalid level (") + number + ") for item \"" + itemText + "\"");
    }
  }
}

std::vector<std::string> TCodeTree::Codes() const {
  std::vector<std::string> codes;
  codes.reserve(FEntries.size());
  for (const TTreeEntry& e : FEntries) {
    std::string code = catalogue::CodeOf(e.Text);
    if (!code.empty()) codes.push_back(std::move(code));
  }
  return codes;
}

std::vector<int> TCodeTree::PathTo(int index) const {
  std::vector<int> path;
  for (int i = index; i >= 0; i = FEntries[i].Parent) path.insert(path.begin(), i);
  return path;
}

}  // namespace picker
