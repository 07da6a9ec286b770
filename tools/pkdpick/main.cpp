// pkdpick: the picker for scripts and for programs that cannot speak DDE.
//   pkdpick [--code CODE] [--words WORDS] [--find] [--service NAME]
// Sends Open_PKD (Find_PKD with --find) to the picker, starting pkd.exe
// beside itself when the service is not there, waits for the user without a
// time-out, then requests KOD, NAZWA and OPIS and prints them as JSON.
// Exit status: 0 after "Wybierz" (or a done Find_PKD), 1 after "Anuluj",
// 2 on any error, with a message on standard error.
#include <windows.h>
// After windows.h, which they need.
#include <dde.h>
#include <ddeml.h>

#include <string>
#include <vector>

#include "pkdpick/pick_text.h"
#include "text/cp1250.h"
#include "text/path.h"

namespace {

constexpr int kExitChosen = 0, kExitCancelled = 1, kExitError = 2;
constexpr DWORD kStartLimitMs = 60000;      // pkd.exe's own start, catalogue included
constexpr DWORD kRequestTimeoutMs = 10000;  // a live picker answers at once
constexpr DWORD kStrayAckWaitMs = 250;
const char kBusy[] = "program jest zajęty: czeka na wybór kodu dla innego programu";

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

int Fail(const std::string& message1250) {
  Write(STD_ERROR_HANDLE, text::Cp1250ToUtf8("pkdpick: " + message1250 + "\n"));
  return kExitError;
}

// What the callback learns of the execute under way; one transaction at a
// time, on the one thread.
struct TPending {
  bool Done = false;
  bool Acknowledged = false;
  WORD Flags = 0;  // DDE_FBUSY and the like; Wine's DDEML leaves them 0
} gPending;

HDDEDATA CALLBACK ClientCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR data2) {
  if (type == XTYP_XACT_COMPLETE) {
    gPending.Done = true;
    gPending.Acknowledged = data != nullptr;
    gPending.Flags = LOWORD(data2);
  }
  return nullptr;
}

class TClient {
 public:
  ~TClient() {
    if (FServer) CloseHandle(FServer);
    // A conversation the picker has ended already would make DDEML wait
    // for an answer to the disconnect that never comes.
    if (FConv && Connected()) DdeDisconnect(FConv);
    if (FInst) DdeUninitialize(FInst);
  }

  // An ANSI instance: DDEML would take the command bytes of a Unicode one
  // for UTF-16 and convert them for the picker's ANSI instance.
  bool Init() { return DdeInitializeA(&FInst, ClientCallback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR; }

  bool Connect(const std::string& service) {
    const HSZ s = Name(service), t = Name(picker::kPickTopic);
    FConv = DdeConnect(FInst, s, t, nullptr);
    DdeFreeStringHandle(FInst, s);
    DdeFreeStringHandle(FInst, t);
    if (!FConv) return false;
    CONVINFO info = {};
    info.cb = sizeof info;
    DWORD pid = 0;
    if (DdeQueryConvInfo(FConv, QID_SYNC, &info) && GetWindowThreadProcessId(info.hwndPartner, &pid)) {
      FWindow = info.hwnd;
      FServer = OpenProcess(SYNCHRONIZE, FALSE, pid);
    }
    return true;
  }

  enum TAnswer { anAcknowledged, anRefused, anBusy, anServerDied, anConversationEnded, anNotSent };

  // The execute, waited for without a time-out. Not synchronously: a client
  // waiting in DDEML's own loop leaves the messages other programs send
  // unanswered, and every DDE connection on the desktop (which asks all
  // windows) would hang until the user has chosen.
  TAnswer Execute(const std::string& command) {
    std::string data = command;
    DWORD id = 0;
    gPending = TPending();
    if (!DdeClientTransaction(reinterpret_cast<LPBYTE>(&data[0]), static_cast<DWORD>(data.size() + 1), FConv, nullptr,
                              0, XTYP_EXECUTE, TIMEOUT_ASYNC, &id))
      return anNotSent;
    TAnswer answer = anAcknowledged;
    for (;;) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (gPending.Done) {
        answer = gPending.Acknowledged ? anAcknowledged : (gPending.Flags & DDE_FBUSY) ? anBusy : anRefused;
        break;
      }
      // The partner may end the conversation, or die without a word.
      if (!Connected()) return anConversationEnded;
      const DWORD count = FServer ? 1 : 0;
      if (MsgWaitForMultipleObjects(count, &FServer, FALSE, 500, QS_ALLINPUT) == WAIT_OBJECT_0 && count)
        return anServerDied;
    }
    // Wine's DDEML keeps a finished asynchronous transaction queued until it
    // is let go, and the next transaction would wait behind it. All of the
    // conversation's (there is this one): the identifier Wine hands out is
    // not the one it looks for.
    DdeAbandonTransaction(FInst, FConv, 0);
    return answer;
  }

  bool Request(const char* item, std::string& value) {
    const HSZ hsz = Name(item);
    const HDDEDATA h = DdeClientTransaction(nullptr, 0, FConv, hsz, CF_TEXT, XTYP_REQUEST, kRequestTimeoutMs, nullptr);
    DdeFreeStringHandle(FInst, hsz);
    if (!h) return false;
    DWORD size = 0;
    const BYTE* bytes = DdeAccessData(h, &size);
    value.assign(reinterpret_cast<const char*>(bytes), bytes ? size : 0);
    DdeUnaccessData(h);
    DdeFreeDataHandle(h);
    value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
    // Wine's DDEML posts a stray acknowledgement after a request's reply;
    // left in the queue it would end the next transaction at once.
    Drain(kStrayAckWaitMs);
    return true;
  }

  UINT LastError() const { return DdeGetLastError(FInst); }

 private:
  // Names are ASCII in practice; DDE compares them as the machine's ANSI text.
  HSZ Name(const std::string& s) const { return DdeCreateStringHandleA(FInst, s.c_str(), CP_WINANSI); }

  bool Connected() const {
    CONVINFO info = {};
    info.cb = sizeof info;
    return DdeQueryConvInfo(FConv, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED) && !(info.wStatus & ST_TERMINATED);
  }

  // Handles what waits in the queue until an acknowledgement for this
  // conversation has come, or for waitMs at most.
  void Drain(DWORD waitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
      bool ack = false;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ack = ack || (msg.message == WM_DDE_ACK && msg.hwnd == FWindow);
        DispatchMessageW(&msg);
      }
      const DWORD elapsed = GetTickCount() - start;
      if (ack || elapsed >= waitMs) return;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs - elapsed, QS_ALLINPUT);
    }
  }

  DWORD FInst = 0;
  HCONV FConv = nullptr;
  HWND FWindow = nullptr;
  HANDLE FServer = nullptr;  // the picker's process
};

// Starts pkd.exe and connects once its service is there; false with the
// reason (Windows-1250) otherwise.
bool StartPickerAndConnect(TClient& client, const std::string& service, std::string& error) {
  const std::filesystem::path folder = text::ExecutableFolder();
  const std::wstring exe = (folder / L"pkd.exe").wstring();
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  // No handle is inherited: a script reading our output to its end must not
  // wait for the picker too.
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    error = "nie mogę uruchomić " + text::PathTo1250(exe) + " (błąd " +
            std::to_string(GetLastError()) + ")";
    return false;
  }
  CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  bool connected = false;
  for (;;) {
    if ((connected = client.Connect(service))) break;
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
    MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 200, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  CloseHandle(pi.hProcess);
  return connected;
}

int Run(const std::vector<std::u16string>& args) {
  pkdpick::TOptions options;
  std::string error;
  if (!pkdpick::ParseArguments(args, options, error)) return Fail(error + " (pkdpick --help)");
  if (options.Help) {
    Write(STD_OUTPUT_HANDLE, text::Cp1250ToUtf8(pkdpick::HelpText()));
    return kExitChosen;
  }
  const std::string command =
      pkdpick::CommandText(options, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(GetConsoleWindow())));

  TClient client;
  if (!client.Init()) return Fail("nie mogę uruchomić DDE");
  if (!client.Connect(options.Service)) {
    // Only the picker's own service is worth starting pkd.exe for.
    if (!text::EqualNoCaseAscii(options.Service, pkdpick::kDefaultService))
      return Fail("usługa DDE " + options.Service + " nie działa");
    if (!StartPickerAndConnect(client, options.Service, error)) return Fail(error);
  }
  const TClient::TAnswer answer = client.Execute(command);
  switch (answer) {
    case TClient::anNotSent:
      return Fail("nie mogę wysłać polecenia do programu");
    case TClient::anServerDied:
      return Fail("pkd.exe zakończył działanie, zanim odpowiedział");
    case TClient::anConversationEnded:
      return Fail("program zakończył rozmowę DDE, zanim odpowiedział");
    case TClient::anBusy:
      return Fail(kBusy);
    default:
      break;
  }
  std::string values[3];
  const char* const* items = picker::kPickItems;
  for (int i = 0; i < 3; ++i) {
    if (client.Request(items[i], values[i])) continue;
    // A picker busy with another pick refuses everything; Wine's DDEML does
    // not tell a busy execute from a refused one, the requests do.
    if (answer == TClient::anRefused) return Fail(kBusy);
    char code[16];
    wsprintfA(code, "0x%04X", client.LastError());
    return Fail(std::string("nie dostałem wartości ") + items[i] + " (błąd DDE " + code + ")");
  }
  if (answer == TClient::anRefused && options.Find) return Fail(std::string("program nie wykonał polecenia ") + picker::kFindPkd);
  Write(STD_OUTPUT_HANDLE, pkdpick::JsonResult(values[0], values[1], values[2]));
  return answer == TClient::anAcknowledged ? kExitChosen : kExitCancelled;
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
