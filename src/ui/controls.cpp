#include "ui/controls.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/wintext.h"

namespace ui {

// ---- TLabel

void TLabel::Create(HWND parent, const std::string& caption, DWORD extraStyle) {
  CreateControl(L"STATIC", caption, WS_VISIBLE | SS_LEFT | extraStyle, 0, parent, -1);
}

void TLabel::AutoSize() {
  const std::wstring caption = Wide(Text());
  const HDC dc = GetDC(Handle());
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  RECT r;
  GetWindowRect(Handle(), &r);
  MapWindowPoints(nullptr, GetParent(Handle()), reinterpret_cast<POINT*>(&r), 2);
  SetBounds(r.left, r.top, size.cx, size.cy);
}

// ---- TMouseLabel

void TMouseLabel::Create(HWND parent, const std::string& caption) {
  // SS_NOTIFY: the label takes the mouse instead of letting it through.
  CreateControl(L"STATIC", caption, WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, parent, -1);
}

void TMouseLabel::Command(WORD code) {
  if (code == STN_CLICKED && OnClick) OnClick();
}

bool TMouseLabel::Intercept(HWND, UINT msg, WPARAM, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_MOUSEMOVE:
      if (!FInside) {
        FInside = true;
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, Handle(), 0};
        TrackMouseEvent(&track);
        if (OnMouseEnter) OnMouseEnter();
      }
      break;
    case WM_MOUSELEAVE:
      if (FInside) {
        FInside = false;
        if (OnMouseLeave) OnMouseLeave();
      }
      break;
    case WM_SETCURSOR:
      if (Cursor) {
        SetCursor(Cursor);
        result = TRUE;
        return true;
      }
      break;
  }
  return false;
}

// ---- TImage

void TImage::Create(HWND parent) { CreateControl(L"STATIC", "", WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, parent, -1); }

// ---- TEdit

void TEdit::Create(HWND parent, int id) {
  CreateControl(L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, parent, id);
}

void TEdit::Command(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange();
}

// ---- TMemo

void TMemo::Create(HWND parent, int id, DWORD exStyle) {
  CreateControl(L"EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                exStyle, parent, id);
  // The typing limit (32K characters) would also cut what the program adds.
  SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void TMemo::Append(const std::string& text) {
  const int end = GetWindowTextLengthW(Handle());
  SendMessageW(Handle(), EM_SETSEL, end, end);
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void TMemo::RemoveStart(size_t count) {
  SendMessageW(Handle(), EM_SETSEL, 0, static_cast<LPARAM>(count));
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

LRESULT TMemo::FieldColours(WPARAM dc, LPARAM control) const {
  if (!Handle() || reinterpret_cast<HWND>(control) != Handle()) return 0;
  SetBkColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOW));
  SetTextColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void TMemo::CreateFlat(HWND parent, int id) {
  CreateControl(L"EDIT", "", WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                0, parent, id);
}

// ---- TButton

void TButton::Create(HWND parent, const std::string& caption, int id, bool isDefault) {
  CreateControl(L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                parent, id);
}

void TButton::Command(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

// ---- TComboBox

void TComboBox::Create(HWND parent, int id) {
  CreateControl(L"COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, parent,
                id);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(Handle(), &info)) FEdit = info.hwndItem;
  // Keys typed in the field reach the edit part, not the combo box.
  HookKeys(FEdit);
}

void TComboBox::Clear() {
  ++FQuiet;
  SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
  --FQuiet;
}

void TComboBox::AddItems(const std::vector<std::string>& items) {
  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  SendMessageW(Handle(), CB_INITSTORAGE, items.size(), static_cast<LPARAM>(items.size() * 16));
  for (const std::string& item : items)
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
}

int TComboBox::Count() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)); }

std::string TComboBox::Item(int index) const {
  const LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return std::string();
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&buffer[0]));
  return Narrow(buffer.c_str(), static_cast<size_t>(length));
}

int TComboBox::ItemIndex() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int index) {
  ++FQuiet;
  SendMessageW(Handle(), CB_SETCURSEL, index, 0);
  --FQuiet;
}

bool TComboBox::DroppedDown() const { return SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TComboBox::SetDroppedDown(bool down) { SendMessageW(Handle(), CB_SHOWDROPDOWN, down, 0); }

void TComboBox::GetSel(int& start, int& end) const {
  DWORD s = 0, e = 0;
  SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  start = static_cast<int>(s);
  end = static_cast<int>(e);
}

void TComboBox::SetSel(int start, int end) {
  // The edit part keeps the selection even while the combo box has no focus.
  if (FEdit) SendMessageW(FEdit, EM_SETSEL, start, end);
  else SendMessageW(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(start, end));
}

void TComboBox::SetTextQuiet(const std::string& s) {
  ++FQuiet;
  SetText(s);
  --FQuiet;
}

void TComboBox::Command(WORD code) {
  if (code == CBN_DROPDOWN && OnDropDown) OnDropDown();
  if (FQuiet > 0) return;
  if ((code == CBN_EDITCHANGE || code == CBN_SELCHANGE) && OnChange) OnChange();
}

// ---- TTreeView

void TTreeView::Create(HWND parent, int id, DWORD style) {
  CreateControl(WC_TREEVIEWW, "", WS_VISIBLE | WS_TABSTOP | style, WS_EX_CLIENTEDGE, parent, id);
}

void TTreeView::BeginUpdate() {
  if (FUpdating++ > 0) return;
  SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
  // The tree view brings its scroll bars up to date, drawing them, at every
  // expand and selection even with its redraw off, and under Wine each
  // themed scroll bar drawn costs many round trips to the server. The
  // system's own redraw switch,
  // which clears the visible style without hiding, stops that too; the tree
  // view does not pass the message on, so it is given to the system here.
  FVisibleCleared = (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
  if (FVisibleCleared) DefWindowProcW(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeView::EndUpdate() {
  if (FUpdating == 0 || --FUpdating > 0) return;
  // Its scroll bars brought up to date while still not drawn; then one
  // paint of the frame and the items.
  SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
  if (FVisibleCleared) DefWindowProcW(Handle(), WM_SETREDRAW, TRUE, 0);
  FVisibleCleared = false;
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void TTreeView::Clear() { SendMessageW(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

HTREEITEM TTreeView::Add(HTREEITEM parent, const std::string& itemText, LPARAM data, bool childrenLater) {
  std::wstring wide = Wide(itemText);
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | (childrenLater ? TVIF_CHILDREN : 0);
  ins.item.pszText = &wide[0];
  ins.item.lParam = data;
  ins.item.cChildren = childrenLater ? 1 : 0;
  return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM TTreeView::Selected() const {
  return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TTreeView::Select(HTREEITEM item) {
  SendMessageW(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

LPARAM TTreeView::Data(HTREEITEM item) const {
  TVITEMW it = {};
  it.mask = TVIF_PARAM | TVIF_HANDLE;
  it.hItem = item;
  SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  return it.lParam;
}

std::string TTreeView::ItemText(HTREEITEM item) const {
  wchar_t buffer[1024] = {};
  TVITEMW it = {};
  it.mask = TVIF_TEXT | TVIF_HANDLE;
  it.hItem = item;
  it.pszText = buffer;
  it.cchTextMax = 1024;
  SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
  return Narrow(std::wstring(it.pszText ? it.pszText : L""));
}

bool TTreeView::Expanded(HTREEITEM item) const {
  return (SendMessageW(Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) &
          TVIS_EXPANDED) != 0;
}

HTREEITEM TTreeView::FirstVisible() const {
  return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
}

bool TTreeView::ItemRect(HTREEITEM item, RECT& r) const {
  *reinterpret_cast<HTREEITEM*>(&r) = item;
  return SendMessageW(Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)) != 0;
}

LRESULT TTreeView::Notify(NMHDR* header) {
  if (header->code == TVN_SELCHANGEDW && OnChange) OnChange();
  else if (header->code == TVN_ITEMEXPANDINGW && OnExpanding) {
    const auto* tv = reinterpret_cast<NMTREEVIEWW*>(header);
    if ((tv->action & TVE_EXPAND) == TVE_EXPAND) OnExpanding(tv->itemNew.hItem);
  } else if (header->code == NM_DBLCLK && OnDblClick) OnDblClick();
  return 0;
}

// ---- TSplitter

void TSplitter::Create(HWND parent) {
  const RECT& b = FBounds;
  CreateHandle(0, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, b.left, b.top, b.right - b.left, b.bottom - b.top,
               parent, nullptr);
}

void TSplitter::SetBounds(int x, int y, int w, int h) {
  const RECT wanted = {x, y, x + std::max(w, 0), y + std::max(h, 0)};
  if (Handle() && EqualRect(&wanted, &FBounds)) return;  // placed there last time
  FBounds = wanted;
  if (Handle()) MoveChild(Handle(), x, y, w, h);
}

LRESULT TSplitter::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZENS)));
      return TRUE;
    case WM_LBUTTONDOWN:
      FGrabY = GET_Y_LPARAM(lp);
      FDragging = true;
      SetCapture(Handle());
      return 0;
    case WM_MOUSEMOVE:
      if (FDragging && (wp & MK_LBUTTON)) {
        POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        MapWindowPoints(Handle(), GetParent(Handle()), &p, 1);
        if (OnMoved) OnMoved(p.y - FGrabY);  // the drag resizes live
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (FDragging) {
        FDragging = false;
        if (msg == WM_LBUTTONUP) ReleaseCapture();
      }
      return 0;
  }
  return TWindow::WndProc(msg, wp, lp);
}

}  // namespace ui
