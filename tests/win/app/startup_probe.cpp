// Measures start-up under Wine: the time from starting a program until its
// window with the expected caption is visible and answers a sent message
// (for the picker, its code tree is asked for its count, which must not be
// 0), for pkd.exe and for a minimal Win32 window, alternately, each going
// first in every other run: whichever starts first after the previous pair
// ended pays for the clean-up of that pair.
//   startup_probe RUNS PKD_EXE CAPTION MINIMAL_EXE
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TFind {
  DWORD pid;
  const wchar_t* caption;  // nullptr: any caption
  HWND found;
};

BOOL CALLBACK FindShown(HWND wnd, LPARAM lp) {
  auto* f = reinterpret_cast<TFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != f->pid || !IsWindowVisible(wnd)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(wnd, text, 256);
  if (f->caption && lstrcmpW(text, f->caption) != 0) return TRUE;
  f->found = wnd;
  return FALSE;
}

// Milliseconds to a shown window (and a filled tree when wanted); -1 on failure.
double RunOnce(const std::wstring& exe, const wchar_t* caption, bool wantTree, LRESULT& treeCount) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\"";
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  CloseHandle(pi.hThread);
  HWND wnd = nullptr;
  treeCount = 0;
  for (int i = 0; i < 30000 && !wnd; ++i) {
    TFind f = {pi.dwProcessId, caption, nullptr};
    EnumWindows(&FindShown, reinterpret_cast<LPARAM>(&f));
    if (f.found && wantTree) {
      HWND tree = FindWindowExW(f.found, nullptr, WC_TREEVIEWW, nullptr);
      treeCount = tree ? SendMessageW(tree, TVM_GETCOUNT, 0, 0) : 0;
      if (treeCount <= 0) f.found = nullptr;
    } else if (f.found) {
      // The same wait for the program's message loop as the tree's count costs.
      SendMessageW(f.found, WM_NULL, 0, 0);
    }
    wnd = f.found;
    if (!wnd) Sleep(1);
  }
  QueryPerformanceCounter(&t1);
  if (wnd) PostMessageW(wnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return wnd ? double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart) : -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: startup_probe RUNS PKD_EXE CAPTION MINIMAL_EXE\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  std::vector<double> pkd, minimal;
  for (int i = 0; i < runs; ++i) {
    LRESULT count = 0, none = 0;
    double a, b;
    if (i % 2 == 0) {
      a = RunOnce(argv[2], argv[3], true, count);
      b = RunOnce(argv[4], nullptr, false, none);
    } else {
      b = RunOnce(argv[4], nullptr, false, none);
      a = RunOnce(argv[2], argv[3], true, count);
    }
    std::printf("run %d: pkd.exe %.1f ms (tree entries %ld), minimal window %.1f ms\n", i + 1, a,
                static_cast<long>(count), b);
    if (a >= 0) pkd.push_back(a);
    if (b >= 0) minimal.push_back(b);
  }
  std::printf("median of %d: pkd.exe %.1f ms, minimal window %.1f ms\n", runs, Median(pkd), Median(minimal));
  return pkd.size() == static_cast<size_t>(runs) && minimal.size() == static_cast<size_t>(runs) ? 0 : 1;
}
