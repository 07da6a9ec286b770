#include "picker/code_tree.h"

#include <cstdio>

#include "catalogue/baza.h"

namespace picker {

size_t IndentOf(const std::string& line) {
  size_t n = 0;
  while (n < line.size() && (line[n] == ' ' || line[n] == '\t')) ++n;
  return n;
}

int TCodeTree::Append(const std::string& text, int parent) {
  TTreeEntry e;
  e.Text = text;
  e.Parent = parent;
  e.Level = parent < 0 ? 0 : entries_[parent].Level + 1;
  const int index = static_cast<int>(entries_.size());
  // Lines arrive in file order, so a new entry is always its parent's last child.
  if (parent >= 0 && entries_[parent].FirstChild < 0) {
    entries_[parent].FirstChild = index;
  } else {
    for (int i = index - 1; i >= 0; --i) {
      if (entries_[i].Parent == parent) {
        entries_[i].NextSibling = index;
        break;
      }
    }
  }
  entries_.push_back(std::move(e));
  return index;
}

void TCodeTree::Build(const std::vector<std::string>& lines) {
  entries_.clear();
  int last = -1;
  for (const std::string& line : lines) {
    const size_t indent = IndentOf(line);
    const std::string itemText = line.substr(indent);
    if (last < 0) {
      last = Append(itemText, -1);  // the first line is top level whatever its depth
      continue;
    }
    const long depth = static_cast<long>(indent);
    const long lastLevel = entries_[last].Level;
    if (depth == lastLevel) {
      last = Append(itemText, entries_[last].Parent);
    } else if (depth == lastLevel + 1) {
      last = Append(itemText, last);
    } else if (depth < lastLevel) {
      int ancestor = entries_[last].Parent;
      while (ancestor >= 0 && entries_[ancestor].Level > depth) ancestor = entries_[ancestor].Parent;
      last = Append(itemText, ancestor < 0 ? -1 : entries_[ancestor].Parent);
    } else {
      char number[24];
      std::snprintf(number, sizeof number, "%ld", depth);
      throw EInvalidLevel(std::string("Invalid level (") + number + ") for item \"" + itemText + "\"");
    }
  }
}

std::vector<std::string> TCodeTree::Codes() const {
  std::vector<std::string> codes;
  codes.reserve(entries_.size());
  for (const TTreeEntry& e : entries_) {
    std::string code = catalogue::CodeOf(e.Text);
    if (!code.empty()) codes.push_back(std::move(code));
  }
  return codes;
}

std::vector<int> TCodeTree::PathTo(int index) const {
  std::vector<int> path;
  for (int i = index; i >= 0; i = entries_[i].Parent) path.insert(path.begin(), i);
  return path;
}

}  // namespace picker
