#include "dde/win/long_execute_win.h"

#include <dde.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "ui/dispatch.h"

namespace dde {

namespace {

constexpr UINT kHandleDeferred = WM_APP + 0x45;
// The instances of this thread, newest last, and the one hook that serves
// the newest.
thread_local std::vector<TLongExecutes*> instances;
thread_local HHOOK hook = nullptr;

bool InMenuLoop() {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE);
}

}  // namespace

TLongExecutes::TLongExecutes(std::function<bool()> wanted) : FWanted(std::move(wanted)) {
  static const wchar_t kClass[] = L"PkdDdeDeferredExecutes";
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);  // fails harmlessly once registered
  FWindow = CreateWindowW(kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (FWindow) SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (!hook) hook = SetWindowsHookExW(WH_MSGFILTER, MenuFilter, nullptr, GetCurrentThreadId());
  instances.push_back(this);
}

TLongExecutes::~TLongExecutes() {
  if (FWindow) DestroyWindow(FWindow);
  instances.erase(std::remove(instances.begin(), instances.end(), this), instances.end());
  if (instances.empty() && hook) {
    UnhookWindowsHookEx(hook);
    hook = nullptr;
  }
  // What was never handled is answered by nobody; its client times out, as
  // with a server that ended.
}

void TLongExecutes::WaitUntil(const std::function<bool()>& done) {
  // Only a quit message ends the wait otherwise. The held conversation's
  // window is the one the execute came to.
  ui::PumpUntilHolding(done, WM_DDE_TERMINATE, ui::DispatchingTo(WM_DDE_EXECUTE), [](const MSG& m) {
    PostMessageW(reinterpret_cast<HWND>(m.wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m.hwnd), 0);
  });
}

LRESULT CALLBACK TLongExecutes::MenuFilter(int code, WPARAM wp, LPARAM lp) {
  // The menu loop drops a message its filter says it has handled.
  if (code == MSGF_MENU && !instances.empty() && instances.back()->Defer(*reinterpret_cast<const MSG*>(lp)))
    return TRUE;
  return CallNextHookEx(nullptr, code, wp, lp);
}

bool TLongExecutes::Defer(const MSG& msg) {
  if (msg.message != WM_DDE_EXECUTE || !FWindow || !msg.hwnd) return false;
  if (GetWindowThreadProcessId(msg.hwnd, nullptr) != GetCurrentThreadId()) return false;
  if (!FWanted || !FWanted()) return false;
  // Kept as the loop saw it: under Wine a posted execute carries a memory
  // handle made for this process, which the acknowledgement must name, so
  // it is dispatched again as it is, never posted anew.
  FDeferred.push_back(msg);
  EndMenu();  // posts the loop its end, which comes before the message below
  PostMessageW(FWindow, kHandleDeferred, 0, 0);
  return true;
}

LRESULT CALLBACK TLongExecutes::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kHandleDeferred) {
    if (auto* self = reinterpret_cast<TLongExecutes*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) self->HandleNext();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void TLongExecutes::HandleNext() {
  if (FDeferred.empty()) return;
  if (InMenuLoop()) {
    // Dispatched by a menu loop that has not ended yet: again after it.
    EndMenu();
    PostMessageW(FWindow, kHandleDeferred, 0, 0);
    return;
  }
  MSG msg = FDeferred.front();
  FDeferred.pop_front();
  // One at a time: an execute that waits for the user lets the next be
  // handled (answered busy) inside its wait.
  if (!FDeferred.empty()) PostMessageW(FWindow, kHandleDeferred, 0, 0);
  // A conversation that ended meanwhile took its window with it.
  if (IsWindow(msg.hwnd)) ui::ProcessMessage(msg);
}

}  // namespace dde
