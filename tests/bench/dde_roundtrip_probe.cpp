// Measures the request round trip under Wine: a client process asks for a
// CF_TEXT item, alternately from the DDE manager (configured as the picker
// configures it, answering through OnRequestReceived) and from a bare DDEML
// server that answers the same item from a constant. Each server runs in a
// process of its own, started by this program.
//   dde_roundtrip_probe [ROUNDS [REQUESTS]]        3 rounds of 300 by default
//   dde_roundtrip_probe --server manager|bare       (started by the probe)
// The client drains its queue for about 5 ms between requests, in both
// cases: Wine's DDEML posts a stray acknowledgement after each request reply.
#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "dde/platform_win.h"

namespace {

const char kManagerService[] = "RTMGR";
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

// ---- the manager ----

int ManagerServer() {
  dde::InstallWin32DdeServices();
  dde::TWin32Platform platform;
  dde::TComponent form(nullptr);
  dde::TDDEMLManager m(&form, platform);
  m.ReadStoredForm(
      "AllowNullService = True\n"
      "AllowNullTopic = True\n"
      "DefaultTimeOut = 1.000000000000000000\n"
      "ExecCmds.CmdList = (True 'NSS' 'Open_PKD' True 'SS' 'Find_PKD')\n"
      "FormatConflict = fctNullResponse\n"
      "Scope = ddeServerOnly\n");
  // As the picker answers: the selected entry's value is set into the item
  // on every request.
  m.OnRequestReceived = [](dde::TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                           int32_t, dde::TDDEMLClipFmtType, uint16_t, bool& valid) {
    valid = dde::IsSystemTopicName(t) ? false : true;
    if (valid) x.SetItemText(s, t, i, kValue);
  };
  m.OnDisconnecting = [](dde::TDDEMLManager&, const std::string&, const std::string&) { PostQuitMessage(0); };
  m.AddService(kManagerService);
  m.FindService(kManagerService)->Enabled = true;
  if (!m.InitDDEML()) return 3;
  return RunLoop();
}

// ---- the client ----

DWORD gInst = 0;

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

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

// Microseconds of each request answered by a fresh server of that kind;
// empty on failure.
std::vector<double> Measure(const char* kind, const char* service, int requests) {
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string cmd = std::string("\"") + exe + "\" --server " + kind;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  CloseHandle(pi.hThread);
  HSZ svc = DdeCreateStringHandleA(gInst, service, CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(gInst, "PKD", CP_WINANSI);
  HSZ item = DdeCreateStringHandleA(gInst, "KOD", CP_WINANSI);
  HCONV conv = nullptr;
  for (int i = 0; i < 1000 && !conv; ++i) {
    conv = DdeConnect(gInst, svc, topic, nullptr);
    if (!conv) Drain(10);
  }
  std::vector<double> us;
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  for (int i = 0; conv && i < requests; ++i) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    HDDEDATA h = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 5000, nullptr);
    QueryPerformanceCounter(&t1);
    char got[16] = "";
    if (h) {
      DdeGetData(h, reinterpret_cast<LPBYTE>(got), sizeof got - 1, 0);
      DdeFreeDataHandle(h);
    }
    if (std::strcmp(got, kValue) != 0) {
      std::fprintf(stderr, "%s: request %d answered \"%s\" (DDEML error 0x%x)\n", kind, i, got, DdeGetLastError(gInst));
      us.clear();
      break;
    }
    us.push_back(double(t1.QuadPart - t0.QuadPart) * 1e6 / double(f.QuadPart));
    Drain(5);
  }
  if (conv) DdeDisconnect(conv);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  DdeFreeStringHandle(gInst, svc);
  DdeFreeStringHandle(gInst, topic);
  DdeFreeStringHandle(gInst, item);
  return us;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--server") == 0)
    return std::strcmp(argv[2], "bare") == 0 ? BareServer() : ManagerServer();
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  const int requests = argc > 2 ? std::atoi(argv[2]) : 300;
  if (DdeInitializeA(&gInst, ClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return 2;
  std::vector<double> manager, bare;
  for (int r = 0; r < rounds; ++r) {
    // The order alternates, so that neither kind always runs first.
    for (int k = 0; k < 2; ++k) {
      const bool isManager = (r + k) % 2 == 0;
      std::vector<double> us = Measure(isManager ? "manager" : "bare", isManager ? kManagerService : kBareService,
                                       requests);
      if (us.empty()) return 1;
      std::printf("round %d %-7s median %8.1f us  (min %.1f, max %.1f, %zu requests)\n", r + 1,
                  isManager ? "manager" : "bare", Median(us), *std::min_element(us.begin(), us.end()),
                  *std::max_element(us.begin(), us.end()), us.size());
      (isManager ? manager : bare).insert((isManager ? manager : bare).end(), us.begin(), us.end());
    }
  }
  const double mm = Median(manager), bm = Median(bare);
  std::printf("manager median %.1f us, bare server median %.1f us, ratio %.3f\n", mm, bm, mm / bm);
  DdeUninitialize(gInst);
  return 0;
}
