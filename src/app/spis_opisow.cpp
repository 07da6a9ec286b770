#include "app/spis_opisow.h"

namespace app {

namespace {
constexpr int kClientWidth = 375, kClientHeight = 241;
constexpr int kBevel = 1;  // pan_opisy's lowered inner bevel
}  // namespace

Tform_spisOpisow::Tform_spisOpisow() : Timer1(*this, 300) {}

Tform_spisOpisow::~Tform_spisOpisow() { Destroy(); }

bool Tform_spisOpisow::Create(HWND owner) {
  if (!CreatePopupForm(owner, kClientWidth, kClientHeight)) return false;
  RECT client;
  GetClientRect(Handle(), &client);
  tree_spis.SetBounds(kBevel, kBevel, client.right - 2 * kBevel, client.bottom - 2 * kBevel);
  // Read-only, hot tracking, the selection kept visible without the focus,
  // and no expansion on selection; created in its place and the list's font.
  tree_spis.Create(Handle(), 1, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_TRACKSELECT);
  tree_spis.SetIndent(S(19));
  tree_spis.OnKeyDown = [this](WORD key, unsigned shift) { return tree_spisKeyDown(key, shift); };
  tree_spis.OnKeyPress = [this](char& key) { return tree_spisKeyPress(key); };
  tree_spis.OnDblClick = [this] { tree_spisDblClick(); };
  tree_spis.OnChange = [this] { tree_spisChange(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  return true;
}

void Tform_spisOpisow::FillResults(const std::vector<std::string>& rows, bool folded,
                                   const picker::TCounterpartGroup& counterparts,
                                   const std::vector<std::string>& foldedOnly) {
  FResults.FillResults(rows, folded);
  FResults.AddFolded(foldedOnly);
  FResults.AddCounterparts(counterparts.Title, counterparts.Entries);
  FNodes.Fill(
      FResults.Count(), [this](size_t i) { return FResults.Node(i).Parent; },
      [this](size_t i) -> const std::string& { return FResults.Node(i).Text; }, true);
}

std::string Tform_spisOpisow::ResultPath() const { return FResults.ResultPath(FNodes.SelectedIndex()); }

void Tform_spisOpisow::ShowUnder(const RECT& box) {
  // The tree never expands on selection by itself (no single-expand style),
  // so showing it needs nothing more.
  SetWindowPos(Handle(), HWND_TOP, box.left, box.bottom, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Tform_spisOpisow::Choose(int action) {
  if (!OnChoose) return;
  Action = action;
  OnChoose(*this);
}

void Tform_spisOpisow::ResultKey(WORD key) {
  const HTREEITEM selected = tree_spis.Selected();
  if (!selected) {
    tree_spis.Select(tree_spis.FirstVisible());
    return;
  }
  const HWND tree = tree_spis.Handle();
  switch (key) {
    case VK_RETURN:
      if (tree_spis.Expanded(selected)) tree_spis.Collapse(selected);
      else if (TreeView_GetChild(tree, selected)) tree_spis.Expand(selected);
      else Choose(raChoose);
      return;
    case VK_ESCAPE:
      Choose(raCancel);
      return;
  }
  // With the focus in the tree, the tree moves its selection itself.
  if (tree_spis.Focused()) return;
  switch (key) {
    case VK_HOME:
      tree_spis.Select(tree_spis.FirstVisible());
      break;
    case VK_UP:
      // At either end the selection clears; the next key starts at the top.
      tree_spis.Select(TreeView_GetPrevVisible(tree, selected));
      break;
    case VK_DOWN:
      tree_spis.Select(TreeView_GetNextVisible(tree, selected));
      break;
    case VK_ADD:
      tree_spis.Expand(selected);
      break;
    case VK_SUBTRACT:
      tree_spis.Collapse(selected);
      break;
  }
}

bool Tform_spisOpisow::tree_spisKeyDown(WORD key, unsigned) {
  ResultKey(key);
  return false;
}

bool Tform_spisOpisow::tree_spisKeyPress(char& key) {
  if (key == '\r') return true;
  if (key == 27) {
    Hide();
    return true;
  }
  return false;
}

void Tform_spisOpisow::tree_spisDblClick() { Choose(raChoose); }

void Tform_spisOpisow::tree_spisChange() { Timer1.Start(); }  // restarted by every change

void Tform_spisOpisow::Timer1Timer() {
  Timer1.Stop();
  Choose(raPreview);
}

LRESULT Tform_spisOpisow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(Handle(), &ps);
      RECT client;
      GetClientRect(Handle(), &client);
      DrawEdge(dc, &client, BDR_SUNKENINNER, BF_RECT);
      EndPaint(Handle(), &ps);
      return 0;
    }
    case WM_SHOWWINDOW:
      // A preview pending when the list closes would still move the main
      // tree, also after a cancel, which must leave it as it was.
      if (!wp) Timer1.Stop();
      break;
    case WM_DESTROY:
      Timer1.Stop();
      break;
  }
  return ui::TForm::WndProc(msg, wp, lp);
}

}  // namespace app
