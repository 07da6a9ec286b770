// Waiting in tests under Windows: the thread's messages are handled while
// waiting for a condition or for a time, never a blind Sleep, so that windows,
// timers and DDEML (whose transactions are messages) go on meanwhile.
#pragma once

#include <windows.h>

#include <functional>

namespace testing_support {

// What handles one message; TranslateMessage + DispatchMessageW when null.
// GUI tests pass the program's own dispatch so keys are pre-translated as in
// the program.
using TMessageHandler = void (*)(MSG& msg);

// Handles messages until done() holds (true) or ms pass (false). It sleeps
// only in the wait for the next message, at most 50 ms at a time, so that a
// condition another thread or process changes (a watcher, a child's exit) is
// seen without a message to wake it.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms, TMessageHandler handle = nullptr) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Not ours to take: put it back for the loop it belongs to.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return done();
      }
      if (handle) {
        handle(msg);
      } else {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (done && done()) return true;
    }
    if (done && done()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    const DWORD slice = ms - elapsed < 50 ? ms - elapsed : 50;
    MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// Handles messages for ms, to see what happens (or does not) meanwhile.
inline void PumpFor(DWORD ms, TMessageHandler handle = nullptr) { PumpUntil(nullptr, ms, handle); }

}  // namespace testing_support
