// The main window's layout: the node tree, its sizes and the splitter rule.
#include "app/main_layout.h"

#include <algorithm>

namespace app {

namespace {

// The sizes of the layout table at 96 DPI.
constexpr int kPanel1Height = 49, kSplitterHeight = 6, kPanel2Height = 143, kPanel4Height = 19;
constexpr int kButtonRowHeight = 41;
constexpr int kMinTreeHeight = 50, kMinOpisHeight = 50;
constexpr int kWordsLeft = 135, kWordsRightGap = 20;
constexpr int kComboListHeight = 200;  // the drop-down list below the code field

// Places a window over the whole of its node.
template <class TWin>
void Fill(TWin& window, const RECT& r) {
  window.SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

void TMainLayout::Build() {
  Root.Children = {&Panel1, &Panel2, &SplitterNode, &TreeNode};
  Panel1.Align = ui::alTop;
  Panel2.Align = ui::alBottom;
  Panel2.Size = S(kPanel2Height);
  SplitterNode.Align = ui::alBottom;
  TreeNode.Align = ui::alClient;
  Panel2.Children = {&P_btn, &p_opis};
  P_btn.Align = ui::alBottom;
  P_btn.Visible = false;
  p_opis.Align = ui::alClient;
  p_opis.Children = {&Panel4Node, &MemoNode};
  Panel4Node.Align = ui::alTop;
  MemoNode.Align = ui::alClient;

  Panel1.Place = [this, &c = FControls](const RECT& r) {
    RECT window;
    GetWindowRect(FForm.Handle(), &window);
    c.Label2.SetBounds(r.left + S(11), r.top + S(4), S(120), S(13));
    c.szukaj_kod.SetBounds(r.left + S(8), r.top + S(21), S(124), S(21) + S(kComboListHeight));
    c.Label4.SetBounds(r.left + S(kWordsLeft), r.top + S(4), S(300), S(13));
    // The words field follows the window's outer width.
    const int width = (window.right - window.left) - S(kWordsLeft) - S(kWordsRightGap);
    c.szukaj_opis.SetBounds(r.left + S(kWordsLeft), r.top + S(21), width, S(21));
  };
  TreeNode.Place = [&tree = FControls.tree_kody](const RECT& r) { Fill(tree, r); };
  SplitterNode.Place = [&splitter = FControls.Splitter1](const RECT& r) { Fill(splitter, r); };
  Panel4Node.Place = [&panel = FControls.Panel4](const RECT& r) { Fill(panel, r); };
  MemoNode.Place = [&memo = FControls.m_opis](const RECT& r) { Fill(memo, r); };
  P_btn.Place = [this, &c = FControls](const RECT& r) {
    c.b_OK.SetBounds(r.left + S(8), r.top + S(8), S(75), S(25));
    c.b_cancel.SetBounds(r.left + S(96), r.top + S(8), S(75), S(25));
  };
  FControls.b_OK.SetVisible(false);  // the button row is hidden in browse mode
  FControls.b_cancel.SetVisible(false);
  FControls.Splitter1.OnMoved = [this](int top) { Splitter1Moved(top); };
  Relayout();
}

int TMainLayout::MinPanel2Height() const { return S(kMinOpisHeight) + (P_btn.Visible ? S(kButtonRowHeight) : 0); }

void TMainLayout::Arrange() {
  RECT client;
  GetClientRect(FForm.Handle(), &client);
  ui::Arrange(Root, client);
}

void TMainLayout::Relayout() {
  if (!FForm.Handle()) return;
  Panel1.Size = S(kPanel1Height);
  SplitterNode.Size = S(kSplitterHeight);
  Panel4Node.Size = S(kPanel4Height);
  P_btn.Size = S(kButtonRowHeight);
  Panel2.Size = std::max(Panel2.Size, MinPanel2Height());
  Arrange();
  ApplySplitterRule();
}

void TMainLayout::ApplySplitterRule() {
  // The tree keeps 50 pixels: a too short tree shortens Panel2 instead,
  // down to what p_opis (and the button row) need.
  const int shortBy = S(kMinTreeHeight) - TreeNode.Height();
  if (shortBy <= 0) return;
  // From the height Panel2 really got: a stored height taller than the window
  // would otherwise stay taller and leave the tree no room at all.
  const int actual = std::min(Panel2.Size, Panel2.Height());
  const int height = std::max(actual - shortBy, MinPanel2Height());
  if (height == Panel2.Size) return;
  Panel2.Size = height;
  Arrange();
}

void TMainLayout::Splitter1Moved(int top) {
  RECT client;
  GetClientRect(FForm.Handle(), &client);
  int height = client.bottom - (top + S(kSplitterHeight));
  // Dragged no further than the tree's top or p_opis' minimum; the rule does the rest.
  height = std::min(height, int(client.bottom - Panel1.Size - S(kSplitterHeight)));
  Panel2.Size = std::max(height, MinPanel2Height());
  Relayout();
}

void TMainLayout::SetPanel2Height(int height) {
  if (height == Panel2.Size) return;
  Panel2.Size = height;
  Relayout();
}

void TMainLayout::SetButtonRowVisible(bool visible) {
  TMainControls& c = FControls;
  if (visible == P_btn.Visible && visible == c.b_OK.Visible() && visible == c.b_cancel.Visible()) return;
  P_btn.Visible = visible;
  c.b_OK.SetVisible(visible);
  c.b_cancel.SetVisible(visible);
  Relayout();
}

}  // namespace app
