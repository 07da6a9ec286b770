// Typed wrappers of the system's controls: one-line message calls that take
// and give Windows-1250 text.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/window.h"

namespace ui {

class TLabel : public TControl {
 public:
  // "&" marks the accelerator letter, as on every caption.
  void Create(HWND parent, const std::string& caption, DWORD extraStyle = 0);
  // Makes the label as wide and high as its text in its font.
  void AutoSize();
};

// A label that answers the mouse: a click, the pointer entering and leaving
// it, and a pointer shape of its own while over it.
class TMouseLabel : public TLabel {
 public:
  void Create(HWND parent, const std::string& caption);
  std::function<void()> OnClick, OnMouseEnter, OnMouseLeave;
  HCURSOR Cursor = nullptr;  // none: the class's pointer
  bool MouseInside() const { return FInside; }
  void Command(WORD code) override;

 protected:
  bool Intercept(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool FInside = false;
};

// An icon, centred in its rectangle. The caller keeps the icon alive.
class TImage : public TControl {
 public:
  void Create(HWND parent);
  void SetIcon(HICON icon) { SendMessageW(Handle(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0); }
  HICON Icon() const { return reinterpret_cast<HICON>(SendMessageW(Handle(), STM_GETICON, 0, 0)); }
};

class TEdit : public TControl {
 public:
  void Create(HWND parent, int id);
  std::function<void()> OnChange;  // every edit, by the user or by SetText
  void Command(WORD code) override;
};

// Read-only multi-line text with a vertical scroll bar; long lines wrap.
class TMemo : public TControl {
 public:
  void Create(HWND parent, int id, DWORD exStyle = 0);
  // Without border, scroll bar or word wrap, in the parent's colour: a fixed text.
  void CreateFlat(HWND parent, int id);
  // Lines end with CR LF.
  void SetLines(const std::string& crlfText) { SetText(crlfText); }
  void Clear() { SetText(std::string()); }
  // Adds text at the end and scrolls to it.
  void Append(const std::string& text);
  // Removes the first count characters (a Windows-1250 byte is one character).
  void RemoveStart(size_t count);
  // The parent's answer to WM_CTLCOLORSTATIC when it is about this memo (a
  // read-only edit would take the dialog's colour; a memo keeps a text
  // field's); 0 for another control.
  LRESULT FieldColours(WPARAM dc, LPARAM control) const;
};

class TButton : public TControl {
 public:
  void Create(HWND parent, const std::string& caption, int id, bool isDefault = false);
  std::function<void()> OnClick;
  void Command(WORD code) override;
  // The click as the default or cancel button gives it: no focus change.
  void PerformClick() {
    if (OnClick) OnClick();
  }
};

// An editable drop-down list (combo box with an edit part).
class TComboBox : public TControl {
 public:
  void Create(HWND parent, int id);
  HWND EditHandle() const { return FEdit; }

  void Clear();
  void AddItems(const std::vector<std::string>& items);  // one redraw for all
  int Count() const;
  std::string Item(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool DroppedDown() const;
  void SetDroppedDown(bool down);
  // The edit part's selection, in characters.
  void GetSel(int& start, int& end) const;
  void SetSel(int start, int end);
  // Writes by the program raise no OnChange; SetText above does the same.
  void SetTextQuiet(const std::string& s);

  // A change by the user: an edit of the text or a choice from the list.
  std::function<void()> OnChange;
  // The list is about to drop down (it may still be filled here).
  std::function<void()> OnDropDown;
  void Command(WORD code) override;

 private:
  HWND FEdit = nullptr;
  int FQuiet = 0;
};

class TTreeView : public TControl {
 public:
  void Create(HWND parent, int id, DWORD style);
  // Between the two, no repaint and no scroll bar drawn: for filling the
  // tree, or expanding and selecting, in one batch. They nest.
  void BeginUpdate();
  void EndUpdate();
  void Clear();
  // childrenLater: the item shows its button before its children are put in.
  HTREEITEM Add(HTREEITEM parent, const std::string& text, LPARAM data, bool childrenLater = false);
  HTREEITEM Selected() const;
  void Select(HTREEITEM item);
  LPARAM Data(HTREEITEM item) const;
  std::string ItemText(HTREEITEM item) const;
  bool Expanded(HTREEITEM item) const;
  void Expand(HTREEITEM item) { SendMessageW(Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item)); }
  void Collapse(HTREEITEM item) { SendMessageW(Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item)); }
  void Toggle(HTREEITEM item) { SendMessageW(Handle(), TVM_EXPAND, TVE_TOGGLE, reinterpret_cast<LPARAM>(item)); }
  HTREEITEM FirstVisible() const;
  void EnsureVisible(HTREEITEM item) { SendMessageW(Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)); }
  bool ItemRect(HTREEITEM item, RECT& r) const;
  void SetIndent(int pixels) { SendMessageW(Handle(), TVM_SETINDENT, static_cast<WPARAM>(pixels), 0); }

  std::function<void()> OnChange;  // the selection changed
  std::function<void()> OnDblClick;
  std::function<void(HTREEITEM)> OnExpanding;  // before an item opens, by any means
  LRESULT Notify(NMHDR* header) override;

 private:
  int FUpdating = 0;
  bool FVisibleCleared = false;
};

// BeginUpdate for the length of a scope.
class TTreeUpdate {
 public:
  explicit TTreeUpdate(TTreeView& view) : FView(view) { FView.BeginUpdate(); }
  ~TTreeUpdate() { FView.EndUpdate(); }
  TTreeUpdate(const TTreeUpdate&) = delete;
  TTreeUpdate& operator=(const TTreeUpdate&) = delete;

 private:
  TTreeView& FView;
};

// A horizontal bar that resizes the control below it while dragged.
class TSplitter : public TWindow {
 public:
  void Create(HWND parent);
  // Called while dragging with the bar's wanted top in the parent's client coordinates.
  std::function<void(int top)> OnMoved;
  // Before Create: where it is created.
  void SetBounds(int x, int y, int w, int h);

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  int FGrabY = 0;
  bool FDragging = false;
  RECT FBounds = {0, 0, 0, 0};
};

}  // namespace ui
