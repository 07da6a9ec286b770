#include "ui/dispatch.h"

#include "ui/message_box.h"
#include "ui/window.h"

namespace ui {

void ProcessMessage(MSG& msg) {
  if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    if (TWindow* top = TWindow::FromHandle(GetAncestor(msg.hwnd, GA_ROOT))) {
      // A button pressed by Enter, Escape or Alt+letter runs its handler
      // here, outside any window procedure: its failure is shown as one in
      // a window procedure is, and the loop goes on.
      try {
        if (top->PreTranslate(msg)) return;
      } catch (const std::exception& e) {
        ShowException(e);
        return;
      }
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    ProcessMessage(msg);
  }
  return true;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (!ProcessMessages()) return done();
    if (done()) return true;
    DWORD wait = INFINITE;
    if (timeoutMs != INFINITE) {
      const DWORD elapsed = GetTickCount() - start;
      if (elapsed >= timeoutMs) return false;
      wait = timeoutMs - elapsed;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

}  // namespace ui
