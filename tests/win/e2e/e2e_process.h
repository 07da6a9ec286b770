// What the end-to-end tests share: the programs of this build, the processes
// a test starts (ended when it leaves them behind), and the picker's windows
// as another process sees them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/handles.h"

namespace e2e {

constexpr DWORD kLong = 30000;  // Wine shows, hides and ends GUI processes slowly

// A file of this build, e.g. "bin/pkd.exe", as a Windows path.
std::wstring FromBinaryDir(const std::string& relative);
// A file beside this test program.
std::wstring BesideThisTest(const wchar_t* name);
// Pumps this thread's messages until done() holds or ms pass.
bool WaitFor(const std::function<bool()>& done, DWORD ms = kLong);

struct TProcess {
  TProcess() = default;
  TProcess(TProcess&&) = default;
  TProcess& operator=(TProcess&&) = default;
  ~TProcess();
  ui::TKernelHandle Handle;
  DWORD Id = 0;
  bool Running() const;
  bool WaitExit(DWORD ms = kLong) const;
  DWORD ExitCode() const;
  // The memory the process has committed (0 when it cannot be read; Wine
  // gives no private bytes of another process).
  SIZE_T Memory() const;
};

// Starts exe with args; with out, its standard output and error go there
// (the handles are inherited). An empty Handle when it could not start.
TProcess Start(const std::wstring& exe, const std::wstring& args, HANDLE out = nullptr, HANDLE err = nullptr,
               DWORD flags = 0, bool hidden = false);

// The top-level windows (parent null), or all windows under parent.
std::vector<HWND> Windows(HWND parent = nullptr);
DWORD ProcessOf(HWND wnd);
HWND ChildWithText(HWND parent, const wchar_t* text);
// The main window of the picker process pid (of any other process for 0):
// the top-level window holding the button "Wybierz".
HWND MainWindowOf(DWORD pid);

}  // namespace e2e
