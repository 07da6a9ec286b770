// Functions of system DLLs that only a dialog needs (the version reader, the
// shell's "open", icon extraction, the common Save and Print dialogs), loaded
// at their first use: importing the DLL would load it, and everything it pulls
// in (comdlg32 brings shell32 and the print spooler), at every start.
#pragma once

#include <windows.h>

namespace ui {

// The function from the system folder's DLL; nullptr when either is missing.
// A DLL stays loaded for the life of the process.
FARPROC SystemProc(const wchar_t* dll, const char* name);

template <class F>
F SystemFunction(const wchar_t* dll, const char* name) {
  // Through the generic function type, which casts to and from every other.
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(SystemProc(dll, name)));
}

}  // namespace ui
