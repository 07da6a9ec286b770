#include "ui/system_library.h"

namespace ui {

FARPROC SystemProc(const wchar_t* dll, const char* name) {
  // Only from the system folder, never from the program's or current folder.
  HMODULE module = GetModuleHandleW(dll);
  if (!module) module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace ui
