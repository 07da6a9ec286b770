#include "ui/layout.h"

#include <algorithm>

namespace ui {

void Arrange(TLayoutNode& node, const RECT& r) {
  node.Bounds = r;
  if (node.Place) node.Place(r);
  RECT rest = r;
  for (TLayoutNode* child : node.Children) {
    if (!child->Visible) continue;
    const int size = std::max(0, std::min<int>(child->Size, rest.bottom - rest.top));
    if (child->Align == alTop) {
      Arrange(*child, RECT{rest.left, rest.top, rest.right, rest.top + size});
      rest.top += size;
    }
  }
  for (TLayoutNode* child : node.Children) {
    if (!child->Visible) continue;
    const int size = std::max(0, std::min<int>(child->Size, rest.bottom - rest.top));
    if (child->Align == alBottom) {
      Arrange(*child, RECT{rest.left, rest.bottom - size, rest.right, rest.bottom});
      rest.bottom -= size;
    }
  }
  for (TLayoutNode* child : node.Children) {
    if (!child->Visible) continue;
    if (child->Align == alClient) Arrange(*child, rest);
    else if (child->Align == alNone) Arrange(*child, r);
  }
}

}  // namespace ui
