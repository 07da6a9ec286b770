// Align-based layout: a node takes a strip at the top or bottom of what its
// parent has left, or all of the rest (client); its children share its own
// rectangle the same way. Recomputed on every resize.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace ui {

enum TAlign { alNone, alTop, alBottom, alClient };

struct TLayoutNode {
  TAlign Align = alNone;
  int Size = 0;  // height in pixels, for alTop and alBottom
  bool Visible = true;
  // Places the node's own windows in its rectangle (set by Arrange).
  std::function<void(const RECT&)> Place;
  std::vector<TLayoutNode*> Children;
  RECT Bounds = {0, 0, 0, 0};

  int Height() const { return Bounds.bottom - Bounds.top; }
  int Width() const { return Bounds.right - Bounds.left; }
};

// Top strips in order, then bottom strips in order, then the client nodes
// share what is left; a strip never gets more than what is left.
void Arrange(TLayoutNode& node, const RECT& r);

}  // namespace ui
