// The picker all day: starts the real pkd.exe on its catalogue and drives it
// from this process as an ERP program does, cycle after cycle: one Find_PKD
// (ten codes in turn, old and new ones among them, and every third cycle a
// words preset), then requests for KOD and OPIS, this thread's messages
// handled between transactions. Every REPORT cycles it prints the time of
// those cycles and the picker's working set, private bytes, handle count and
// GDI and USER objects, and the transactions that failed.
//   soak_probe [--cycles N] [--report N] [--mix all|code|old|words|requests|same|empty]
//              [--pick-every N] [--bare | --manager [--movable-left N]]
//              [--limit-kb K] [--pkd FOLDER]
// --mix: all as above; code, old (PKD 2007 codes only) or words presets
// alone; requests without executes; the same code, or empty presets.
// --pick-every runs pkdpick every N cycles and presses "Wybierz" for it.
// --bare drives a bare DDEML server (this program, started again) that
// acknowledges every execute and answers KOD and OPIS (as long as a
// catalogue's note) from constants: what grows there is the DDEML's own,
// Wine's under Wine. --manager drives the picker's DDE side (manager, stored
// form, handlers, session) without its window, in a process of this program
// that prints how many movable global memory blocks it has left at the start
// and at the end; --movable-left first takes all but N of them.
// --limit-kb: exit status 1 when private bytes after the run exceed those
// after its first tenth by more than K kilobytes. Any failed transaction
// gives status 1 too.
#include <windows.h>
#include <ddeml.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "dde/win/platform_win.h"
#include "picker/picker_dde.h"
#include "dde/win/dde_client_win.h"

namespace {

const char* const kService = picker::kPickService;
const char kBareService[] = "SOAKBARE";
const char kTopic[] = "PKD";

// New codes, PKD 2007 codes that PKD 2025 lacks (their counterparts drop the
// result list down) and one code that both have with other meanings.
const char* const kCodes[] = {"01.11.Z", "01.49.Z", "49.41.Z", "62.01.Z", "68.20.Z",
                              "45.20.Z", "10.71.Z", "56.10.A", "47.91.Z", "62.10.B"};
const char* const kOldCodes[] = {"01.49.Z", "62.01.Z", "45.20.Z", "56.10.A", "62.02.Z"};
const char* const kWords[] = {"zboz", "transport", "handel", "dzial", "metali"};

// ---- the bare server ----

DWORD gBareInst = 0;
HSZ gBareService = nullptr;

// As long as the note of a code in the catalogue: the size of a reply is
// what a lost one costs.
const std::string& LongNote() {
  static const std::string note(2000, 'x');
  return note;
}

HDDEDATA CALLBACK BareCallback(UINT type, UINT format, HCONV, HSZ, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz2, gBareService) == 0);
    case XTYP_EXECUTE:
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    case XTYP_REQUEST: {
      if (format != CF_TEXT) return nullptr;
      char item[16] = "";
      DdeQueryStringA(gBareInst, hsz2, item, sizeof item, CP_WINANSI);
      const std::string value = std::strcmp(item, "OPIS") == 0 ? LongNote() : std::string("01.11.Z");
      return DdeCreateDataHandle(gBareInst, reinterpret_cast<LPBYTE>(const_cast<char*>(value.c_str())),
                                 static_cast<DWORD>(value.size() + 1), 0, hsz2, CF_TEXT, 0);
    }
    case XTYP_DISCONNECT:
      PostQuitMessage(0);
      return nullptr;
    default:
      return nullptr;
  }
}

int BareServer() {
  if (DdeInitializeA(&gBareInst, BareCallback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) return 3;
  gBareService = DdeCreateStringHandleA(gBareInst, kBareService, CP_WINANSI);
  if (!DdeNameService(gBareInst, gBareService, nullptr, DNS_REGISTER)) return 4;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  DdeNameService(gBareInst, gBareService, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(gBareInst, gBareService);
  DdeUninitialize(gBareInst);
  return 0;
}

// How many more movable global memory blocks the process can have: DDEML
// makes every data handle as one.
long FreeMovableHandles() {
  std::vector<HGLOBAL> blocks;
  while (blocks.size() < 400000)
    if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 1)) blocks.push_back(h); else break;
  for (HGLOBAL h : blocks) GlobalFree(h);
  return static_cast<long>(blocks.size());
}

// ---- the picker's DDE side without its window ----

// The window as the picker's DDE side sees it: presets taken, nothing shown.
class TNoWindow : public picker::TPickView {
 public:
  void ShowStartCatalogue() override {}
  void BeginPick(uintptr_t) override {}
  void SetSearchCode(const std::string& code) override { FCode = code; }
  void SetSearchWords(const std::string&) override {}
  void RunSearches() override {}
  void ShowPick() override {}
  void WaitUntil(const std::function<bool()>&) override {}
  void EndPick() override {}
  bool Visible() const override { return true; }
  picker::TPickSelection Selection() const override { return {true, FCode, "Uprawa"}; }
  std::string NoteOf(const std::string&) const override { return LongNote(); }
  picker::TModalUp ModalUp() const override { return picker::muNone; }
  void CloseInformational() override {}
  void ShowError(const std::exception&) override {}
  void EndProgram() override { PostQuitMessage(0); }

 private:
  std::string FCode = "01.11.Z";
};

// The manager, its stored form, the handlers and the pick session over the
// real DDEML, as pkd.exe runs them, without the window: what grows here is
// the DDE side's or the DDEML's.
int ManagerServer(long movableLeft) {
  // Takes all but movableLeft of the process's movable blocks first: the
  // state that a long day of lost blocks would bring, reached at once.
  std::vector<HGLOBAL> taken;
  if (movableLeft > 0) {
    while (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 1)) taken.push_back(h);
    for (long i = 0; i < movableLeft && !taken.empty(); ++i) {
      GlobalFree(taken.back());
      taken.pop_back();
    }
  }
  dde::InstallWin32DdeServices();
  dde::TWin32Platform platform;
  TNoWindow view;
  picker::TPickerDde dde(platform, view);
  dde.DDEMan1().OnDisconnecting = [](dde::TDDEMLManager&, const std::string&, const std::string&) {
    PostQuitMessage(0);
  };
  dde.RegisterService();
  if (!dde.DDEMan1().Initialized()) return 3;
  std::printf("server: %ld movable blocks free at the start\n", FreeMovableHandles());
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  std::printf("server: %ld movable blocks free at the end\n", FreeMovableHandles());
  for (HGLOBAL h : taken) GlobalFree(h);
  return 0;
}

// ---- the driven process ----

struct TOptions {
  int Cycles = 50000;
  int Report = 1000;
  int PickEvery = 0;
  long LimitKb = -1;
  bool Bare = false;
  bool Manager = false;
  long MovableLeft = 0;
  std::string Mix = "all";
  std::wstring Folder;  // of pkd.exe, pkd.kod and pkdpick.exe
};

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct TSample {
  double Seconds = 0;
  SIZE_T WorkingSet = 0, Private = 0;
  DWORD Handles = 0, Gdi = 0, User = 0;
};

// A whole small file, read through Wine's drive Z: (empty when it cannot be).
std::string ReadFileText(const std::wstring& path) {
  std::string text;
  const HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return text;
  char buffer[4096];
  DWORD n = 0;
  while (text.size() < 65536 && ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n) text.append(buffer, n);
  CloseHandle(f);
  return text;
}

// Wine reports no private bytes of another process. Its process is a Linux
// process whose command line is the program's path as it was started: there
// the anonymous resident memory is what private bytes are on Windows, and
// the resident set the working set. The folder of that process in /proc; empty
// when it is not found (on Windows).
std::wstring LinuxProcFolder(const std::wstring& commandStart) {
  const std::string wanted(commandStart.begin(), commandStart.end());
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (find == INVALID_HANDLE_VALUE) return std::wstring();
  std::wstring folder;
  do {
    if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
    const std::wstring candidate = std::wstring(L"Z:\\proc\\") + found.cFileName;
    std::string cmd = ReadFileText(candidate + L"\\cmdline");
    for (char& c : cmd)
      if (c == '\0') c = ' ';
    if (cmd.compare(0, wanted.size(), wanted) == 0) folder = candidate;
  } while (folder.empty() && FindNextFileW(find, &found));
  FindClose(find);
  return folder;
}

// A "Name:   123 kB" line of /proc/PID/status, in bytes; 0 when missing.
SIZE_T StatusBytes(const std::string& status, const char* name) {
  const size_t at = status.find(name);
  return at == std::string::npos ? 0 : SIZE_T(std::strtoull(status.c_str() + at + std::strlen(name), nullptr, 10)) * 1024;
}

TSample Measure(HANDLE process, const std::wstring& procFolder) {
  TSample s;
  PROCESS_MEMORY_COUNTERS_EX pmc = {};
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
    s.WorkingSet = pmc.WorkingSetSize;
    s.Private = pmc.PrivateUsage;
  }
  if (!procFolder.empty()) {
    const std::string status = ReadFileText(procFolder + L"\\status");
    if (const SIZE_T rss = StatusBytes(status, "VmRSS:")) s.WorkingSet = rss;
    if (const SIZE_T anon = StatusBytes(status, "RssAnon:")) s.Private = anon;
  }
  GetProcessHandleCount(process, &s.Handles);
  s.Gdi = GetGuiResources(process, GR_GDIOBJECTS);
  s.User = GetGuiResources(process, GR_USEROBJECTS);
  return s;
}

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

// The child of a window whose text is text; null when there is none.
HWND ChildWithText(HWND parent, const wchar_t* text) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    wchar_t caption[32] = L"";
    GetWindowTextW(child, caption, 32);
    if (std::wcscmp(caption, text) == 0) return child;
  }
  return nullptr;
}

// The picker's main window: its top-level window with the button "Wybierz".
HWND MainWindowOf(DWORD pid) {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND wnd : windows) {
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    if (owner == pid && ChildWithText(wnd, L"Wybierz")) return wnd;
  }
  return nullptr;
}

bool Running(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

HANDLE StartProcess(const std::wstring& exe, const std::wstring& args, HANDLE out) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nullptr;
  si.hStdOutput = out;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// One pick as a script makes it: pkdpick sends Open_PKD and waits; the
// picker's "Wybierz" is pressed once it shows; pkdpick prints the code.
// False, with the reason, unless pkdpick ends with status 0 and the code.
bool PickWithPkdpick(const TOptions& o, DWORD pickerPid, std::string& why) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return why = "no pipe", false;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE pick = StartProcess(o.Folder + L"\\pkdpick.exe", L"--no-start --code 01.11.Z", writeEnd);
  CloseHandle(writeEnd);
  if (!pick) {
    CloseHandle(readEnd);
    return why = "pkdpick did not start", false;
  }
  bool pressed = false;
  const DWORD start = GetTickCount();
  while (Running(pick) && GetTickCount() - start < 60000) {
    if (!pressed) {
      const HWND main = MainWindowOf(pickerPid);
      const HWND ok = main ? ChildWithText(main, L"Wybierz") : nullptr;
      if (ok && IsWindowVisible(main) && IsWindowVisible(ok)) pressed = PostMessageW(ok, BM_CLICK, 0, 0) != FALSE;
    }
    dde::PumpMessagesFor(20);
  }
  DWORD status = 99;
  if (Running(pick)) TerminateProcess(pick, 99);
  WaitForSingleObject(pick, 5000);
  GetExitCodeProcess(pick, &status);
  CloseHandle(pick);
  std::string out;
  char buffer[512];
  DWORD n = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n) out.append(buffer, n);
  CloseHandle(readEnd);
  if (status != 0 || out.find("01.11.Z") == std::string::npos) {
    why = "pkdpick ended with " + std::to_string(status) + (pressed ? "" : ", never shown") + ": " + out;
    return false;
  }
  return true;
}

// Wine's DDEML marks a request's answer as not to be released by the client,
// and the client's DDEML keeps the block the answer came in: one movable
// block a request, and after 65,536 of them (32,768 cycles) this process
// could make no DDE data and the run would end for the client's sake. The
// block is the first movable one made during the request, so the one that
// comes next before it is the one to look at; it is freed only when it holds
// the answer as posted (a four-byte head whose format is text, then the data).
HGLOBAL NextMovableBlock() {
  const HGLOBAL probe = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 1);
  if (probe) GlobalFree(probe);
  return probe;
}

void ReleaseAnswerBlock(HGLOBAL block, const std::string& data) {
  if (!block || data.empty() || GlobalSize(block) != data.size() + 4) return;
  if (GlobalFlags(block) & GMEM_LOCKCOUNT) return;
  const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
  const bool answer = p && p[2] == CF_TEXT && p[3] == 0 && std::memcmp(p + 4, data.data(), data.size()) == 0;
  if (p) GlobalUnlock(block);
  if (answer) GlobalFree(block);
}

struct TCounts {
  long Executes = 0, Requests = 0, Failed = 0;
};

void Fail(TCounts& c, long cycle, const char* what, const dde::TDdeResult& r) {
  if (++c.Failed <= 20)
    std::printf("cycle %ld: %s failed (%s)\n", cycle, what, dde::DdeErrorName(r.Error));
}

// The execute of a cycle; empty when the mix sends none.
std::string CommandOf(const std::string& mix, long i) {
  if (mix == "requests") return std::string();
  if (mix == "empty") return "[Find_PKD(\"\",\"\")]";
  if (mix == "same") return "[Find_PKD(\"01.11.Z\",\"\")]";
  if (mix == "code") return "[Find_PKD(\"" + std::string(kCodes[i % 10]) + "\",\"\")]";
  if (mix == "old") return "[Find_PKD(\"" + std::string(kOldCodes[i % 5]) + "\",\"\")]";
  if (mix == "words") return "[Find_PKD(\"\",\"" + std::string(kWords[i % 5]) + "\")]";
  const std::string words = i % 3 == 2 ? kWords[(i / 3) % 5] : "";
  return "[Find_PKD(\"" + std::string(kCodes[i % 10]) + "\",\"" + words + "\")]";
}

double Mb(SIZE_T bytes) { return bytes / (1024.0 * 1024.0); }

int Drive(const TOptions& o) {
  std::wstring exe = o.Folder + L"\\pkd.exe", args;
  HANDLE out = nullptr;
  if (o.Bare || o.Manager) {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    exe = self;
    args = o.Bare ? L"--serve-bare" : L"--serve-manager " + std::to_wstring(o.MovableLeft);
    out = GetStdHandle(STD_OUTPUT_HANDLE);
  } else {
    // The picker gets the null device for output, as pkdpick gives it.
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    out = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
  }
  HANDLE server = StartProcess(exe, args, out);
  if (!o.Bare && !o.Manager) CloseHandle(out);
  if (!server) {
    std::printf("the server did not start\n");
    return 2;
  }
  const DWORD serverPid = GetProcessId(server);
  const DWORD started = GetTickCount();
  std::printf("%s, %d cycles, mix %s%s\n",
              o.Bare ? "bare DDEML server" : o.Manager ? "the picker's DDE side without its window" : "pkd.exe",
              o.Cycles, o.Mix.c_str(), o.PickEvery ? (", a pick every " + std::to_string(o.PickEvery)).c_str() : "");
  dde::TDdeClient client;
  dde::TDdeConversation conv(client);
  const char* service = o.Bare ? kBareService : kService;
  for (DWORD start = GetTickCount(); !conv.Connected() && Running(server) && GetTickCount() - start < 60000;)
    if (!conv.Connect(service, kTopic)) dde::PumpMessagesFor(50);
  if (!conv.Connected()) {
    std::printf("no conversation with %s\n", service);
    TerminateProcess(server, 1);
    return 2;
  }
  const std::wstring procFolder = LinuxProcFolder(args.empty() ? exe : exe + L" " + args);
  std::printf("connected after %lu ms%s\n", GetTickCount() - started,
              procFolder.empty() ? "" : "; memory from /proc: anonymous resident memory as private bytes");
  std::printf("%8s %9s %9s %9s %7s %5s %5s %7s %8s\n", "cycles", "ms", "ws MB", "priv MB", "handles", "gdi", "user",
              "failed", "blocks");

  const bool onWine = dde::RunningOnWine();
  TCounts counts;
  std::vector<TSample> samples;
  long picks = 0, picksFailed = 0;
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  long stalledSince = 0;  // the first of the cycles in a row with nothing answered
  for (long i = 0; i < o.Cycles && Running(server); ++i) {
    const long failedBefore = counts.Failed;
    const std::string command = CommandOf(o.Mix, i);
    if (!command.empty()) {
      ++counts.Executes;
      const dde::TDdeResult r = conv.Execute(command);
      if (!r.Ok()) Fail(counts, i + 1, "execute", r);
      dde::PumpMessagesFor(0);
    }
    for (const char* item : {"KOD", "OPIS"}) {
      ++counts.Requests;
      const HGLOBAL block = onWine ? NextMovableBlock() : nullptr;
      const dde::TDdeResult r = conv.Request(item);
      if (!r.Ok()) Fail(counts, i + 1, item, r);
      else ReleaseAnswerBlock(block, r.Data);
      dde::PumpMessagesFor(0);
    }
    // A server that answers nothing for three cycles has stopped: each
    // execute would wait out its time-out.
    const bool nothing = counts.Failed - failedBefore == (command.empty() ? 2 : 3);
    stalledSince = nothing ? (stalledSince ? stalledSince : i + 1) : 0;
    if (stalledSince && i + 1 - stalledSince >= 2) {
      std::printf("the server stopped answering at cycle %ld\n", stalledSince);
      break;
    }
    if (o.PickEvery && (i + 1) % o.PickEvery == 0 && !o.Bare && !o.Manager) {
      ++picks;
      std::string why;
      if (!PickWithPkdpick(o, serverPid, why)) {
        ++picksFailed;
        std::printf("cycle %ld: pick failed: %s\n", i + 1, why.c_str());
      }
    }
    if ((i + 1) % o.Report == 0) {
      QueryPerformanceCounter(&t1);
      TSample s = Measure(server, procFolder);
      s.Seconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
      samples.push_back(s);
      // The last column: movable blocks this client process has left.
      std::printf("%8ld %9.0f %9.2f %9.2f %7lu %5lu %5lu %7ld %8ld\n", i + 1, s.Seconds * 1000, Mb(s.WorkingSet),
                  Mb(s.Private), s.Handles, s.Gdi, s.User, counts.Failed, FreeMovableHandles());
      std::fflush(stdout);
      QueryPerformanceCounter(&t0);
    }
  }
  const bool alive = Running(server);
  conv.Disconnect();
  // A picker left visible stays after its client: it is closed as a user would.
  if (!o.Bare && !o.Manager)
    if (const HWND main = MainWindowOf(serverPid)) PostMessageW(main, WM_CLOSE, 0, 0);
  for (DWORD start = GetTickCount(); Running(server) && GetTickCount() - start < 30000;) dde::PumpMessagesFor(50);
  if (Running(server)) TerminateProcess(server, 1);
  CloseHandle(server);

  std::printf("%ld executes, %ld requests, %ld failed", counts.Executes, counts.Requests, counts.Failed);
  if (picks) std::printf(", %ld picks, %ld failed", picks, picksFailed);
  std::printf("%s\n", alive ? "" : "; the server ended before the run did");
  int status = counts.Failed || picksFailed || !alive ? 1 : 0;
  if (samples.size() >= 2) {
    const TSample& first = samples.front();
    const TSample& last = samples.back();
    const size_t tenth = samples.size() >= 10 ? samples.size() / 10 - 1 : 0;
    const double grown = double(last.Private) - double(samples[tenth].Private);
    const long span = long(samples.size() - 1 - tenth) * o.Report;
    std::printf("time of the last %d cycles / the first: %.2f\n", o.Report, last.Seconds / first.Seconds);
    std::printf("private bytes after %ld cycles - after %ld: %+.0f KB (%+.1f bytes a cycle)\n",
                long(samples.size()) * o.Report, long(tenth + 1) * o.Report, grown / 1024, span ? grown / span : 0);
    if (o.LimitKb >= 0 && grown > o.LimitKb * 1024.0) {
      std::printf("over the limit of %ld KB\n", o.LimitKb);
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Seen as it comes when the output goes to a file or a pipe.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 2 && std::strcmp(argv[1], "--serve-bare") == 0) return BareServer();
  if (argc == 3 && std::strcmp(argv[1], "--serve-manager") == 0) return ManagerServer(std::atol(argv[2]));
  TOptions o;
  o.Folder = OwnFolder() + L"\\..\\bin";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--bare" || a == "--manager") {
      (a == "--bare" ? o.Bare : o.Manager) = true;
      continue;
    }
    if (a == "--cycles") o.Cycles = std::atoi(next);
    else if (a == "--report") o.Report = std::atoi(next);
    else if (a == "--pick-every") o.PickEvery = std::atoi(next);
    else if (a == "--limit-kb") o.LimitKb = std::atol(next);
    else if (a == "--movable-left") o.MovableLeft = std::atol(next);
    else if (a == "--mix") o.Mix = next;
    else if (a == "--pkd") o.Folder = Wide(next);
    else {
      std::printf("unknown option %s\n", a.c_str());
      return 2;
    }
    ++i;
  }
  if (o.Cycles <= 0 || o.Report <= 0) return 2;
  return Drive(o);
}
