#include "ui/dispatch.h"

#include <vector>

#include "ui/message_box.h"
#include "ui/window.h"

namespace ui {

namespace {
// The messages ProcessMessage is dispatching, innermost last.
std::vector<MSG>& Dispatching() {
  static std::vector<MSG> stack;
  return stack;
}
}  // namespace

HWND DispatchingTo(UINT message) {
  const std::vector<MSG>& stack = Dispatching();
  for (auto m = stack.rbegin(); m != stack.rend(); ++m)
    if (m->message == message) return m->hwnd;
  return nullptr;
}

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
  struct TFrame {
    explicit TFrame(const MSG& m) { Dispatching().push_back(m); }
    ~TFrame() { Dispatching().pop_back(); }
  } frame(msg);
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

bool PumpUntilHolding(const std::function<bool()>& done, UINT heldMessage, HWND heldWindow,
                      const std::function<void(const MSG&)>& onHeld) {
  std::vector<MSG> held;
  bool result = false;
  for (;;) {
    if ((result = done())) break;
    MSG msg;
    bool quit = false;
    while (!quit && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        quit = true;
      } else if (msg.message == heldMessage && heldWindow && msg.hwnd == heldWindow) {
        held.push_back(msg);
        if (onHeld) onHeld(msg);
      } else {
        ProcessMessage(msg);
        if (done()) break;
      }
    }
    if (quit) {
      result = done();
      break;
    }
    if ((result = done())) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  for (const MSG& m : held) PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
  return result;
}

}  // namespace ui
