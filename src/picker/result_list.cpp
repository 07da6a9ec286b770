#include "picker/result_list.h"

#include <functional>
#include <string_view>

namespace picker {

const char kResultHeading[] = "Wyszukane opisy";
const char kFoldedHeadingNote[] = " (bez polskich liter)";
const char kFoldedHeading[] = "Wyszukane bez polskich liter";
const char kGroupMarker[] = "---- - ";

namespace {

constexpr std::string_view kSeparator = " - ";
constexpr std::string_view kCodeJoiner = "@@";

// GroupCode and GroupTitle as views into t, for the build, which keeps views.
std::string_view CodeView(std::string_view t) {
  const size_t sep = t.find(kSeparator);
  return sep == std::string_view::npos ? std::string_view() : t.substr(0, sep);
}

std::string_view TitleView(std::string_view t) {
  const size_t sep = t.find(kSeparator);
  if (sep != std::string_view::npos) t.remove_prefix(sep + kSeparator.size());
  return t.substr(0, t.find(kCodeJoiner));
}

}  // namespace

std::string GroupCode(const std::string& t) { return std::string(CodeView(t)); }

std::string GroupTitle(const std::string& t) { return std::string(TitleView(t)); }

std::string NextField(std::string& s) {
  const size_t tab = s.find('\t');
  std::string field = s.substr(0, tab);
  s.erase(0, tab == std::string::npos ? std::string::npos : tab + 1);
  return field;
}

size_t TResultList::TTitleKeyHash::operator()(const TTitleKey& k) const {
  return std::hash<std::string_view>()(k.Title) * 31u + static_cast<size_t>(k.Parent);
}

int TResultList::FindChildByTitle(int node, std::string_view s) const {
  const auto it = FTitleIndex.find(TTitleKey{node, TitleView(s)});
  return it == FTitleIndex.end() ? -1 : it->second;
}

int TResultList::AddChild(int parent, std::string_view field, std::string_view code, bool joined) {
  const int index = static_cast<int>(FBuild.size());
  // "field@@code" has the title of field (the code holds no " - ", and a
  // "@@" already in field cuts the title there as well), except that a
  // title ending in "@" ends one byte earlier, where "@@" now begins.
  std::string_view title = TitleView(field);
  if (joined && !title.empty() && title.back() == '@' && title.data() + title.size() == field.data() + field.size())
    title.remove_suffix(1);
  FTitleIndex.try_emplace(TTitleKey{parent, title}, index);
  TBuildNode n;
  n.Field = field;
  n.Code = code;
  n.Joined = joined;
  n.Parent = parent;
  FBuild.push_back(n);
  TBuildNode& p = FBuild[parent];
  if (p.LastChild >= 0) {
    FBuild[p.LastChild].NextSibling = index;
  } else {
    p.FirstChild = index;
  }
  p.LastChild = index;
  ++p.ChildCount;
  return index;
}

void TResultList::FillResults(const std::vector<std::string>& rows, bool folded) {
  FNodes.clear();
  FBuild.clear();
  FTitleIndex.clear();
  FBuild.emplace_back();  // the heading

  for (const std::string& row : rows) {
    int node = 0;
    std::string_view previous;
    std::string_view rest = row;
    while (true) {
      const size_t tab = rest.find('\t');
      const std::string_view s = rest.substr(0, tab);
      if (s.empty()) break;
      rest.remove_prefix(tab == std::string_view::npos ? rest.size() : tab + 1);
      const int found = FindChildByTitle(node, s);
      if (found >= 0) {
        node = found;
      } else if (node == 0) {
        node = AddChild(0, s, {}, false);
      } else {
        // A new node below the row's previous field carries that field's
        // code. When the previous field was found by its title, the node it
        // found holds an earlier hit's line, whose code is not this hit's:
        // the code comes from the field itself, never from the node's text.
        node = AddChild(node, s, CodeView(previous), true);
      }
      previous = s;
    }
  }
  FTitleIndex.clear();  // its views point into rows

  PruneChains();
  Compact();
  JoinCodes();
  MarkGroups();
  if (folded) FNodes[0].Text += kFoldedHeadingNote;
}

void TResultList::AddFolded(const std::vector<std::string>& rows) {
  if (rows.empty() || FNodes.empty()) return;
  TResultList folded;
  folded.FillResults(rows);
  // Its nodes follow all the others, so the list stays in tree order; its
  // heading takes the place of node 0 there.
  const int base = static_cast<int>(FNodes.size());
  FNodes[0].Children.push_back(base);
  for (size_t i = 0; i < folded.Count(); ++i) {
    TResultNode n = folded.FNodes[i];
    if (i == 0) {
      n.Text = kFoldedHeading;
      n.Parent = 0;
      n.Group = true;
      n.Heading = true;
    } else {
      n.Parent += base;
    }
    for (int& c : n.Children) c += base;
    FNodes.push_back(std::move(n));
  }
}

void TResultList::AddCounterparts(const std::string& title, const std::vector<std::string>& entries) {
  if (entries.empty() || FNodes.empty()) return;
  // The group and its children take the places 1 to k; the rest move down,
  // so the nodes stay in tree order.
  const int k = static_cast<int>(entries.size()) + 1;
  for (size_t i = 1; i < FNodes.size(); ++i) {
    TResultNode& n = FNodes[i];
    if (n.Parent > 0) n.Parent += k;
    for (int& c : n.Children) c += k;
  }
  for (int& c : FNodes[0].Children) c += k;
  std::vector<TResultNode> inserted(static_cast<size_t>(k));
  inserted[0].Text = title;
  inserted[0].Parent = 0;
  inserted[0].Group = true;
  inserted[0].Counterparts = true;
  for (int i = 1; i < k; ++i) {
    inserted[i].Text = entries[static_cast<size_t>(i - 1)];
    inserted[i].Parent = 1;
    inserted[0].Children.push_back(1 + i);
  }
  FNodes.insert(FNodes.begin() + 1, inserted.begin(), inserted.end());
  FNodes[0].Children.insert(FNodes[0].Children.begin(), 1);
}

void TResultList::PruneChains() {
  // The heading keeps its only child. Whether a node had one child does not
  // depend on what happens below it, so the order of the nodes is free.
  for (size_t i = 1; i < FBuild.size(); ++i) {
    TBuildNode& n = FBuild[i];
    if (n.ChildCount != 1) continue;
    n.ChildCount = 0;
    n.FirstChild = n.LastChild = -1;
  }
}

void TResultList::Compact() {
  FNodes.clear();
  // (build index, new parent); an explicit stack, since a row of many fields
  // makes a chain as deep as the row is long.
  std::vector<std::pair<int, int>> stack{{0, -1}};
  std::vector<int> children;
  while (!stack.empty()) {
    const auto [old, parent] = stack.back();
    stack.pop_back();
    const TBuildNode& b = FBuild[old];
    const int index = static_cast<int>(FNodes.size());
    TResultNode n;
    if (old == 0) {
      n.Text = kResultHeading;
    } else {
      n.Text.reserve(b.Field.size() + (b.Joined ? kCodeJoiner.size() + b.Code.size() : 0));
      n.Text = b.Field;
      if (b.Joined) (n.Text += kCodeJoiner) += b.Code;
    }
    n.Parent = parent;
    n.Children.reserve(static_cast<size_t>(b.ChildCount));
    if (parent >= 0) FNodes[parent].Children.push_back(index);
    FNodes.push_back(std::move(n));
    children.clear();
    for (int c = b.FirstChild; c >= 0; c = FBuild[c].NextSibling) children.push_back(c);
    for (auto c = children.rbegin(); c != children.rend(); ++c) stack.emplace_back(*c, index);
  }
  FBuild.clear();
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
  for (int n = node; n > 0 && static_cast<size_t>(n) < FNodes.size() && !FNodes[n].Heading; n = FNodes[n].Parent) {
    const std::string& t = FNodes[n].Text;
    path += prefix.empty() ? t : prefix + GroupTitle(t);
    path += '\t';
    // A counterpart's text is its entry's whole text: nothing above it names more.
    if (FNodes[n].Parent > 0 && FNodes[FNodes[n].Parent].Counterparts) break;
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
