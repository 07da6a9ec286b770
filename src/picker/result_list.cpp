#include "picker/result_list.h"

#include <functional>
#include <string_view>

namespace picker {

const char kResultHeading[] = "Wyszukane opisy";
const char kGroupMarker[] = "---- - ";

namespace {

constexpr std::string_view kSeparator = " - ";
constexpr std::string_view kCodeJoiner = "@@";

}  // namespace

std::string GroupCode(const std::string& t) {
  const size_t sep = t.find(kSeparator);
  return sep == std::string::npos ? std::string() : t.substr(0, sep);
}

std::string GroupTitle(const std::string& t) {
  const size_t sep = t.find(kSeparator);
  const size_t start = sep == std::string::npos ? 0 : sep + kSeparator.size();
  const size_t joiner = t.find(kCodeJoiner, start);
  return t.substr(start, joiner == std::string::npos ? std::string::npos : joiner - start);
}

std::string NextField(std::string& s) {
  const size_t tab = s.find('\t');
  std::string field = s.substr(0, tab);
  s.erase(0, tab == std::string::npos ? std::string::npos : tab + 1);
  return field;
}

size_t TResultList::TTitleKeyHash::operator()(const TTitleKey& k) const {
  return std::hash<std::string>()(k.Title) * 31u + static_cast<size_t>(k.Parent);
}

int TResultList::FindChildByTitle(int node, const std::string& s) const {
  const auto it = FTitleIndex.find(TTitleKey{node, GroupTitle(s)});
  return it == FTitleIndex.end() ? -1 : it->second;
}

int TResultList::AddChild(int parent, std::string text) {
  const int index = static_cast<int>(FNodes.size());
  // Only the first child with a title answers FindChildByTitle.
  FTitleIndex.try_emplace(TTitleKey{parent, GroupTitle(text)}, index);
  FNodes[parent].Children.push_back(index);
  TResultNode n;
  n.Text = std::move(text);
  n.Parent = parent;
  FNodes.push_back(std::move(n));
  return index;
}

void TResultList::FillResults(const std::vector<std::string>& rows) {
  FNodes.clear();
  FTitleIndex.clear();
  TResultNode heading;
  heading.Text = kResultHeading;
  FNodes.push_back(std::move(heading));

  for (const std::string& row : rows) {
    int node = 0;
    std::string previous;
    for (size_t start = 0; start <= row.size();) {
      const size_t tab = row.find('\t', start);
      std::string s = row.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      if (s.empty()) break;
      start = tab == std::string::npos ? row.size() + 1 : tab + 1;
      const int found = FindChildByTitle(node, s);
      if (found >= 0) {
        node = found;
      } else if (node == 0) {
        node = AddChild(0, s);
      } else {
        // A new node below the row's previous field carries that field's
        // code. When the previous field was found by its title, the node it
        // found holds an earlier hit's line, whose code is not this hit's:
        // the code comes from the field itself, never from the node's text.
        node = AddChild(node, s + std::string(kCodeJoiner) + GroupCode(previous));
      }
      previous = std::move(s);
    }
  }
  FTitleIndex.clear();  // the texts change from here on

  PruneChains();
  Compact();
  JoinCodes();
  MarkGroups();
}

void TResultList::PruneChains() {
  // The heading keeps its only child. Whether a node had one child does not
  // depend on what happens below it, so the order of the nodes is free.
  for (size_t i = 1; i < FNodes.size(); ++i)
    if (FNodes[i].Children.size() == 1) FNodes[i].Children.clear();
}

void TResultList::Compact() {
  std::vector<TResultNode> ordered;
  ordered.reserve(FNodes.size());
  // (old index, new parent); an explicit stack, since a row of many fields
  // makes a chain as deep as the row is long.
  std::vector<std::pair<int, int>> stack{{0, -1}};
  while (!stack.empty()) {
    const auto [old, parent] = stack.back();
    stack.pop_back();
    const int index = static_cast<int>(ordered.size());
    TResultNode n;
    n.Text = std::move(FNodes[old].Text);
    n.Parent = parent;
    if (parent >= 0) ordered[parent].Children.push_back(index);
    ordered.push_back(std::move(n));
    const std::vector<int>& children = FNodes[old].Children;
    for (auto c = children.rbegin(); c != children.rend(); ++c) stack.emplace_back(*c, index);
  }
  FNodes = std::move(ordered);
}

void TResultList::JoinCodes() {
  for (TResultNode& n : FNodes) {
    const size_t joiner = n.Text.find(kCodeJoiner);
    if (joiner == std::string::npos) continue;
    n.Text = n.Text.substr(joiner + kCodeJoiner.size()) + std::string(kSeparator) + n.Text.substr(0, joiner);
  }
}

void TResultList::MarkGroups() {
  for (size_t i = 1; i < FNodes.size(); ++i) {
    TResultNode& n = FNodes[i];
    if (n.Children.size() <= 1) continue;
    n.Text = kGroupMarker + GroupTitle(n.Text);
    n.Group = true;
  }
}

std::string TResultList::ResultPath(int node) const {
  std::string path;
  std::string prefix;
  for (int n = node; n > 0 && static_cast<size_t>(n) < FNodes.size(); n = FNodes[n].Parent) {
    const std::string& t = FNodes[n].Text;
    path += prefix.empty() ? t : prefix + GroupTitle(t);
    path += '\t';
    // A group child's text is "code - parent line": its code and the title
    // of the node above it form the hit's own line in the main tree.
    prefix = GroupCode(t);
    if (GroupCode(GroupTitle(t)).empty()) prefix.clear();
    if (!prefix.empty()) prefix += kSeparator;
  }
  return path;
}

int FindNodeFrom(const TCodeTree& tree, const std::string& text, int start) {
  for (size_t i = start < 0 ? 0 : static_cast<size_t>(start); i < tree.Count(); ++i)
    if (tree.Entry(i).Text == text) return static_cast<int>(i);
  return -1;
}

int SelectByPath(const TCodeTree& tree, std::string path) {
  int index = -1;
  for (std::string f = NextField(path); !f.empty(); f = NextField(path)) index = FindNodeFrom(tree, f, index + 1);
  return index;
}

}  // namespace picker
