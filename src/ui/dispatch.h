// The one message-dispatch function: the main loop and every nested wait go
// through it, so accelerators, default and cancel buttons and Tab behave the
// same everywhere.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// Keyboard pre-translation by the top-level window the message is for, then
// translate and dispatch.
void ProcessMessage(MSG& msg);
// Handles every message waiting now. False when WM_QUIT came (it is posted again).
bool ProcessMessages();
// Handles messages until done() holds (true) or timeoutMs passes (false). Never
// sleeps blindly: it waits for the next message with the remaining time.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = INFINITE);
// As PumpUntil without a time-out, with the posted messages of one kind to
// one window held back meanwhile (onHeld is told of each) and posted again,
// in their order, when the wait ends.
bool PumpUntilHolding(const std::function<bool()>& done, UINT heldMessage, HWND heldWindow,
                      const std::function<void(const MSG&)>& onHeld = nullptr);
// The window of the innermost message of that kind that ProcessMessage is
// dispatching now; null when none.
HWND DispatchingTo(UINT message);

}  // namespace ui
