// A tree view showing a model of entries in tree order (each entry before its
// children): keeps the map from entry index to HTREEITEM, fills the view in
// one batch and walks paths. The entry index also rides in each item's
// lParam, so an item leads back to its entry. The model itself stays outside
// (the code tree, the result list), given to Fill as two functions.
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
  explicit TTreeBinding(TTreeView& view) : FView(view) {}
  TTreeBinding(const TTreeBinding&) = delete;
  TTreeBinding& operator=(const TTreeBinding&) = delete;

  // Replaces the view's items by count entries; parentOf(i) < i, or -1 at the
  // top. One update batch, no repaint until the end; expandAll opens every
  // entry that has children before the batch ends.
  void Fill(size_t count, const std::function<int(size_t)>& parentOf,
            const std::function<const std::string&(size_t)>& textOf, bool expandAll = false);
  void Clear();

  size_t Count() const { return FItems.size(); }
  HTREEITEM Item(int index) const {
    return index >= 0 && index < static_cast<int>(FItems.size()) ? FItems[index] : nullptr;
  }
  // The entry of an item, -1 for none.
  int IndexOf(HTREEITEM item) const;
  int SelectedIndex() const { return IndexOf(FView.Selected()); }
  bool HasChildren(int index) const { return Item(index) && FHasChildren[index]; }

  // Collapses every expanded entry, the deepest first.
  void CollapseAll();
  // Expands each entry of path one level (not its subtree), top first, and
  // selects the last one.
  void ExpandPathAndSelect(const std::vector<int>& path);

 private:
  TTreeView& FView;
  std::vector<HTREEITEM> FItems;
  std::vector<bool> FHasChildren;
};

}  // namespace ui
