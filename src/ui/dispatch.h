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

}  // namespace ui
