// The note pane's text control: the read-only multi-line text that also
// reports a double click with the character under the pointer, so that a
// code the note names can be followed.
#pragma once

#include <cstddef>
#include <functional>

#include "ui/controls.h"

namespace app {

class TNoteMemo : public ui::TMemo {
 public:
  // A double click at character pos of the text; true when it was taken (the
  // control then does not select the word under it).
  std::function<bool(size_t pos)> OnDblClickAt;
  // The caret's character position.
  size_t Caret() const {
    DWORD start = 0, end = 0;
    SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start;
  }

 protected:
  bool Intercept(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
    if (wnd != Handle() || msg != WM_LBUTTONDBLCLK || !OnDblClickAt) return ui::TMemo::Intercept(wnd, msg, wp, lp, result);
    // An edit control gives the character index in the low word; a
    // Windows-1250 byte is one character, CR LF two.
    const LRESULT at = SendMessageW(Handle(), EM_CHARFROMPOS, 0, lp);
    if (!OnDblClickAt(LOWORD(at))) return false;
    result = 0;
    return true;
  }
};

}  // namespace app
