// Measures the request round trip under Wine: a client process asks for a
// CF_TEXT item, alternately from the picker's own DDE side (its manager,
// stored form, handlers and pick session, as pkd.exe runs them) and from a bare DDEML
// server that answers the same item from a constant. Each server runs in a
// process of its own, started by this program; both run at once and the
// requests alternate between them, so that both see the same load of a
// shared machine.
//   dde_roundtrip_probe [ROUNDS [REQUESTS]]        3 rounds of 300 by default
//   dde_roundtrip_probe --server manager|bare       (started by the probe)
// Between requests, in both cases, the client waits for Wine's stray
// acknowledgement (its DDEML posts one after each request reply, and one
// still on its way fails the next request), then drains its queue for the
// rest of about 5 ms. Neither wait is timed.
#include <windows.h>
#include <dde.h>
#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "dde/platform_win.h"
#include "picker/picker_dde.h"

namespace {

const char* const kManagerService = picker::kPickService;
const char kBareService[] = "RTBARE";
const char kValue[] = "01.11.Z";

// ---- the bare server ----

DWORD gBareInst = 0;
HSZ gBareService = nullptr;

HDDEDATA CALLBACK BareCallback(UINT type, UINT format, HCONV, HSZ, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  switch (type) {
    case XTYP_CONNECT:
      return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz2, gBareService) == 0);
    case XTYP_REQUEST: {
      char item[32] = "";
      DdeQueryStringA(gBareInst, hsz2, item, sizeof item, CP_WINANSI);
      if (format != CF_TEXT || std::strcmp(item, "KOD") != 0) return nullptr;
      return DdeCreateDataHandle(gBareInst, reinterpret_cast<LPBYTE>(const_cast<char*>(kValue)), sizeof kValue, 0, hsz2,
                                 CF_TEXT, 0);
    }
    case XTYP_DISCONNECT:
      PostQuitMessage(0);
      return nullptr;
    default:
      return nullptr;
  }
}

int RunLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

int BareServer() {
  if (DdeInitializeA(&gBareInst, BareCallback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) return 3;
  gBareService = DdeCreateStringHandleA(gBareInst, kBareService, CP_WINANSI);
  if (!DdeNameService(gBareInst, gBareService, nullptr, DNS_REGISTER)) return 4;
  const int rc = RunLoop();
  DdeNameService(gBareInst, gBareService, nullptr, DNS_UNREGISTER);
  DdeFreeStringHandle(gBareInst, gBareService);
  DdeUninitialize(gBareInst);
  return rc;
}

// ---- the picker's server ----

// The window as the picker's DDE side sees it: an entry selected, nothing else.
class TProbeView : public picker::TPickView {
 public:
  void BeginPick(uintptr_t) override {}
  void SetSearchCode(const std::string&) override {}
  void SetSearchWords(const std::string&) override {}
  void RunSearches() override {}
  void WaitUntil(const std::function<bool()>&) override {}
  void EndPick() override {}
  bool Visible() const override { return true; }
  picker::TPickSelection Selection() const override { return {true, kValue, "Uprawa zbóż"}; }
  std::string NoteOf(const std::string&) const override { return std::string(); }
  picker::TModalUp ModalUp() const override { return picker::muNone; }
  void CloseInformational() override {}
  void ShowError(const std::exception&) override {}
  void EndProgram() override { PostQuitMessage(0); }
};

// The picker's own DDE side (stored form, handlers, session) over the real
// DDEML, answering KOD as pkd.exe does.
int ManagerServer() {
  dde::InstallWin32DdeServices();
  dde::TWin32Platform platform;
  TProbeView view;
  picker::TPickerDde dde(platform, view);
  dde.DDEMan1().OnDisconnecting = [](dde::TDDEMLManager&, const std::string&, const std::string&) {
    PostQuitMessage(0);
  };
  dde.RegisterService();
  if (!dde.DDEMan1().Initialized()) return 3;
  return RunLoop();
}

// ---- the client ----

DWORD gInst = 0;

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

double Since(const LARGE_INTEGER& t0) {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return double(t.QuadPart - t0.QuadPart) * 1000.0 / double(f.QuadPart);
}

// The stray acknowledgement, up to 200 ms (none comes from a DDEML without
// the defect).
void AwaitStrayAck() {
  LARGE_INTEGER t0;
  QueryPerformanceCounter(&t0);
  MSG msg;
  while (!PeekMessageA(&msg, nullptr, WM_DDE_ACK, WM_DDE_ACK, PM_NOREMOVE) && Since(t0) < 200)
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_POSTMESSAGE);
}

void Drain(double ms) {
  LARGE_INTEGER f, t0, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(1);
    QueryPerformanceCounter(&t);
  } while (double(t.QuadPart - t0.QuadPart) * 1000.0 / double(f.QuadPart) < ms);
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct TServer {
  const char* kind = nullptr;
  const char* service = nullptr;
  PROCESS_INFORMATION process = {};
  HCONV conv = nullptr;
  std::vector<double> us;
};

bool Start(TServer& s) {
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string cmd = std::string("\"") + exe + "\" --server " + s.kind;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.process)) return false;
  CloseHandle(s.process.hThread);
  HSZ svc = DdeCreateStringHandleA(gInst, s.service, CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(gInst, "PKD", CP_WINANSI);
  for (int i = 0; i < 1000 && !s.conv; ++i) {
    s.conv = DdeConnect(gInst, svc, topic, nullptr);
    if (!s.conv) Drain(10);
  }
  DdeFreeStringHandle(gInst, svc);
  DdeFreeStringHandle(gInst, topic);
  return s.conv != nullptr;
}

void Stop(TServer& s) {
  if (s.conv) DdeDisconnect(s.conv);
  s.conv = nullptr;
  if (WaitForSingleObject(s.process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(s.process.hProcess, 1);
  CloseHandle(s.process.hProcess);
}

// One timed request; false when the answer is not the value.
bool Request(TServer& s, HSZ item) {
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  HDDEDATA h = DdeClientTransaction(nullptr, 0, s.conv, item, CF_TEXT, XTYP_REQUEST, 5000, nullptr);
  QueryPerformanceCounter(&t1);
  char got[16] = "";
  if (h) {
    DdeGetData(h, reinterpret_cast<LPBYTE>(got), sizeof got - 1, 0);
    DdeFreeDataHandle(h);
  }
  if (std::strcmp(got, kValue) != 0) {
    std::fprintf(stderr, "%s: request answered \"%s\" (DDEML error 0x%x)\n", s.kind, got, DdeGetLastError(gInst));
    return false;
  }
  s.us.push_back(double(t1.QuadPart - t0.QuadPart) * 1e6 / double(f.QuadPart));
  AwaitStrayAck();
  Drain(5);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--server") == 0)
    return std::strcmp(argv[2], "bare") == 0 ? BareServer() : ManagerServer();
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  const int requests = argc > 2 ? std::atoi(argv[2]) : 300;
  if (DdeInitializeA(&gInst, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 2;
  std::vector<double> all[2];
  HSZ item = DdeCreateStringHandleA(gInst, "KOD", CP_WINANSI);
  for (int r = 0; r < rounds; ++r) {
    TServer servers[2];
    servers[0].kind = "manager", servers[0].service = kManagerService;
    servers[1].kind = "bare", servers[1].service = kBareService;
    if (!Start(servers[0]) || !Start(servers[1])) return 1;
    for (int i = 0; i < requests; ++i)
      for (int k = 0; k < 2; ++k)  // the order alternates, so that neither always goes first
        if (!Request(servers[(i + k) % 2], item)) return 1;
    for (int k = 0; k < 2; ++k) {
      const std::vector<double>& us = servers[k].us;
      std::printf("round %d %-7s median %7.1f us  (min %.1f, max %.1f, %zu requests)\n", r + 1, servers[k].kind,
                  Median(us), *std::min_element(us.begin(), us.end()), *std::max_element(us.begin(), us.end()),
                  us.size());
      all[k].insert(all[k].end(), us.begin(), us.end());
      Stop(servers[k]);
    }
  }
  DdeFreeStringHandle(gInst, item);
  const double mm = Median(all[0]), bm = Median(all[1]);
  std::printf("manager median %.1f us, bare server median %.1f us, ratio %.3f\n", mm, bm, mm / bm);
  DdeUninitialize(gInst);
  return 0;
}
