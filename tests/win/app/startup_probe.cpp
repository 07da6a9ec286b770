// Measures start-up under Wine: the time from starting a program until its
// window with the expected caption is visible, painted and answers a sent
// message (for the picker, its code tree is asked for its count, which must
// not be 0, and is painted too; the floor's tree is asked and waited for the
// same way, empty), for pkd.exe, the window floor (the picker's set of
// windows without its logic) and optionally a bare Win32 window, alternately,
// each going first as often as the others: whichever starts first after the
// previous run ended pays for the clean-up of that run. A second picker (an
// earlier build, say) can be measured in the same runs.
//   startup_probe RUNS PKD_EXE CAPTION FLOOR_EXE [MINIMAL_EXE [OTHER_PKD_EXE]]
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

enum TKind { kPicker, kFloor, kBare };

// Milliseconds to a shown window (and a painted tree, filled for the picker); -1 on failure.
double RunOnce(const std::wstring& exe, const wchar_t* caption, TKind kind, LRESULT& treeCount) {
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
    if (f.found && kind != kBare) {
      HWND tree = FindWindowExW(f.found, nullptr, WC_TREEVIEWW, nullptr);
      treeCount = tree ? SendMessageW(tree, TVM_GETCOUNT, 0, 0) : -1;
      // Shown means painted too: the window and its tree have nothing left to paint.
      if (!tree || (kind == kPicker && treeCount <= 0) || GetUpdateRect(f.found, nullptr, FALSE) ||
          GetUpdateRect(tree, nullptr, FALSE))
        f.found = nullptr;
    } else if (f.found) {
      // The same wait for the program's message loop as the tree's count costs.
      SendMessageW(f.found, WM_NULL, 0, 0);
      if (GetUpdateRect(f.found, nullptr, FALSE)) f.found = nullptr;
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
  if (argc < 5 || argc > 7) {
    std::fprintf(stderr, "usage: startup_probe RUNS PKD_EXE CAPTION FLOOR_EXE [MINIMAL_EXE [OTHER_PKD_EXE]]\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  // The programs in the order of the first run: each run starts one later,
  // so that every program goes first as often as the others.
  struct TProgram {
    const wchar_t* exe;
    const char* name;
    TKind kind;
    std::vector<double> times;
  };
  std::vector<TProgram> programs = {{argv[2], "pkd.exe", kPicker, {}}, {argv[4], "floor", kFloor, {}}};
  if (argc >= 6) programs.push_back({argv[5], "bare window", kBare, {}});
  if (argc == 7) programs.push_back({argv[6], "other pkd.exe", kPicker, {}});
  bool complete = true;
  for (int i = 0; i < runs; ++i) {
    std::printf("run %d:", i + 1);
    for (size_t k = 0; k < programs.size(); ++k) {
      TProgram& p = programs[(k + static_cast<size_t>(i)) % programs.size()];
      LRESULT count = 0;
      const double t = RunOnce(p.exe, p.kind == kPicker ? argv[3] : nullptr, p.kind, count);
      std::printf(" %s %.1f ms%s", p.name, t,
                  p.kind == kPicker ? (" (" + std::to_string(count) + " entries)").c_str() : "");
      if (t >= 0) p.times.push_back(t);
      else complete = false;
    }
    std::printf("\n");
  }
  std::printf("median of %d:", runs);
  for (const TProgram& p : programs) std::printf(" %s %.1f ms", p.name, Median(p.times));
  const double floor = Median(programs[1].times);
  if (floor > 0) std::printf("; pkd.exe / floor %.2f", Median(programs[0].times) / floor);
  std::printf("\n");
  return complete ? 0 : 1;
}
