// The manager over the real DDEML (Wine's under test), serving a plain
// DDEML client that runs in a process of its own (dde_client.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "dde/win/platform_win.h"
#include "support/pump_win.h"
#include "support/temp_dir.h"
#include "text/cp1250.h"

namespace dde {
namespace {

class TWin32DdeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InstallWin32DdeServices(); }
};
::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(new TWin32DdeEnvironment);

TWin32Platform gPlatform;

std::string ClientPath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/") + 1) + "dde_test_client.exe";
}

// Runs the client on the script while this thread serves (DDEML calls the
// manager while the thread dispatches messages); gives the client's lines.
// idle runs between the batches of messages, outside any DDEML call.
std::vector<std::string> RunClient(const std::vector<std::string>& script,
                                   const std::function<void()>& idle = nullptr) {
  testing_support::TempDir dir;
  std::string text;
  for (const std::string& line : script) text += line + "\n";
  const std::string scriptFile = dir.Write("script.txt", text).string(), outFile = dir.File("out.txt");
  std::string cmd = "\"" + ClientPath() + "\" \"" + scriptFile + "\" \"" + outFile + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "client did not start: " << GetLastError();
    return {};
  }
  CloseHandle(pi.hThread);
  const bool done = testing_support::PumpUntil(
      [&] {
        if (idle) idle();
        return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
      },
      60000);
  if (!done) {
    ADD_FAILURE() << "client did not finish";
    TerminateProcess(pi.hProcess, 1);
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(0u, code) << "client exit code";
  std::vector<std::string> lines;
  std::ifstream out(outFile);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  return lines;
}

// One step of the client's script with the line it must give (none for a
// wait).
struct TStep {
  const char* command;
  const char* result;
};

void RunScript(const std::vector<TStep>& steps, const std::function<void()>& idle = nullptr) {
  std::vector<std::string> script, expected;
  for (const TStep& s : steps) {
    script.push_back(s.command);
    if (s.result) expected.push_back(s.result);
  }
  EXPECT_EQ(expected, RunClient(script, idle));
}

void Serve(TDDEMLManager& m, const std::string& service) {
  m.Scope = ddeServerOnly;
  m.AddService(service);
  m.FindService(service)->Enabled = true;
  ASSERT_TRUE(m.InitDDEML());
}

TEST(ManagerOverDdeml, ServesThePickersConversation) {
  TComponent form(nullptr);
  TDDEMLManager m(&form, gPlatform);
  // The picker's configuration, as its window stores it.
  m.ReadStoredForm(
      "object DDEMan1: TDDEMLManager\n"
      "  AllowNullService = True\n"
      "  AllowNullTopic = True\n"
      "  DefaultTimeOut = 1.000000000000000000\n"
      "  ExecCmds.CmdList = (True 'NSS' 'Open_PKD' True 'SS' 'Find_PKD')\n"
      "  FormatConflict = fctNullResponse\n"
      "end\n");
  std::string code, executed;
  std::vector<std::string> closed;
  m.OnTopicReceived = [](TDDEMLManager& x, const std::string& s) {
    x.ClearTopicList(s);
    x.AddToTopicList(s, "PKD");
  };
  m.OnFormatReceived = [](TDDEMLManager& x, const std::string& s) {
    x.ClearFormatList(s, "");
    x.AddToFormatList(s, "", cfText);
  };
  m.OnItemReceived = [](TDDEMLManager& x, const std::string& s, const std::string& t) {
    x.ClearItemList(s, t);
    for (const char* item : {"KOD", "NAZWA", "OPIS"}) x.AddToItemList(s, t, item);
  };
  m.OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string& cmd,
                            const TParamArray& params, int count, bool& succeed) {
    executed += cmd + "/" + std::to_string(count) + " ";
    succeed = cmd == "FIND_PKD";
    if (succeed) code = params[0].substr(1, params[0].size() - 2);  // without its quotes
  };
  m.OnRequestReceived = [&](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                            int32_t, TDDEMLClipFmtType, uint16_t, bool& valid) {
    valid = text::EqualNoCaseAscii(t, "PKD") && text::EqualNoCaseAscii(i, "KOD");
    if (valid) x.SetItemText(s, t, i, code);
  };
  m.OnTopicClosed = [&](TDDEMLManager&, const std::string&, const std::string& t) { closed.push_back(t); };
  Serve(m, "PKD_ZEL");
  RunScript({
      {"connect\tPKD_ZEL\tSystem", "connect PKD_ZEL/System = PKD_ZEL/System"},
      {"request\tTopics", "request Topics = PKD"},
      {"request\tSysItems", "request SysItems = Status\tTopics\tFormats"},
      {"request\tFormats", "request Formats = Text"},
      {"connect\tpkd_zel\tpkd", "connect pkd_zel/pkd = PKD_ZEL/pkd"},
      {"request\tTopicItemList", "request TopicItemList = KOD\tNAZWA\tOPIS"},
      {"execute\t[Find_PKD(\"01.11.Z\",\"uprawa\")]", "execute = 0x8000"},
      {"request\tKOD", "request KOD = 01.11.Z"},
      {"request\tKOD\t13", "request KOD = failed DMLERR_NOTPROCESSED"},  // fctNullResponse
      {"request\tNAZWA", "request NAZWA = failed DMLERR_NOTPROCESSED"},
      {"execute\t[Open_PKD(0,\"a\",\"b\")]", "execute = 0x0000"},
      {"execute\t[Open_PKD(x,a,b)]", "execute = 0x0000"},
      {"poke\tKOD\t99", "poke KOD = 0x0000"},
      {"disconnect", "disconnect = ok"},
  });
  EXPECT_EQ("FIND_PKD/2 OPEN_PKD/3 ", executed);
  // A name reads back in the case its global atom was first made in.
  ASSERT_EQ(2u, closed.size());
  EXPECT_EQ("System", closed[0]);
  EXPECT_TRUE(text::EqualNoCaseAscii("pkd", closed[1])) << closed[1];
  EXPECT_EQ(0, m.ConvCount());
}

TEST(ManagerOverDdeml, AdvisesALinkedClientWhenTheTextChangesAndRefusesWhileBusy) {
  TDDEMLManager m(nullptr, gPlatform);
  m.ExecCmds().AddCmd("Set", "S");
  m.OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                               TDDEMLClipFmtType, uint16_t, bool& allow) { allow = true; };
  // The client asks for a change and the server makes it after answering,
  // as a program changes its data on its own. (Advise data that reaches
  // Wine's client while it waits for a synchronous transaction ends that
  // wait as failed, so the change is not made inside the execute.)
  std::vector<std::string> changes;
  m.OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                            const TParamArray& params, int, bool&) { changes.push_back(params[0]); };
  auto idle = [&] {
    for (const std::string& c : changes)
      if (c.rfind("status=", 0) == 0)
        m.SetItemText("DDETEST_ADV", "System", "Status", c.substr(7));
      else
        m.SetItemText("DDETEST_ADV", "T", "V", c);
    changes.clear();
  };
  Serve(m, "DDETEST_ADV");
  RunScript(
      {
          {"connect\tDDETEST_ADV\tT", "connect DDETEST_ADV/T = DDETEST_ADV/T"},
          {"advstart\tV", "advstart V = ok"},
          {"execute\t[Set(abc)]", "execute = 0x8000"},
          {"wait\t300", "advdata V = abc"},
          {"execute\t[Set(ABC)]", "execute = 0x8000"},  // only the case changed: no advise
          {"wait\t300", nullptr},
          {"execute\t[Set(xyz)]", "execute = 0x8000"},
          {"wait\t300", "advdata V = xyz"},
          {"advstop\tV", "advstop V = ok"},
          {"execute\t[Set(after)]", "execute = 0x8000"},
          {"wait\t300", nullptr},
          {"execute\t[Set(status=bUsY)]", "execute = 0x8000"},
          {"wait\t300", nullptr},
          {"request\tV", "request V = failed DMLERR_NOTPROCESSED"},
          {"execute\t[Set(more)]", "execute = 0x4000"},
          {"poke\tV\t1", "poke V = 0x4000"},
      },
      idle);
}

TEST(ManagerOverDdeml, RefusedConnectsAndWildConnects) {
  TDDEMLManager m(nullptr, gPlatform);
  m.AllowNullService = m.AllowNullTopic = true;
  std::vector<std::string> asked;
  m.OnConnectReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t, bool& allow) {
    asked.push_back(s + "/" + t);
    allow = t != "Refused";
  };
  Serve(m, "DDETEST_W");
  // A null name makes DDEML ask for a wild connect: without a handler of its
  // own the manager offers the System topic when OnConnectReceived allows.
  RunScript({
      {"connect\tDDETEST_W\tRefused", "connect DDETEST_W/Refused = failed"},
      {"connect\tDDETEST_W\tT", "connect DDETEST_W/T = DDETEST_W/T"},
      {"connect\t-\t-", "connect -/- = DDETEST_W/System"},
      {"connect\tddetest_w\t-", "connect ddetest_w/- = DDETEST_W/System"},
      {"connect\tNoSuchService\tT", "connect NoSuchService/T = failed"},
  });
  EXPECT_EQ((std::vector<std::string>{"DDETEST_W/Refused", "DDETEST_W/T", "DDETEST_W/System", "DDETEST_W/System"}),
            asked);
}

// The instance goes once the server is back in its loop: the execute is
// answered first.
TEST(ManagerOverDdeml, AHandlerThatEndsTheManagerInsideAnExecute) {
  TDDEMLManager m(nullptr, gPlatform);
  m.ExecCmds().AddCmd("Stop", "");
  m.OnExecuteReceived = [](TDDEMLManager& x, auto&&...) { x.TerminateDDEML(); };
  Serve(m, "DDETEST_END");
  RunScript({
      {"connect\tDDETEST_END\tT", "connect DDETEST_END/T = DDETEST_END/T"},
      {"execute\t[Stop]", "execute = 0x8000"},
      {"connect\tDDETEST_END\tT", "connect DDETEST_END/T = failed"},
  });
  EXPECT_FALSE(m.Initialized());
}

// Clients that link and leave without stopping their links (Wine's DDEML
// sends only the disconnect): each one's link goes with it, a repeated
// start is one link, and a client's poke of System "Status" changes nothing.
TEST(ManagerOverDdeml, LinksLeaveWithTheirClientsAndPokesChangeNothing) {
  TDDEMLManager m(nullptr, gPlatform);
  m.OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                               TDDEMLClipFmtType, uint16_t, bool& allow) { allow = true; };
  int stops = 0;
  m.OnAdviseStopReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                               int32_t) { ++stops; };
  m.OnPokeReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                        bool& allow) { allow = false; };
  Serve(m, "DDETEST_LINKS");
  m.SetItemText("DDETEST_LINKS", "System", "Status", "Ready");
  constexpr int kClients = 300;
  std::vector<std::string> script;
  for (int i = 0; i < kClients; ++i)
    for (const char* line : {"connect\tDDETEST_LINKS\tT", "advstart\tKOD", "advstart\tKOD"}) script.push_back(line);
  for (const char* line : {"connect\tDDETEST_LINKS\tSystem", "poke\tStatus\tBUSY", "poke\tNew\tx", "request\tStatus",
                           "request\tNew", "connect\tDDETEST_LINKS\tT", "advstart\tKOD", "disconnect"})
    script.push_back(line);
  const std::vector<std::string> lines = RunClient(script);
  ASSERT_EQ(3u * kClients + 8u, lines.size());
  int linked = 0;
  for (int i = 0; i < kClients; ++i) linked += lines[3 * i + 1] == "advstart KOD = ok" && lines[3 * i + 2] == "advstart KOD = ok";
  EXPECT_EQ(kClients, linked);
  const std::size_t end = 3u * kClients;
  EXPECT_EQ("request Status = Ready", lines[end + 3]);
  EXPECT_EQ("request New = failed DMLERR_NOTPROCESSED", lines[end + 4]);
  EXPECT_EQ("advstart KOD = ok", lines[end + 6]);  // the next client is served
  EXPECT_EQ(kClients + 1, stops);
  EXPECT_EQ(0, m.ConvCount());
  EXPECT_FALSE(m.FindService("DDETEST_LINKS")->IsBusy());
}

// A handler that replaces the services inside an execute: the execute is
// answered first, the names change once the server is back in its loop, and
// the new service takes connects.
TEST(ManagerOverDdeml, AHandlerThatReplacesTheServicesInsideAnExecute) {
  TDDEMLManager m(nullptr, gPlatform);
  m.ExecCmds().AddCmd("Swap", "");
  m.OnExecuteReceived = [](TDDEMLManager& x, auto&&...) {
    TDDEMLServicesList list(x.Platform());
    list.Add("DDETEST_SWAP")->Enabled = true;
    x.SetServices(list);
  };
  Serve(m, "DDETEST_SWAP");
  RunScript({
      {"connect\tDDETEST_SWAP\tT", "connect DDETEST_SWAP/T = DDETEST_SWAP/T"},
      {"execute\t[Swap]", "execute = 0x8000"},
      {"wait\t500", nullptr},
      {"connect\tDDETEST_SWAP\tU", "connect DDETEST_SWAP/U = DDETEST_SWAP/U"},
      {"request\tX", "request X = failed DMLERR_NOTPROCESSED"},
  });
  EXPECT_TRUE(m.FindService("DDETEST_SWAP")->Registered());
  EXPECT_EQ(0, m.ConvCount());
}

}  // namespace
}  // namespace dde
