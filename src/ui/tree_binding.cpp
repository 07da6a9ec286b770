#include "ui/tree_binding.h"

namespace ui {

void TTreeBinding::Fill(size_t count, const std::function<int(size_t)>& parentOf,
                        const std::function<const std::string&(size_t)>& textOf, bool expandAll) {
  TTreeUpdate update(FView);
  FView.Clear();
  FItems.assign(count, nullptr);
  FChildrenIn.assign(count, false);
  FHasChildren.assign(count, false);
  FParents.assign(count, -1);
  FTextOf = textOf;
  if (expandAll) {
    for (size_t i = 0; i < count; ++i) {
      const int parent = parentOf(i);
      const bool known = parent >= 0 && static_cast<size_t>(parent) < i;
      if (known) FHasChildren[parent] = FChildrenIn[parent] = true;
      FItems[i] = Insert(static_cast<int>(i), known ? FItems[parent] : nullptr);
    }
    for (size_t i = 0; i < count; ++i)
      if (FHasChildren[i]) FView.Expand(FItems[i]);
    FFirstChild.clear();
    FChildren.clear();
    return;
  }
  // Each entry's children, in order, in one array.
  FFirstChild.assign(count + 1, 0);
  for (size_t i = 0; i < count; ++i) {
    const int parent = parentOf(i);
    if (parent >= 0 && static_cast<size_t>(parent) < i) {
      FParents[i] = parent;
      FHasChildren[parent] = true;
      ++FFirstChild[parent + 1];
    }
  }
  for (size_t i = 0; i < count; ++i) FFirstChild[i + 1] += FFirstChild[i];
  FChildren.assign(static_cast<size_t>(FFirstChild[count]), 0);
  std::vector<int> next(FFirstChild.begin(), FFirstChild.end() - 1);
  for (size_t i = 0; i < count; ++i)
    if (FParents[i] >= 0) FChildren[static_cast<size_t>(next[FParents[i]]++)] = static_cast<int>(i);
  InsertChildren(-1);
}

HTREEITEM TTreeBinding::Insert(int index, HTREEITEM parent) const {
  // An entry whose children are not in yet shows its button all the same.
  const bool childrenLater = FHasChildren[index] && !FChildrenIn[index];
  return FView.Add(parent, FTextOf(static_cast<size_t>(index)), static_cast<LPARAM>(index), childrenLater);
}

void TTreeBinding::InsertChildren(int parent) const {
  if (parent < 0) {
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FParents[i] < 0) FItems[i] = Insert(static_cast<int>(i), nullptr);
    return;
  }
  if (FChildrenIn[parent]) return;
  const HTREEITEM item = Item(parent);  // put in first where needed, with its button
  FChildrenIn[parent] = true;
  for (int at = FFirstChild[parent]; at < FFirstChild[parent + 1]; ++at)
    FItems[FChildren[at]] = Insert(FChildren[at], item);
}

HTREEITEM TTreeBinding::Item(int index) const {
  if (index < 0 || index >= static_cast<int>(FItems.size())) return nullptr;
  if (!FItems[index] && FParents[index] >= 0) InsertChildren(FParents[index]);
  return FItems[index];
}

void TTreeBinding::Clear() {
  FView.Clear();
  FItems.clear();
  FChildrenIn.clear();
  FHasChildren.clear();
  FParents.clear();
  FFirstChild.clear();
  FChildren.clear();
  FTextOf = nullptr;
}

int TTreeBinding::IndexOf(HTREEITEM item) const {
  if (!item) return -1;
  const LPARAM data = FView.Data(item);
  return data >= 0 && static_cast<size_t>(data) < FItems.size() && FItems[data] == item ? static_cast<int>(data) : -1;
}

void TTreeBinding::CollapseAll() {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FHasChildren[i] && FItems[i] && FView.Expanded(FItems[i])) FView.Collapse(FItems[i]);
}

void TTreeBinding::ExpandPathAndSelect(const std::vector<int>& path) {
  for (int entry : path)
    if (HTREEITEM item = Item(entry)) FView.Expand(item);
  if (!path.empty())
    if (HTREEITEM last = Item(path.back())) FView.Select(last);
}

}  // namespace ui
