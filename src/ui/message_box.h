// Message boxes of the application: the title shown on them, and the box
// that shows an exception the program did not handle.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace ui {

void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// The message as the exception box shows it: a full stop is appended when
// the last character's code is above 0x2E (so not after "!" or ".").
std::string ExceptionBoxText(const std::string& message);

// How many of the program's message boxes are open now (nested ones count).
int OpenMessageBoxes();
// Told the new count each time one of them opens or closes.
void SetMessageBoxObserver(std::function<void(int open)> observer);

int ShowMessageBox(HWND owner, const std::string& message, const std::string& caption, UINT type);
// The exception's message, the application title as caption, error icon, OK.
void ShowException(const std::exception& e);

}  // namespace ui
