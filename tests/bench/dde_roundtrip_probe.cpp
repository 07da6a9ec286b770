// Measures the request round trip under Wine: a client process asks for a
// CF_TEXT item, alternately from the picker's own DDE side (its manager,
// stored form, handlers and pick session, as pkd.exe runs them) and from a bare DDEML
// server that answers the same item from a constant. Each server runs in a
// process of its own, started by this program; both run at once and the
// requests alternate between them, so that both see the same load of a
// shared machine.
//   dde_roundtrip_probe [ROUNDS [REQUESTS]]        3 rounds of 300 by default
//   dde_roundtrip_probe --server manager|bare       (started by the probe)
// The client is the project's DDE client class; the time of a request is
// that of its transaction, without the wait for Wine's stray acknowledgement
// that the class lets go after it.
#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "dde/win/platform_win.h"
#include "picker/picker_dde.h"
#include "dde/win/dde_client_win.h"

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
  void ShowStartCatalogue() override {}
  void BeginPick(uintptr_t) override {}
  void SetSearchCode(const std::string&) override {}
  void SetSearchWords(const std::string&) override {}
  void RunSearches() override {}
  void ShowPick() override {}
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

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct TServer {
  const char* kind = nullptr;
  const char* service = nullptr;
  PROCESS_INFORMATION process = {};
  std::unique_ptr<dde::TDdeConversation> conv;
  std::vector<double> us;
};

bool Start(dde::TDdeClient& client, TServer& s) {
  char exe[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string cmd = std::string("\"") + exe + "\" --server " + s.kind;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.process)) return false;
  CloseHandle(s.process.hThread);
  s.conv = std::make_unique<dde::TDdeConversation>(client);
  for (int i = 0; i < 1000 && !s.conv->Connected(); ++i)
    if (!s.conv->Connect(s.service, picker::kPickTopic)) dde::PumpMessagesFor(10);
  return s.conv->Connected();
}

void Stop(TServer& s) {
  s.conv.reset();
  if (WaitForSingleObject(s.process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(s.process.hProcess, 1);
  CloseHandle(s.process.hProcess);
}

// One timed request; false when the answer is not the value.
bool Request(TServer& s) {
  const dde::TDdeResult r = s.conv->Request(picker::kPickItems[0]);
  if (r.Text() != kValue) {
    std::fprintf(stderr, "%s: request answered \"%s\" (%s)\n", s.kind, r.Text().c_str(), dde::DdeErrorName(r.Error));
    return false;
  }
  s.us.push_back(r.Microseconds);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--server") == 0)
    return std::strcmp(argv[2], "bare") == 0 ? BareServer() : ManagerServer();
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  const int requests = argc > 2 ? std::atoi(argv[2]) : 300;
  dde::TDdeClient client;
  if (!client.Ok()) return 2;
  std::vector<double> all[2];
  for (int r = 0; r < rounds; ++r) {
    TServer servers[2];
    servers[0].kind = "manager", servers[0].service = kManagerService;
    servers[1].kind = "bare", servers[1].service = kBareService;
    if (!Start(client, servers[0]) || !Start(client, servers[1])) return 1;
    for (int i = 0; i < requests; ++i)
      for (int k = 0; k < 2; ++k)  // the order alternates, so that neither always goes first
        if (!Request(servers[(i + k) % 2])) return 1;
    for (int k = 0; k < 2; ++k) {
      const std::vector<double>& us = servers[k].us;
      std::printf("round %d %-7s median %7.1f us  (min %.1f, max %.1f, %zu requests)\n", r + 1, servers[k].kind,
                  Median(us), *std::min_element(us.begin(), us.end()), *std::max_element(us.begin(), us.end()),
                  us.size());
      all[k].insert(all[k].end(), us.begin(), us.end());
      Stop(servers[k]);
    }
  }
  const double mm = Median(all[0]), bm = Median(all[1]);
  std::printf("manager median %.1f us, bare server median %.1f us, ratio %.3f\n", mm, bm, mm / bm);
  return 0;
}
