// pkdpick: the picker for scripts and for programs that cannot speak DDE.
// Sends Open_PKD (Find_PKD with --find) to the picker, starting pkd.exe
// beside itself when the service is not there, waits for the user without a
// time-out, then requests KOD, NAZWA and OPIS and prints them. The options,
// the output and the exit status are described by --help (pick_text.cpp).
#include <windows.h>

#include <string>
#include <vector>

#include "pkdpick/dde_client.h"
#include "pkdpick/pick_text.h"
#include "text/cp1250.h"
#include "text/path.h"

namespace {

using namespace pkdpick;

constexpr DWORD kRetryMs = 200;            // between tries to reach a starting picker
constexpr DWORD kIdlePollMs = 5;            // between looks whether it waits for input yet
constexpr DWORD kStartLimitMs = 60000;      // pkd.exe's own start, catalogue included
constexpr DWORD kRequestTimeoutMs = 10000;  // a live picker answers at once

// Set by Ctrl+C (or Ctrl+Break); every wait of ours watches it.
HANDLE gStop = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  SetEvent(gStop);
  return TRUE;
}

// Text to a console is written as UTF-16, so that it reads right whatever
// the console's code page; redirected, it is the UTF-8 bytes.
void Write(DWORD which, const std::string& utf8) {
  const HANDLE h = GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, done = 0;
  if (GetConsoleMode(h, &mode)) {
    std::wstring w;
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    w.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &done, nullptr);
  } else {
    WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
  }
}

int Fail(const std::string& message1250, int status = kExitError) {
  Write(STD_ERROR_HANDLE, text::Cp1250ToUtf8("pkdpick: " + message1250 + "\n"));
  return status;
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

// Starts pkd.exe and connects once its service is there; the reason
// (Windows-1250) when it fails. The picker gets none of our handles: a
// script reading our output to its end must not wait for the picker too.
// Under Wine a started program takes its parent's standard handles unless it
// is given others, so it is given the null device.
TStart StartPickerAndConnect(TDdeConversation& conv, const std::string& service, bool hidden, std::string& error) {
  const std::filesystem::path folder = text::ExecutableFolder();
  const std::wstring exe = (folder / L"pkd.exe").wstring();
  std::wstring cmd = L"\"" + exe + L"\"";
  const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = nul;
  if (hidden) {
    // Only to preset the searches: the picker honours the show command and
    // stays hidden, and ends when we leave it.
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION pi = {};
  // Not on our console either (Wine attaches a program started from a console
  // program to it): a Ctrl+C for us would end the picker's pick too.
  const BOOL started = CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE,
                                      DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, folder.c_str(), &si, &pi);
  const DWORD startError = GetLastError();
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    error = "nie mogę uruchomić " + text::PathTo1250(exe) + " (błąd " + std::to_string(startError) + ")";
    return stFailed;
  }
  CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  TStart result = stFailed;
  bool idle = false;
  for (;;) {
    if (conv.Connect(service.c_str(), picker::kPickTopic)) {
      result = stConnected;
      break;
    }
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(pi.hProcess, &code);
      error = "pkd.exe zakończył działanie (kod " + std::to_string(code) + "), zanim udostępnił usługę " + service;
      break;
    }
    if (GetTickCount() - start >= kStartLimitMs) {
      error = "pkd.exe nie udostępnił usługi " + service + " w ciągu " + std::to_string(kStartLimitMs / 1000) + " s";
      break;
    }
    // The next try comes when the picker first waits for input: its window
    // is painted and its service registered by then (asking costs no
    // broadcast, where a try while it starts would wait for its busy window
    // and slow its start), or 200 ms after this one.
    const DWORD tried = GetTickCount();
    bool stopped = false;
    for (DWORD waited = 0; waited < kRetryMs; waited = GetTickCount() - tried) {
      if (!idle && WaitForInputIdle(pi.hProcess, 0) != WAIT_TIMEOUT) {
        idle = true;
        break;
      }
      const HANDLE handles[2] = {pi.hProcess, gStop};
      const DWORD woken = MsgWaitForMultipleObjects(2, handles, FALSE, idle ? kRetryMs - waited : kIdlePollMs,
                                                    QS_ALLINPUT);
      if (woken == WAIT_OBJECT_0 + 1) stopped = true;
      if (woken == WAIT_OBJECT_0 || stopped) break;
      PumpMessagesFor(0);
    }
    if (stopped) {
      result = stStopped;
      break;
    }
  }
  // A hidden picker that no client reached would wait for one unseen.
  if (result != stConnected && hidden) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return result;
}

int Run(const std::vector<std::u16string>& args) {
  TOptions options;
  std::string error;
  if (!ParseArguments(args, options, error)) return Fail(error + " (pkdpick --help)");
  if (options.Help) {
    Write(STD_OUTPUT_HANDLE, text::Cp1250ToUtf8(HelpText()));
    return kExitChosen;
  }
  if (options.Version) {
    Write(STD_OUTPUT_HANDLE, "pkdpick " + OwnVersion() + "\n");
    return kExitChosen;
  }
  const std::string command =
      CommandText(options, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(GetConsoleWindow())));

  gStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Ctrl+C taken up again, should whoever started us have ignored it.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  TDdeClient client;
  if (!client.Ok()) return Fail("nie mogę uruchomić DDE");
  TDdeConversation conv(client);
  if (!conv.Connect(options.Service.c_str(), picker::kPickTopic)) {
    // Only the picker's own service is worth starting pkd.exe for.
    if (options.NoStart || !text::EqualNoCaseAscii(options.Service, kDefaultService))
      return Fail("usługa DDE " + options.Service + " nie działa");
    switch (StartPickerAndConnect(conv, options.Service, options.Find, error)) {
      case stFailed:
        return Fail(error);
      case stStopped:
        return Fail("przerwane", kExitInterrupted);
      default:
        break;
    }
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
    const TDdeResult r = conv.Request(picker::kPickItems[i], CF_TEXT, kRequestTimeoutMs);
    if (r.Ok())
      values[i] = r.Text();
    else
      failed = std::string(picker::kPickItems[i]) + " (" + DdeErrorName(r.Error) + ")";
  }
  const TVerdict verdict = Decide(options, picked, failed.empty() && picked != paBusy, values[0]);
  if (verdict.PrintResult()) Write(STD_OUTPUT_HANDLE, FormatResult(options.Format, values[0], values[1], values[2]));
  if (verdict.Message.empty()) return verdict.Status;
  return Fail(verdict.Status == kExitError && !failed.empty() ? verdict.Message + ": " + failed : verdict.Message,
              verdict.Status);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring w(argv[i]);
    args.emplace_back(w.begin(), w.end());
  }
  return Run(args);
}
