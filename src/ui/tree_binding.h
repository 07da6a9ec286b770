// A tree view showing a model of entries in tree order (each entry before its
// children): keeps the map from entry index to HTREEITEM, fills the view and
// walks paths. The entry index also rides in each item's lParam, so an item
// leads back to its entry. The model itself stays outside (the code tree,
// the result list), given to Fill as two functions.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"

namespace ui {

class TTreeBinding {
 public:
  explicit TTreeBinding(TTreeView& view) : FView(view) {
    FView.OnExpanding = [this](HTREEITEM item) {
      const int index = IndexOf(item);
      if (index >= 0) InsertChildren(index);
    };
  }
  TTreeBinding(const TTreeBinding&) = delete;
  TTreeBinding& operator=(const TTreeBinding&) = delete;

  // Replaces the view's items by count entries; parentOf(i) < i, or -1 at the
  // top. With expandAll every entry goes in at once, in one update batch with
  // no repaint until its end, and every entry that has children is opened.
  // Otherwise only the top level goes in: an entry's children go in when it
  // is first expanded or one of them is asked for (Item), so a tree of
  // thousands of collapsed entries costs its top level at start-up. The
  // model's functions are kept for that until the next Fill or Clear.
  void Fill(size_t count, const std::function<int(size_t)>& parentOf,
            const std::function<const std::string&(size_t)>& textOf, bool expandAll = false);
  void Clear();

  size_t Count() const { return FItems.size(); }
  // The entry's item, its parents' children put in first where they are not
  // in yet; nullptr for no entry.
  HTREEITEM Item(int index) const;
  // The entry of an item, -1 for none.
  int IndexOf(HTREEITEM item) const;
  int SelectedIndex() const { return IndexOf(FView.Selected()); }
  bool HasChildren(int index) const {
    return index >= 0 && index < static_cast<int>(FItems.size()) && FHasChildren[index];
  }

  // Collapses every expanded entry, the deepest first.
  void CollapseAll();
  // Expands each entry of path one level (not its subtree), top first, and
  // selects the last one.
  void ExpandPathAndSelect(const std::vector<int>& path);

 private:
  HTREEITEM Insert(int index, HTREEITEM parent) const;
  // Puts the children of the entry (-1: the top level) into the view.
  void InsertChildren(int parent) const;

  TTreeView& FView;
  // Filled on demand, from const look-ups too: what is in the view is the
  // binding's own business, the entries are the same either way.
  mutable std::vector<HTREEITEM> FItems;
  mutable std::vector<bool> FChildrenIn;  // an entry's children are in the view
  std::vector<bool> FHasChildren;
  std::vector<int> FParents;
  // The children of entry i are FChildren[FFirstChild[i] .. FFirstChild[i + 1]).
  std::vector<int> FFirstChild;
  std::vector<int> FChildren;
  std::function<const std::string&(size_t)> FTextOf;
};

}  // namespace ui
