#include "ui/tree_binding.h"

namespace ui {

void TTreeBinding::Fill(size_t count, const std::function<int(size_t)>& parentOf,
                        const std::function<const std::string&(size_t)>& textOf, bool expandAll) {
  TTreeUpdate update(FView);
  FView.Clear();
  FItems.assign(count, nullptr);
  FHasChildren.assign(count, false);
  for (size_t i = 0; i < count; ++i) {
    const int parent = parentOf(i);
    const bool known = parent >= 0 && static_cast<size_t>(parent) < i;
    if (known) FHasChildren[parent] = true;
    FItems[i] = FView.Add(known ? FItems[parent] : nullptr, textOf(i), static_cast<LPARAM>(i));
  }
  if (expandAll)
    for (size_t i = 0; i < count; ++i)
      if (FHasChildren[i]) FView.Expand(FItems[i]);
}

void TTreeBinding::Clear() {
  FView.Clear();
  FItems.clear();
  FHasChildren.clear();
}

int TTreeBinding::IndexOf(HTREEITEM item) const {
  if (!item) return -1;
  const LPARAM data = FView.Data(item);
  return data >= 0 && static_cast<size_t>(data) < FItems.size() && FItems[data] == item ? static_cast<int>(data) : -1;
}

void TTreeBinding::CollapseAll() {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FHasChildren[i] && FView.Expanded(FItems[i])) FView.Collapse(FItems[i]);
}

void TTreeBinding::ExpandPathAndSelect(const std::vector<int>& path) {
  for (int entry : path)
    if (HTREEITEM item = Item(entry)) FView.Expand(item);
  if (!path.empty())
    if (HTREEITEM last = Item(path.back())) FView.Select(last);
}

}  // namespace ui
