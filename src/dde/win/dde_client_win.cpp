#include "dde/win/dde_client_win.h"

#include <dde.h>

#include <algorithm>
#include <vector>

namespace dde {

namespace {

// Wine posts its stray acknowledgement right after the reply; this only
// bounds the wait should a partner die in between.
constexpr DWORD kStrayAckLimitMs = 1000;

// The conversations of this thread, for the callback: DDEML tells it the
// conversation, not the object. Instances are per thread, so are these.
thread_local std::vector<TDdeConversation*> gConversations;

double Since(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart);
}

BOOL CALLBACK AddWineClientWindow(HWND wnd, LPARAM found) {
  wchar_t name[32] = L"";
  GetClassNameW(wnd, name, 32);
  if (lstrcmpW(name, L"WineDdeClientA") == 0 || lstrcmpW(name, L"WineDdeClientW") == 0)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(wnd);
  return TRUE;
}

// This thread's conversation windows of Wine's DDEML: top-level, one for
// each connect tried.
std::vector<HWND> WineClientWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), AddWineClientWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool ConvInfo(HCONV conv, CONVINFO& info) {
  info = CONVINFO();
  info.cb = sizeof info;
  return conv && DdeQueryConvInfo(conv, QID_SYNC, &info);
}

}  // namespace

bool RunningOnWine() {
  static const bool wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

const char* DdeErrorName(UINT e) {
  static const char* const names[] = {"DMLERR_ADVACKTIMEOUT",       "DMLERR_BUSY",
                                      "DMLERR_DATAACKTIMEOUT",      "DMLERR_DLL_NOT_INITIALIZED",
                                      "DMLERR_DLL_USAGE",           "DMLERR_EXECACKTIMEOUT",
                                      "DMLERR_INVALIDPARAMETER",    "DMLERR_LOW_MEMORY",
                                      "DMLERR_MEMORY_ERROR",        "DMLERR_NOTPROCESSED",
                                      "DMLERR_NO_CONV_ESTABLISHED", "DMLERR_POKEACKTIMEOUT",
                                      "DMLERR_POSTMSG_FAILED",      "DMLERR_REENTRANCY",
                                      "DMLERR_SERVER_DIED",         "DMLERR_SYS_ERROR",
                                      "DMLERR_UNADVACKTIMEOUT",     "DMLERR_UNFOUND_QUEUE_ID"};
  if (e == 0) return "none";
  return e >= DMLERR_FIRST && e <= DMLERR_LAST ? names[e - DMLERR_FIRST] : "other";
}

void PumpMessagesFor(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

// ---- handles

TDdeString::TDdeString(const TDdeClient& client, std::string_view text) : FInst(client.Instance()) {
  // Names are ASCII in practice; DDE compares them as the machine's ANSI text.
  const std::string z(text);
  if (FInst) FHsz = DdeCreateStringHandleA(FInst, z.c_str(), CP_WINANSI);
}

TDdeString::~TDdeString() {
  if (FHsz) DdeFreeStringHandle(FInst, FHsz);
}

TDdeData::~TDdeData() {
  if (FHandle) DdeFreeDataHandle(FHandle);
}

std::string TDdeData::Bytes() const {
  if (!FHandle) return std::string();
  DWORD size = 0;
  const BYTE* bytes = DdeAccessData(FHandle, &size);
  std::string out(reinterpret_cast<const char*>(bytes), bytes ? size : 0);
  if (bytes) DdeUnaccessData(FHandle);
  return out;
}

// ---- the instance

HDDEDATA CALLBACK ClientCallback(UINT type, UINT, HCONV conv, HSZ, HSZ item, HDDEDATA data, ULONG_PTR,
                                 ULONG_PTR data2) {
  TDdeConversation* c = nullptr;
  for (TDdeConversation* x : gConversations)
    if (x->FConv == conv) c = x;
  switch (type) {
    case XTYP_XACT_COMPLETE:
      if (c && !c->FPending.Done) {
        TDdeConversation::TPending& p = c->FPending;
        p.Done = true;
        p.Answered = data != nullptr;
        p.Flags = LOWORD(data2);
        // A request's data handle is DDEML's, valid only here.
        if (data && data != reinterpret_cast<HDDEDATA>(TRUE)) {
          DWORD size = 0;
          if (const BYTE* bytes = DdeAccessData(data, &size)) {
            p.Data.assign(reinterpret_cast<const char*>(bytes), size);
            DdeUnaccessData(data);
          }
        }
      }
      return nullptr;
    case XTYP_ADVDATA:
      if (c && c->FClient.OnAdvise) {
        std::string bytes;
        if (data) {
          DWORD size = 0;
          if (const BYTE* p = DdeAccessData(data, &size)) {
            bytes.assign(reinterpret_cast<const char*>(p), size);
            DdeUnaccessData(data);
          }
        }
        c->FClient.OnAdvise(c->FClient.Text(item), bytes);
      }
      return reinterpret_cast<HDDEDATA>(DDE_FACK);
    case XTYP_REGISTER:
    case XTYP_DISCONNECT:
    case XTYP_UNREGISTER:
    case XTYP_ERROR:
      return nullptr;
    default:
      // Counted on any conversation of the thread's client: there is one
      // client instance per thread in practice.
      if (c)
        ++c->FClient.ServerCalls;
      else if (!gConversations.empty())
        ++gConversations.front()->FClient.ServerCalls;
      return nullptr;
  }
}

TDdeClient::TDdeClient() {
  if (DdeInitializeA(&FInst, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) FInst = 0;
}

TDdeClient::~TDdeClient() {
  if (FInst) DdeUninitialize(FInst);
}

std::string TDdeClient::Text(HSZ hsz) const {
  if (!FInst || !hsz) return std::string();
  const DWORD n = DdeQueryStringA(FInst, hsz, nullptr, 0, CP_WINANSI);
  std::string s(n + 1, '\0');
  DdeQueryStringA(FInst, hsz, &s[0], n + 1, CP_WINANSI);
  s.resize(n);
  return s;
}

// ---- the conversation

TDdeConversation::TDdeConversation(TDdeClient& client) : FClient(client) { gConversations.push_back(this); }

TDdeConversation::~TDdeConversation() {
  Disconnect();
  gConversations.erase(std::find(gConversations.begin(), gConversations.end(), this));
}

bool TDdeConversation::Connect(const char* service, const char* topic) {
  Disconnect();
  if (!FClient.Ok()) return false;
  const TDdeString s(FClient, service ? service : ""), t(FClient, topic ? topic : "");
  const std::vector<HWND> before = RunningOnWine() ? WineClientWindows() : std::vector<HWND>();
  FConv = DdeConnect(FClient.Instance(), service ? s.Get() : nullptr, topic ? t.Get() : nullptr, nullptr);
  if (!FConv && RunningOnWine()) {
    // Wine keeps the window of a connect nobody answered: every later
    // connect on the desktop would ask it too, and wait for this thread to
    // answer, for as long as the program runs.
    for (HWND wnd : WineClientWindows())
      if (std::find(before.begin(), before.end(), wnd) == before.end()) DestroyWindow(wnd);
  }
  CONVINFO info;
  if (!ConvInfo(FConv, info)) return FConv != nullptr;
  FWindow = info.hwnd;
  DWORD pid = 0;
  if (GetWindowThreadProcessId(info.hwndPartner, &pid) && pid != GetCurrentProcessId())
    FPartner = OpenProcess(SYNCHRONIZE, FALSE, pid);
  return true;
}

bool TDdeConversation::Disconnect() {
  if (FPartner) CloseHandle(FPartner);
  FPartner = nullptr;
  FWindow = nullptr;
  if (!FConv) return false;
  // A conversation the partner has ended already would make DDEML wait for
  // an answer to the disconnect that never comes.
  const bool ok = Alive() ? DdeDisconnect(FConv) != FALSE : true;
  FConv = nullptr;
  return ok;
}

bool TDdeConversation::Alive() const {
  CONVINFO info;
  return ConvInfo(FConv, info) && (info.wStatus & ST_CONNECTED) && !(info.wStatus & ST_TERMINATED);
}

std::string TDdeConversation::PartnerService() const {
  CONVINFO info;
  return ConvInfo(FConv, info) ? FClient.Text(info.hszSvcPartner) : std::string();
}

DWORD TDdeConversation::PartnerProcessId() const {
  CONVINFO info;
  DWORD pid = 0;
  if (ConvInfo(FConv, info)) GetWindowThreadProcessId(info.hwndPartner, &pid);
  return pid;
}

std::string TDdeConversation::Topic() const {
  CONVINFO info;
  return ConvInfo(FConv, info) ? FClient.Text(info.hszTopic) : std::string();
}

TDdeResult TDdeConversation::Request(std::string_view item, UINT format, DWORD timeoutMs) {
  return Sync(XTYP_REQUEST, item, nullptr, 0, format, timeoutMs);
}

TDdeResult TDdeConversation::Execute(std::string_view command, DWORD timeoutMs) {
  const std::string z(command);  // sent with its zero byte
  return Sync(XTYP_EXECUTE, {}, z.c_str(), static_cast<DWORD>(z.size() + 1), 0, timeoutMs);
}

TDdeResult TDdeConversation::Poke(std::string_view item, std::string_view data, UINT format, DWORD timeoutMs) {
  const std::string z(data);
  return Sync(XTYP_POKE, item, z.c_str(), static_cast<DWORD>(z.size() + 1), format, timeoutMs);
}

TDdeResult TDdeConversation::AdviseStart(std::string_view item, UINT format, DWORD timeoutMs) {
  return Sync(XTYP_ADVSTART, item, nullptr, 0, format, timeoutMs);
}

TDdeResult TDdeConversation::AdviseStop(std::string_view item, UINT format, DWORD timeoutMs) {
  return Sync(XTYP_ADVSTOP, item, nullptr, 0, format, timeoutMs);
}

TDdeResult TDdeConversation::ExecuteAsync(std::string_view command, DWORD timeoutMs, HANDLE stop) {
  const std::string z(command);
  return Async(XTYP_EXECUTE, {}, z.c_str(), static_cast<DWORD>(z.size() + 1), 0, timeoutMs, stop);
}

TDdeResult TDdeConversation::RequestAsync(std::string_view item, UINT format, DWORD timeoutMs, HANDLE stop) {
  return Async(XTYP_REQUEST, item, nullptr, 0, format, timeoutMs, stop);
}

TDdeResult TDdeConversation::Sync(UINT type, std::string_view item, const void* data, DWORD size, UINT format,
                                  DWORD timeoutMs) {
  TDdeResult r;
  if (!FConv) return r;
  const bool named = type != XTYP_EXECUTE;
  const TDdeString hsz(FClient, named ? item : std::string_view());
  DWORD flags = 0;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  const HDDEDATA h = DdeClientTransaction(static_cast<LPBYTE>(const_cast<void*>(data)), size, FConv,
                                          named ? hsz.Get() : nullptr, format, type, timeoutMs, &flags);
  r.Microseconds = Since(start);
  r.Flags = LOWORD(flags);
  if (!h) {
    r.Error = FClient.LastError();
    r.Outcome = r.Flags & DDE_FBUSY || r.Error == DMLERR_BUSY ? doBusy
                : r.Error == DMLERR_DATAACKTIMEOUT || r.Error == DMLERR_EXECACKTIMEOUT ||
                        r.Error == DMLERR_POKEACKTIMEOUT || r.Error == DMLERR_ADVACKTIMEOUT ||
                        r.Error == DMLERR_UNADVACKTIMEOUT
                    ? doTimedOut
                : !Alive() ? doConversationEnded
                           : doRefused;
    return r;
  }
  if (type == XTYP_REQUEST) r.Data = TDdeData(h).Bytes();
  r.Outcome = doAnswered;
  AfterAnswer(r, type);
  return r;
}

TDdeResult TDdeConversation::Async(UINT type, std::string_view item, const void* data, DWORD size, UINT format,
                                   DWORD timeoutMs, HANDLE stop) {
  TDdeResult r;
  if (!FConv) return r;
  const bool named = type != XTYP_EXECUTE;
  const TDdeString hsz(FClient, named ? item : std::string_view());
  FPending = TPending();
  DWORD id = 0;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!DdeClientTransaction(static_cast<LPBYTE>(const_cast<void*>(data)), size, FConv, named ? hsz.Get() : nullptr,
                            format, type, TIMEOUT_ASYNC, &id)) {
    r.Error = FClient.LastError();
    return r;
  }
  const DWORD begun = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // The reply's stray acknowledgement usually comes in the same batch.
      if (FPending.Done && type == XTYP_REQUEST && IsStrayAck(msg)) FPending.StrayAck = true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (FPending.Done) break;
    // The partner may end the conversation, or die without a word.
    if (!Alive()) r.Outcome = doConversationEnded;
    HANDLE handles[2];
    DWORD count = 0;
    if (stop) handles[count++] = stop;
    if (FPartner) handles[count++] = FPartner;
    DWORD waitMs = 500;  // a conversation ending leaves no message of ours
    if (timeoutMs != INFINITE) {
      const DWORD elapsed = GetTickCount() - begun;
      if (elapsed >= timeoutMs)
        r.Outcome = doTimedOut;
      else
        waitMs = std::min(waitMs, timeoutMs - elapsed);
    }
    if (r.Outcome != doNotSent) break;
    const DWORD w = MsgWaitForMultipleObjects(count, count ? handles : nullptr, FALSE, waitMs, QS_ALLINPUT);
    if (w < WAIT_OBJECT_0 + count) {
      r.Outcome = stop && w == WAIT_OBJECT_0 ? doStopped : doServerDied;
      break;
    }
  }
  r.Microseconds = Since(start);
  // Wine's DDEML keeps a transaction queued until it is let go, finished or
  // not, and the next one would wait behind it. All of the conversation's:
  // the identifier Wine hands out is not the one it looks for.
  DdeAbandonTransaction(FClient.Instance(), FConv, 0);
  if (!FPending.Done) return r;
  r.Flags = FPending.Flags;
  r.Data = std::move(FPending.Data);
  r.Outcome = FPending.Answered ? doAnswered : (r.Flags & DDE_FBUSY) ? doBusy : doRefused;
  if (r.Ok())
    AfterAnswer(r, type, FPending.StrayAck);
  else
    r.Error = FClient.LastError();
  return r;
}

void TDdeConversation::AfterAnswer(TDdeResult&, UINT type, bool strayAckSeen) {
  if (type == XTYP_REQUEST && RunningOnWine() && !strayAckSeen) AwaitStrayAck();
}

bool TDdeConversation::IsStrayAck(const MSG& msg) {
  if (msg.message != WM_DDE_ACK) return false;
  // The window may not have been known at the connect; without it, any
  // acknowledgement counts rather than none, which would cost the whole wait.
  CONVINFO info;
  if (!FWindow && ConvInfo(FConv, info)) FWindow = info.hwnd;
  return !FWindow || msg.hwnd == FWindow;
}

void TDdeConversation::AwaitStrayAck() {
  const DWORD start = GetTickCount();
  for (;;) {
    bool ack = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ack = ack || IsStrayAck(msg);
      DispatchMessageW(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (ack || elapsed >= kStrayAckLimitMs || !Alive()) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kStrayAckLimitMs - elapsed, QS_ALLINPUT);
  }
}

}  // namespace dde
