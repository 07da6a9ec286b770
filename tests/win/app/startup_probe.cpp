// Measures start-up under Wine: the time from starting a program until its
// window with the expected caption is visible, painted and answers a sent
// message (for the picker, its code tree is asked for its count, which must
// not be 0, and is painted too; the floor's tree is asked and waited for the
// same way, empty), for pkd.exe, the window floor (the picker's set of
// windows without its logic) and optionally a bare Win32 window, alternately,
// each going first as often as the others, with a pause after each program
// for the clean-up of its run. A second picker (an earlier build, say) can be
// measured in the same runs.
//   startup_probe [--running] [--filled-floor] RUNS PKD_EXE CAPTION FLOOR_EXE [MINIMAL_EXE [OTHER_PKD_EXE]]
// With --running every pkd.exe measured is a second picker: a first one is
// started before the runs and stays open throughout. With --filled-floor the
// floor is also measured with its tree filled (window_floor --filled), which
// tells the cost of the picker's data to Wine from the cost of our code.
//   startup_probe --pick RUNS PKDPICK_EXE CAPTION FLOOR_EXE NOOP_EXE
// times a pick by pkdpick with no picker running: from pkdpick's start until
// the picker's window shows its button row, painted and answering. Its floor
// is measured in the same runs, taking turns with the picks: the launch of a
// console program that does nothing (NOOP_EXE, until it has ended) plus the
// filled window floor's start (FLOOR_EXE --filled): what starting the two
// programs and showing these windows with this data costs.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSettleMs = 500;

struct TFind {
  DWORD pid;  // 0: any process
  const wchar_t* caption;  // nullptr: any caption
  HWND found;
};

BOOL CALLBACK FindShown(HWND wnd, LPARAM lp) {
  auto* f = reinterpret_cast<TFind*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if ((f->pid && pid != f->pid) || !IsWindowVisible(wnd)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(wnd, text, 256);
  if (f->caption && lstrcmpW(text, f->caption) != 0) return TRUE;
  f->found = wnd;
  return FALSE;
}

enum TKind { kPicker, kFloor, kBare };

// The shown window of the process (any process for pid 0) with the caption,
// once it is painted and answers (for the picker and the floor: its tree
// too, filled for the picker); nullptr when it does not come in time.
HWND WaitShown(DWORD pid, const wchar_t* caption, TKind kind, LRESULT& treeCount, bool wantButtons = false) {
  treeCount = 0;
  for (int i = 0; i < 30000; ++i) {
    TFind f = {pid, caption, nullptr};
    EnumWindows(&FindShown, reinterpret_cast<LPARAM>(&f));
    if (f.found && wantButtons) {
      HWND ok = FindWindowExW(f.found, nullptr, L"Button", L"Wybierz");
      if (!ok || !IsWindowVisible(ok) || GetUpdateRect(ok, nullptr, FALSE)) f.found = nullptr;
    }
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
    if (f.found) return f.found;
    Sleep(1);
  }
  return nullptr;
}

double Ms(const LARGE_INTEGER& t0, const LARGE_INTEGER& t1) {
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  return double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// Ends a program through its window, as the close box does.
void CloseAndWait(HWND wnd, HANDLE process) {
  if (wnd) PostMessageW(wnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
  CloseHandle(process);
}

// Milliseconds to a shown window (and a painted tree, filled for the picker); -1 on failure.
double RunOnce(const std::wstring& exe, const wchar_t* args, const wchar_t* caption, TKind kind, LRESULT& treeCount) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\"" + args;
  LARGE_INTEGER t0, t1;
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  CloseHandle(pi.hThread);
  const HWND wnd = WaitShown(pi.dwProcessId, caption, kind, treeCount);
  QueryPerformanceCounter(&t1);
  CloseAndWait(wnd, pi.hProcess);
  return wnd ? Ms(t0, t1) : -1;
}

// Starts a console program on the null device, the clock started just
// before; false when it does not start.
bool StartConsole(const std::wstring& exe, const wchar_t* args, PROCESS_INFORMATION& pi, LARGE_INTEGER& t0) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                 OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = nul;
  pi = PROCESS_INFORMATION();
  std::wstring cmd = L"\"" + exe + L"\"" + args;
  QueryPerformanceCounter(&t0);
  const BOOL started = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(nul);
  if (!started) return false;
  CloseHandle(pi.hThread);
  return true;
}

// A pick by pkdpick with no picker running: milliseconds from pkdpick's start
// until the picker's window shows its button row, painted and answering; the
// pick is then cancelled and both programs are waited for. -1 on failure.
double PickOnce(const std::wstring& pkdpick, const wchar_t* caption) {
  PROCESS_INFORMATION pi;
  LARGE_INTEGER t0, t1;
  if (!StartConsole(pkdpick, L" --code 47.91.Z", pi, t0)) return -1;
  LRESULT count = 0;
  const HWND wnd = WaitShown(0, caption, kPicker, count, true);
  QueryPerformanceCounter(&t1);
  DWORD pickerPid = 0;
  if (wnd) GetWindowThreadProcessId(wnd, &pickerPid);
  const HANDLE picker = pickerPid ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pickerPid) : nullptr;
  if (HWND cancel = wnd ? FindWindowExW(wnd, nullptr, L"Button", L"Anuluj") : nullptr)
    PostMessageW(cancel, BM_CLICK, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  // Its client gone while its window is hidden, the picker ends by itself.
  if (picker && WaitForSingleObject(picker, 10000) != WAIT_OBJECT_0) CloseAndWait(wnd, picker);
  else if (picker) CloseHandle(picker);
  return wnd ? Ms(t0, t1) : -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

void Usage() {
  std::fprintf(stderr,
               "usage: startup_probe [--running] [--filled-floor] RUNS PKD_EXE CAPTION FLOOR_EXE [MINIMAL_EXE [OTHER_PKD_EXE]]\n"
               "       startup_probe --pick RUNS PKDPICK_EXE CAPTION FLOOR_EXE NOOP_EXE\n");
}

// Milliseconds from a console program's start until it has ended; -1 on failure.
double LaunchOnce(const std::wstring& exe) {
  PROCESS_INFORMATION pi;
  LARGE_INTEGER t0, t1;
  if (!StartConsole(exe, L"", pi, t0)) return -1;
  const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
  QueryPerformanceCounter(&t1);
  if (!ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return ended ? Ms(t0, t1) : -1;
}

// Picks and their floor (a console launch plus the filled window floor),
// taking turns at going first.
int PickRuns(int runs, const wchar_t* pkdpick, const wchar_t* caption, const wchar_t* floorExe,
             const wchar_t* noopExe) {
  std::vector<double> picks, launches, floors, sums;
  bool complete = true;
  for (int i = 0; i < runs; ++i) {
    double pick = -1, launch = -1, floor = -1;
    for (int k = 0; k < 2; ++k) {
      if ((k + i) % 2 == 0) {
        pick = PickOnce(pkdpick, caption);
      } else {
        launch = LaunchOnce(noopExe);
        Sleep(kSettleMs);
        LRESULT count = 0;
        floor = RunOnce(floorExe, L" --filled", nullptr, kFloor, count);
      }
      Sleep(kSettleMs);
    }
    std::printf("run %d: pick %.1f ms, launch %.1f ms, filled floor %.1f ms\n", i + 1, pick, launch, floor);
    if (pick < 0 || launch < 0 || floor < 0) {
      complete = false;
      continue;
    }
    picks.push_back(pick);
    launches.push_back(launch);
    floors.push_back(floor);
    sums.push_back(launch + floor);
  }
  const double floor = Median(sums);
  std::printf("median of %d: pick %.1f ms, launch %.1f ms, filled floor %.1f ms, floor (launch + filled floor) %.1f ms",
              runs, Median(picks), Median(launches), Median(floors), floor);
  if (floor > 0) std::printf("; pick / floor %.2f", Median(picks) / floor);
  std::printf("\n");
  return complete ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && lstrcmpW(argv[1], L"--pick") == 0) {
    if (argc != 7) {
      Usage();
      return 2;
    }
    return PickRuns(_wtoi(argv[2]), argv[3], argv[4], argv[5], argv[6]);
  }
  // --running: every start is a second picker, one started before the runs stays open throughout.
  const bool running = argc > 1 && lstrcmpW(argv[1], L"--running") == 0;
  if (running) {
    --argc;
    ++argv;
  }
  const bool filledFloor = argc > 1 && lstrcmpW(argv[1], L"--filled-floor") == 0;
  if (filledFloor) {
    --argc;
    ++argv;
  }
  if (argc < 5 || argc > 7) {
    Usage();
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  HWND first = nullptr;
  HANDLE firstProcess = nullptr;
  if (running) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + std::wstring(argv[2]) + L"\"";
    if (!CreateProcessW(argv[2], &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 2;
    CloseHandle(pi.hThread);
    LRESULT count = 0;
    first = WaitShown(pi.dwProcessId, argv[3], kPicker, count);
    firstProcess = pi.hProcess;
    Sleep(kSettleMs);
  }
  // The programs in the order of the first run: each run starts one later,
  // so that every program goes first as often as the others.
  struct TProgram {
    const wchar_t* exe;
    const wchar_t* args;
    const char* name;
    TKind kind;
    std::vector<double> times;
  };
  std::vector<TProgram> programs = {{argv[2], L"", running ? "second pkd.exe" : "pkd.exe", kPicker, {}},
                                    {argv[4], L"", "floor", kFloor, {}}};
  if (filledFloor) programs.push_back({argv[4], L" --filled", "filled floor", kFloor, {}});
  if (argc >= 6) programs.push_back({argv[5], L"", "bare window", kBare, {}});
  if (argc == 7) programs.push_back({argv[6], L"", "other pkd.exe", kPicker, {}});
  bool complete = true;
  for (int i = 0; i < runs; ++i) {
    std::printf("run %d:", i + 1);
    for (size_t k = 0; k < programs.size(); ++k) {
      TProgram& p = programs[(k + static_cast<size_t>(i)) % programs.size()];
      LRESULT count = 0;
      const double t = RunOnce(p.exe, p.args, p.kind == kPicker ? argv[3] : nullptr, p.kind, count);
      std::printf(" %s %.1f ms%s", p.name, t,
                  p.kind == kPicker ? (" (" + std::to_string(count) + " entries)").c_str() : "");
      if (t >= 0) p.times.push_back(t);
      else complete = false;
      // The clean-up of a program that has ended (its windows, its process in
      // the server and the X server) goes on for a while: the next start
      // waits for it instead of paying for it.
      Sleep(kSettleMs);
    }
    std::printf("\n");
  }
  std::printf("median of %d:", runs);
  for (const TProgram& p : programs) std::printf(" %s %.1f ms", p.name, Median(p.times));
  const double floor = Median(programs[1].times);
  if (floor > 0) std::printf("; pkd.exe / floor %.2f", Median(programs[0].times) / floor);
  if (filledFloor) std::printf("; pkd.exe / filled floor %.2f", Median(programs[0].times) / Median(programs[2].times));
  std::printf("\n");
  if (firstProcess) CloseAndWait(first, firstProcess);
  return complete ? 0 : 1;
}
