#define PSAPI_VERSION 2
#include "e2e/e2e_process.h"

#include <psapi.h>

#include "support/pump_win.h"
#include "ui/wintext.h"

namespace e2e {

std::wstring FromBinaryDir(const std::string& relative) {
  std::string path = std::string(PKD_TEST_BINARY_DIR) + "/" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return ui::Wide("Z:" + path);
}

std::wstring BesideThisTest(const wchar_t* name) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms) { return testing_support::PumpUntil(done, ms); }

TProcess::~TProcess() {
  if (Running()) {
    TerminateProcess(Handle.Get(), 99);
    WaitForSingleObject(Handle.Get(), 5000);
  }
}

bool TProcess::Running() const { return Handle && WaitForSingleObject(Handle.Get(), 0) == WAIT_TIMEOUT; }

bool TProcess::WaitExit(DWORD ms) const {
  return WaitFor([this] { return !Running(); }, ms);
}

DWORD TProcess::ExitCode() const {
  DWORD code = 99;
  GetExitCodeProcess(Handle.Get(), &code);
  return code;
}

SIZE_T TProcess::Memory() const {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(Handle.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    return 0;
  return counters.PagefileUsage;
}

TProcess Start(const std::wstring& exe, const std::wstring& args, HANDLE out, HANDLE err, DWORD flags, bool hidden) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  if (hidden) {
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
  }
  if (out) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = err;
  }
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  TProcess p;
  // Wine on a loaded machine now and then fails a start with
  // ERROR_INTERNAL_ERROR (its new process gone before it was set up); the
  // start is not what these tests try, so that one error gets a second go.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 2 && !started; ++attempt) {
    started = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, out != nullptr, flags, nullptr, nullptr, &si, &pi);
    if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
  }
  if (started) {
    CloseHandle(pi.hThread);
    p.Handle.Reset(pi.hProcess);
    p.Id = pi.dwProcessId;
  }
  return p;
}

namespace {

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> Windows(HWND parent) {
  std::vector<HWND> list;
  const LPARAM lp = reinterpret_cast<LPARAM>(&list);
  parent ? EnumChildWindows(parent, CollectWindow, lp) : EnumWindows(CollectWindow, lp);
  return list;
}

DWORD ProcessOf(HWND wnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  return pid;
}

HWND ChildWithText(HWND parent, const wchar_t* text) {
  for (HWND child : Windows(parent)) {
    wchar_t caption[64] = L"";
    GetWindowTextW(child, caption, 64);
    if (std::wstring(caption) == text) return child;
  }
  return nullptr;
}

HWND MainWindowOf(DWORD pid) {
  for (HWND wnd : Windows()) {
    const DWORD owner = ProcessOf(wnd);
    if ((!pid || owner == pid) && owner != GetCurrentProcessId() && ChildWithText(wnd, L"Wybierz")) return wnd;
  }
  return nullptr;
}

}  // namespace e2e
