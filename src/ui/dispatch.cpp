#include "ui/dispatch.h"

#include "ui/form.h"

namespace ui {

void ProcessMessage(MSG& msg) {
  if (msg.hwnd && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
    if (auto* form = dynamic_cast<TForm*>(TWindow::FromHandle(GetAncestor(msg.hwnd, GA_ROOT))))
      if (form->PreTranslate(msg)) return;
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

int RunMainLoop(TForm& mainForm) {
  mainForm.IsMainForm = true;
  MSG msg;
  int code = 0;
  while (!mainForm.ReleaseRequested() && mainForm.Handle()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(msg.wParam);
      break;
    }
    if (got < 0) break;
    ProcessMessage(msg);
  }
  mainForm.Destroy();
  return code;
}

}  // namespace ui
