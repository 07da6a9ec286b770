// The main window's layout: the panels its controls stand in, their sizes at
// 96 DPI and the rules that size them (the tree keeps 50 pixels, the splitter
// drags the bottom panel, the button row of pick mode takes its height from
// it). The window and its controls are the main window's; this class holds
// the layout nodes and places the controls in them.
#pragma once

#include <windows.h>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/layout.h"

namespace app {

// The main window's controls that the layout places, under their names.
struct TMainControls {
  ui::TControl &Label2, &szukaj_kod, &Label4, &szukaj_opis, &tree_kody;
  ui::TSplitter& Splitter1;
  ui::TControl &Panel4, &m_opis, &b_OK, &b_cancel;
};

class TMainLayout {
 public:
  // The window's client size at 96 DPI, and its smallest size.
  static constexpr int kClientWidth = 476, kClientHeight = 376;
  static constexpr int kMinWidth = 300, kMinHeight = 240;

  TMainLayout(const ui::TForm& form, const TMainControls& controls) : FForm(form), FControls(controls) {}
  TMainLayout(const TMainLayout&) = delete;
  TMainLayout& operator=(const TMainLayout&) = delete;

  // Builds the node tree and lays it out in the created window before its
  // controls are created, so that each is created where it belongs. The
  // button row starts hidden.
  void Build();
  // Sizes the nodes for the window's resolution and client area, applies the
  // splitter rule and places the controls.
  void Relayout();
  // The bottom panel's height, as stored: laid out again when it changed.
  void SetPanel2Height(int height);
  // The button row of pick mode, shown or hidden, and the layout after it.
  void SetButtonRowVisible(bool visible);
  // The resolution changed from oldDpi: the bottom panel keeps its share.
  // The window's new size lays it out.
  void DpiChanged(int oldDpi) { Panel2.Size = MulDiv(Panel2.Size, FForm.Dpi(), oldDpi); }

  // Layout nodes: panels of the layout that own no window of their own.
  ui::TLayoutNode Root, Panel1, TreeNode, SplitterNode, Panel2, p_opis, Panel4Node, MemoNode, P_btn;

 private:
  int S(int designPixels) const { return FForm.S(designPixels); }
  void ApplySplitterRule();
  int MinPanel2Height() const;
  void Splitter1Moved(int top);
  void Arrange();

  const ui::TForm& FForm;
  TMainControls FControls;
};

}  // namespace app
