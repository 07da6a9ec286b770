// pkdpick: the picker for scripts and for programs that cannot speak DDE.
// Sends Open_PKD (Find_PKD with --find) to the picker, starting pkd.exe
// beside itself when the service is not there, waits for the user without a
// time-out, then requests KOD, NAZWA and OPIS and prints them. The options,
// the output and the exit status are described by --help (pick_text.cpp).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "dde/win/dde_client_win.h"
#include "pkdpick/pick_text.h"
#include "text/cp1250.h"
#include "text/path.h"

namespace {

using namespace pkdpick;
using namespace dde;

constexpr DWORD kRetryMs = 200;            // between tries to reach a starting picker
constexpr DWORD kStartLimitMs = 60000;      // pkd.exe's own start, catalogue included
constexpr DWORD kRequestTimeoutMs = 10000;  // a live picker answers at once
constexpr DWORD kStopGraceMs = 100;         // for the main thread to notice Ctrl+C itself

// Set by Ctrl+C (or Ctrl+Break); every wait of ours watches it.
HANDLE gStop = nullptr;
// The hidden picker we started and no client has reached yet: it would wait
// unseen for ever, so it does not outlive us.
HANDLE gHiddenPicker = nullptr;
volatile LONG gLeaving = 0;

// Text to a console is written as UTF-16, so that it reads right whatever
// the console's code page; redirected, it is the UTF-8 bytes. False when
// not all of it was written.
bool Write(DWORD which, const std::string& utf8) {
  const HANDLE h = GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    std::wstring w;
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    w.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    for (size_t at = 0; at < w.size();) {
      DWORD done = 0;
      if (!WriteConsoleW(h, w.data() + at, static_cast<DWORD>(w.size() - at), &done, nullptr) || done == 0)
        return false;
      at += done;
    }
    return true;
  }
  for (size_t at = 0; at < utf8.size();) {
    DWORD done = 0;
    if (!WriteFile(h, utf8.data() + at, static_cast<DWORD>(utf8.size() - at), &done, nullptr) || done == 0)
      return false;
    at += done;
  }
  return true;
}

int Fail(const std::string& message1250, int status = kExitError) {
  // Nothing is left to tell a failure to standard error by.
  Write(STD_ERROR_HANDLE, text::Cp1250ToUtf8("pkdpick: " + message1250 + "\n"));
  return status;
}

// Standard output: a result that could not be written is an error, lest a
// script take the missing or cut choice for one made.
int Print(const std::string& utf8, int status) {
  if (Write(STD_OUTPUT_HANDLE, utf8)) return status;
  return Fail("nie mogę zapisać na standardowe wyjście (błąd " + std::to_string(GetLastError()) + ")");
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  SetEvent(gStop);
  // Every wait of the main thread watches the event; a call that does not
  // return (a connect that waits for a hung window) must not hold Ctrl+C up.
  Sleep(kStopGraceMs);
  if (InterlockedExchange(&gLeaving, 1) == 0) {
    if (gHiddenPicker) TerminateProcess(gHiddenPicker, 1);
    // Not ExitProcess: its library clean-up would wait for the very call
    // that holds the main thread.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(Fail("przerwane", kExitInterrupted)));
  }
  return TRUE;
}

// The version resource of this program: its fixed file version.
std::string OwnVersion() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD handle = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(path, &handle));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (block.empty() || !GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) || !fixed)
    return std::string();
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

enum TStart { stConnected, stFailed, stStopped };

struct TErrorBox {
  DWORD Pid = 0;
  std::wstring Text;
};

BOOL CALLBACK FindErrorBox(HWND wnd, LPARAM lp) {
  TErrorBox& box = *reinterpret_cast<TErrorBox*>(lp);
  DWORD pid = 0;
  wchar_t cls[16] = L"";
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != box.Pid || !IsWindowVisible(wnd) || !GetClassNameW(wnd, cls, 16) || std::wstring(cls) != L"#32770")
    return TRUE;
  // A message box's text is its static control 0xFFFF.
  wchar_t text[512] = L"";
  GetDlgItemTextW(wnd, 0xFFFF, text, 512);
  box.Text = *text ? text : L"?";
  return FALSE;
}

// The text of the message box that a starting picker shows instead of its
// service (a catalogue missing or damaged: its start-up failed); empty when
// it shows none. A started picker shows no other box before its service.
std::string StartUpError(DWORD pid) {
  TErrorBox box;
  box.Pid = pid;
  EnumWindows(FindErrorBox, reinterpret_cast<LPARAM>(&box));
  std::string out;
  for (wchar_t c : box.Text) {
    char b = '?';
    if (!text::ByteFor1250(static_cast<char16_t>(c), b) || static_cast<unsigned char>(b) < 0x20) b = ' ';
    out += b;
  }
  return out;
}

// Starts pkd.exe hidden (a pick shows it, with its buttons, once; only
// presets leave it hidden), or gives the reason (Windows-1250). The picker
// gets none of our handles: a script reading our output to its end must not
// wait for the picker too. Under Wine a started program takes its parent's
// standard handles unless it is given others, so it is given the null
// device, inheritable and passed by inheritance as Windows requires; our own
// standard handles are kept from it. Until a client reaches it, Ctrl+C ends
// it with us: it would wait for one unseen.
bool StartPicker(PROCESS_INFORMATION& pi, std::string& error) {
  const std::filesystem::path folder = text::ExecutableFolder();
  const std::wstring exe = (folder / L"pkd.exe").wstring();
  std::wstring cmd = L"\"" + exe + L"\"";
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                 OPEN_EXISTING, 0, nullptr);
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE h = GetStdHandle(which);
    if (h && h != INVALID_HANDLE_VALUE) SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
  }
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  si.hStdInput = si.hStdOutput = si.hStdError = nul;
  si.wShowWindow = SW_HIDE;
  pi = PROCESS_INFORMATION();
  // Not on our console either (Wine attaches a program started from a console
  // program to it): a Ctrl+C for us would end the picker's pick too.
  const DWORD flags = DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP;
  const bool inherit = nul != INVALID_HANDLE_VALUE;
  // Only the null device is inherited, where the system can be told so.
  STARTUPINFOEXW six = {};
  six.StartupInfo = si;
  six.StartupInfo.cb = sizeof six;
  SIZE_T listSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
  std::vector<BYTE> list(listSize);
  HANDLE only = nul;
  bool listed = inherit && listSize &&
                InitializeProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data()), 1, 0,
                                                  &listSize);
  if (listed) {
    six.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    if (!UpdateProcThreadAttribute(six.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &only, sizeof only,
                                   nullptr, nullptr)) {
      DeleteProcThreadAttributeList(six.lpAttributeList);
      listed = false;
    }
  }
  BOOL started = listed && CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE,
                                          flags | EXTENDED_STARTUPINFO_PRESENT, nullptr, folder.c_str(),
                                          &six.StartupInfo, &pi);
  if (!started)
    started = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, inherit, flags, nullptr, folder.c_str(), &si, &pi);
  const DWORD startError = GetLastError();
  if (listed) DeleteProcThreadAttributeList(six.lpAttributeList);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    error = "nie mogę uruchomić " + text::PathTo1250(exe) + " (błąd " + std::to_string(startError) + ")";
    return false;
  }
  CloseHandle(pi.hThread);
  gHiddenPicker = pi.hProcess;
  return true;
}

// The picker we started, done with: reached by our client, or ended, since
// hidden and unreached it would wait for a client unseen.
void LeavePicker(PROCESS_INFORMATION& pi, bool reached) {
  if (!pi.hProcess) return;
  if (!reached) TerminateProcess(pi.hProcess, 1);
  gHiddenPicker = nullptr;
  CloseHandle(pi.hProcess);
  pi.hProcess = nullptr;
}

// Connects once the service of the picker we started is there; the reason
// (Windows-1250) when it fails.
TStart ConnectToStarted(TDdeConversation& conv, const std::string& service, const PROCESS_INFORMATION& pi,
                        std::string& error) {
  // The picker's running mark, made here when the picker has not made it
  // yet. The picker sets it once its service takes connects: a try before
  // would only wait for the starting picker's busy window and slow its
  // start. Set already, the mark is another picker's and tells nothing of
  // ours; anyone may set it, so it is waited for once, and tries also come
  // every 200 ms.
  const std::unique_ptr<void, decltype(&CloseHandle)> mark(
      CreateEventA(nullptr, TRUE, FALSE, picker::kPickerRunningMark), &CloseHandle);
  bool awaitMark = mark && WaitForSingleObject(mark.get(), 0) == WAIT_TIMEOUT;
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD since = GetTickCount();
    for (DWORD waited = 0; waited < kRetryMs; waited = GetTickCount() - since) {
      // DDEML's messages are answered meanwhile: the picker's registration
      // waits for every DDE instance on the desktop, ours too.
      const HANDLE handles[3] = {pi.hProcess, gStop, mark.get()};
      const DWORD woken = MsgWaitForMultipleObjects(awaitMark ? 3 : 2, handles, FALSE, kRetryMs - waited, QS_ALLINPUT);
      if (woken == WAIT_OBJECT_0 + 1) return stStopped;
      if (woken == WAIT_OBJECT_0) break;  // it ended: told below
      if (woken == WAIT_OBJECT_0 + 2) {
        awaitMark = false;
        break;
      }
      PumpMessagesFor(0);
    }
    if (conv.Connect(service.c_str(), picker::kPickTopic)) return stConnected;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      error = "pkd.exe nie mógł się uruchomić: zakończył działanie (kod " + std::to_string(code) +
              "), zanim udostępnił usługę " + service;
      return stFailed;
    }
    const std::string shown = StartUpError(pi.dwProcessId);
    if (!shown.empty()) {
      error = "pkd.exe nie mógł się uruchomić: " + shown;
      return stFailed;
    }
    if (GetTickCount() - start >= kStartLimitMs) {
      error = "pkd.exe nie udostępnił usługi " + service + " w ciągu " + std::to_string(kStartLimitMs / 1000) + " s";
      return stFailed;
    }
  }
}

// True while a picker process runs (or starts) on this desktop.
bool PickerRunning() {
  const HANDLE mark = OpenEventA(SYNCHRONIZE, FALSE, picker::kPickerRunningMark);
  if (!mark) return false;
  CloseHandle(mark);
  return true;
}

int Run(const std::vector<std::u16string>& args) {
  TOptions options;
  std::string error;
  if (!ParseArguments(args, options, error)) return Fail(error + " (pkdpick --help)");
  if (options.Help) return Print(text::Cp1250ToUtf8(HelpText()), kExitChosen);
  if (options.Version) return Print("pkdpick " + OwnVersion() + "\n", kExitChosen);
  const std::string command =
      CommandText(options, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(GetConsoleWindow())));

  // Only the picker's own service is worth starting pkd.exe for. With no
  // picker running, ours starts while DDE starts here.
  const bool mayStart = !options.NoStart && text::EqualNoCaseAscii(options.Service, kDefaultService);
  PROCESS_INFORMATION started = {};
  if (mayStart && !PickerRunning() && !StartPicker(started, error)) return Fail(error);
  TDdeClient client;
  if (!client.Ok()) {
    LeavePicker(started, false);
    return Fail("nie mogę uruchomić DDE");
  }
  TDdeConversation conv(client);
  // A picker (or another server of the name) that was running answers at
  // once; the one just started cannot answer yet.
  const bool running = !started.hProcess && conv.Connect(options.Service.c_str(), picker::kPickTopic);
  if (!running) {
    if (!mayStart) return Fail("usługa DDE " + options.Service + " nie działa");
    if (!started.hProcess && !StartPicker(started, error)) return Fail(error);
    const TStart result = ConnectToStarted(conv, options.Service, started, error);
    // Another server of the name may have answered before ours.
    LeavePicker(started, result == stConnected && conv.PartnerProcessId() == started.dwProcessId);
    if (result == stFailed) return Fail(error);
    if (result == stStopped) return Fail("przerwane", kExitInterrupted);
  }
  // Waited for without a time-out, and not in DDEML's own loop: a client
  // waiting there leaves the messages other programs send unanswered, and
  // every DDE connect on the desktop (which asks all windows) would hang
  // until the user has chosen.
  const TDdeResult answer = conv.ExecuteAsync(command, INFINITE, gStop);
  switch (answer.Outcome) {
    case doStopped:
      // The pick stays up for its user; the picker ends once it is answered.
      conv.Disconnect();
      return Fail("przerwane", kExitInterrupted);
    case doServerDied:
      return Fail("pkd.exe zakończył działanie, zanim odpowiedział");
    case doConversationEnded:
      return Fail("program zakończył rozmowę DDE, zanim odpowiedział");
    case doNotSent:
    case doTimedOut:
      return Fail("nie mogę wysłać polecenia do programu");
    default:
      break;
  }
  const TAnswer picked = answer.Outcome == doAnswered ? paAcknowledged : answer.Outcome == doBusy ? paBusy : paRefused;
  std::string values[picker::kPickItemCount];
  std::string failed;
  for (int i = 0; i < picker::kPickItemCount && failed.empty() && picked != paBusy; ++i) {
    // Asynchronous, so that Ctrl+C is watched here too.
    const TDdeResult r = conv.RequestAsync(picker::kPickItems[i], CF_TEXT, kRequestTimeoutMs, gStop);
    if (r.Outcome == doStopped) return Fail("przerwane", kExitInterrupted);
    if (r.Ok())
      values[i] = r.Text();
    else
      failed = std::string(picker::kPickItems[i]) + " (" + DdeErrorName(r.Error) + ")";
  }
  const TVerdict verdict = Decide(options, picked, failed.empty() && picked != paBusy, values[0]);
  if (verdict.PrintResult()) {
    const int printed = Print(FormatResult(options.Format, values[0], values[1], values[2]), verdict.Status);
    if (printed != verdict.Status) return printed;
  }
  if (verdict.Message.empty()) return verdict.Status;
  return Fail(verdict.Status == kExitError && !failed.empty() ? verdict.Message + ": " + failed : verdict.Message,
              verdict.Status);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Ctrl+C taken up first, and again should whoever started us have ignored
  // it: until then Wine's default handler ends the program with status 0,
  // which reads as a choice made.
  gStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring w(argv[i]);
    args.emplace_back(w.begin(), w.end());
  }
  const int status = Run(args);
  // Ctrl+C from here on changes nothing: the status stands.
  if (InterlockedExchange(&gLeaving, 1) != 0) Sleep(INFINITE);
  return status;
}
