// The result list of the search by words, as a model the list window shows:
// a heading, one node per distinct title of the hits, and below a title that
// several hits share, one child per hit naming the hit's parent line. Nodes
// carry only texts, and a choice is traced back to the main code tree by
// text alone (ResultPath, then SelectByPath), so the window keeps no links
// between the two trees.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "picker/code_tree.h"

namespace picker {

extern const char kResultHeading[];  // "Wyszukane opisy"
// Appended to the heading when the hits come from the search with the
// Polish letters folded: " (bez polskich liter)".
extern const char kFoldedHeadingNote[];
// The node above the hits found only without Polish letters, after the others.
extern const char kFoldedHeading[];  // "Wyszukane bez polskich liter"
extern const char kGroupMarker[];    // "---- - ", the start of a group node's text

// The text before the first " - " (leading blanks kept); empty without one.
std::string GroupCode(const std::string& t);
// The text after the first " - " (all of t without one), cut before "@@".
std::string GroupTitle(const std::string& t);
// Takes the text up to the first TAB off s, and the TAB; all of s without one.
std::string NextField(std::string& s);

struct TResultNode {
  std::string Text;
  int Parent = -1;            // -1 for the heading only
  std::vector<int> Children;  // in list order
  bool Group = false;         // several hits share this title; choosing it selects nothing
  bool Counterparts = false;  // a group of an old code's counterparts: its children are whole entry texts
  bool Heading = false;       // the heading of the hits found without Polish letters: names nothing
};

class TResultList {
 public:
  // Rebuilds the list from result rows (TAB-separated: the found line, then
  // its ancestors). Afterwards node 0 is the heading and the nodes stand in
  // tree order (each before its children, children before the next sibling),
  // so a view can add them in index order; it shows them all expanded.
  // folded: the rows come from the search without Polish letters, which the
  // heading then says.
  void FillResults(const std::vector<std::string>& rows, bool folded = false);
  // Adds the rows found only without Polish letters after the hits, under a
  // heading node of their own (kFoldedHeading), grouped among themselves as
  // FillResults groups. Nothing for no rows.
  void AddFolded(const std::vector<std::string>& rows);
  // Puts a group right under the heading, before the hits: titled title,
  // one child per entry text of the main tree (an old code's counterparts),
  // each chosen as a hit is. Nothing for no entries.
  void AddCounterparts(const std::string& title, const std::vector<std::string>& entries);

  size_t Count() const { return FNodes.size(); }
  const TResultNode& Node(size_t i) const { return FNodes[i]; }

  // The TAB-separated texts that name node's hit in the main tree, for
  // SelectByPath; empty for the heading or no node (-1). A group's path names
  // nothing there, so choosing a group selects nothing.
  std::string ResultPath(int node) const;

 private:
  // A node while the list is built: views into the rows (alive for the whole
  // build), so only the nodes that survive the pruning get a text.
  struct TBuildNode {
    std::string_view Field;  // the row's field
    std::string_view Code;   // the code joined to it, when Joined
    bool Joined = false;
    int Parent = -1;
    int ChildCount = 0;
    int FirstChild = -1;
    int LastChild = -1;
    int NextSibling = -1;
  };
  struct TTitleKey {
    int Parent;
    std::string_view Title;
    bool operator==(const TTitleKey& o) const { return Parent == o.Parent && Title == o.Title; }
  };
  struct TTitleKeyHash {
    size_t operator()(const TTitleKey& k) const;
  };

  // The first child of node whose GroupTitle equals that of s; -1 for none.
  // A hash index keyed by (parent, title) answers it: the first child with a
  // title is the one the list keeps, and looking through the nodes instead
  // would make the build quadratic in the number of hits.
  int FindChildByTitle(int node, std::string_view s) const;
  int AddChild(int parent, std::string_view field, std::string_view code, bool joined);
  // A node with exactly one child loses it with its subtree: chains of single
  // children vanish, so a hit whose title is unique ends as a leaf.
  void PruneChains();
  // Gives the surviving nodes their texts ("field@@code" for joined ones)
  // and numbers them in tree order.
  void Compact();
  // "line@@code" becomes "code - line": a group child names its hit's code.
  void JoinCodes();
  // A node with several children becomes "---- - " and its title.
  void MarkGroups();

  std::vector<TResultNode> FNodes;
  std::vector<TBuildNode> FBuild;
  std::unordered_map<TTitleKey, int, TTitleKeyHash> FTitleIndex;
};

// Index of the first entry of tree, from start on in tree order, whose text
// equals text exactly (case-sensitive); -1 when there is none.
int FindNodeFrom(const TCodeTree& tree, const std::string& text, int start);
// The entry a result path names: each field is looked for after the entry the
// field before it found, or from the start when that one was not found; the
// entry of the last field, or -1. The window selects it when it is >= 0.
int SelectByPath(const TCodeTree& tree, std::string path);

}  // namespace picker
