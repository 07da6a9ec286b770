// The manager over the real DDEML (Wine's under test), serving a plain
// DDEML client that runs in a process of its own (dde_client.cpp).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dde/manager.h"
#include "dde/platform_win.h"
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
  const std::string scriptFile = dir.Write("script.txt", text), outFile = dir.File("out.txt");
  std::string cmd = "\"" + ClientPath() + "\" \"" + scriptFile + "\" \"" + outFile + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "client did not start: " << GetLastError();
    return {};
  }
  CloseHandle(pi.hThread);
  const DWORD start = GetTickCount();
  bool done = false;
  while (!done && GetTickCount() - start < 60000) {
    done = MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (idle) idle();
  }
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

// The double quotes around a parameter, as the picker removes them.
std::string Unquote(const std::string& s) {
  return s.size() >= 2 && s.front() == '"' && s.back() == '"' ? s.substr(1, s.size() - 2) : s;
}

// The picker's configuration, as its window stores it.
const char kPickerForm[] =
    "object DDEMan1: TDDEMLManager\n"
    "  AllowNullService = True\n"
    "  AllowNullTopic = True\n"
    "  DebugFileName = 'C:\\PKD_ZEL_DDE.LOG'\n"
    "  DefaultTimeOut = 1.000000000000000000\n"
    "  ExecCmds.CmdList = (True 'NSS' 'Open_PKD' True 'SS' 'Find_PKD')\n"
    "  FormatConflict = fctNullResponse\n"
    "  Scope = ddeServerOnly\n"
    "  Services.ServicesList = ()\n"
    "end\n";

TEST(ManagerOverDdeml, ServesThePickersConversation) {
  TComponent form(nullptr);
  TDDEMLManager m(&form, gPlatform);
  m.ReadStoredForm(kPickerForm);
  std::string code, executed;
  std::vector<std::string> closed;
  int disconnects = 0;
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
    if (succeed) code = Unquote(params[0]);
  };
  m.OnRequestReceived = [&](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                            int32_t, TDDEMLClipFmtType, uint16_t, bool& valid) {
    valid = text::EqualNoCaseAscii(t, "PKD") && text::EqualNoCaseAscii(i, "KOD");
    if (valid) x.SetItemText(s, t, i, code);
  };
  m.OnDisconnecting = [&](TDDEMLManager&, const std::string&, const std::string&) { ++disconnects; };
  m.OnTopicClosed = [&](TDDEMLManager&, const std::string&, const std::string& t) { closed.push_back(t); };
  m.AddService("PKD_ZEL");
  m.FindService("PKD_ZEL")->Enabled = true;
  ASSERT_TRUE(m.InitDDEML());

  const std::vector<std::string> out = RunClient({
      "connect\tPKD_ZEL\tSystem",
      "request\tTopics",
      "request\tSysItems",
      "request\tFormats",
      "disconnect",
      "connect\tpkd_zel\tpkd",
      "request\tTopicItemList",
      "execute\t[Find_PKD(\"01.11.Z\",\"uprawa\")]",
      "request\tKOD",
      "request\tKOD\t13",
      "request\tNAZWA",
      "execute\t[Open_PKD(0,\"a\",\"b\")]",
      "execute\t[Open_PKD(x,a,b)]",
      "poke\tKOD\t99",
      "disconnect",
  });
  EXPECT_EQ((std::vector<std::string>{
                "connect PKD_ZEL/System = PKD_ZEL/System",
                "request Topics = PKD",
                "request SysItems = Status\tTopics\tFormats",
                "request Formats = Text",
                "disconnect = ok",
                "connect pkd_zel/pkd = PKD_ZEL/pkd",
                "request TopicItemList = KOD\tNAZWA\tOPIS",
                "execute = 0x8000",
                "request KOD = 01.11.Z",
                "request KOD = failed DMLERR_NOTPROCESSED",
                "request NAZWA = failed DMLERR_NOTPROCESSED",
                "execute = 0x0000",
                "execute = 0x0000",
                "poke KOD = 0x0000",
                "disconnect = ok",
            }),
            out);
  EXPECT_EQ("FIND_PKD/2 OPEN_PKD/3 ", executed);
  EXPECT_EQ(2, disconnects);
  EXPECT_EQ((std::vector<std::string>{"System", "pkd"}), closed);
  EXPECT_EQ(0, m.ConvCount());
  EXPECT_EQ(nullptr, m.FindService("PKD_ZEL")->FindTopic("PKD"));
  EXPECT_TRUE(m.TerminateDDEML());
}

TEST(ManagerOverDdeml, AdvisesALinkedClientWhenTheTextChangesAndRefusesWhileBusy) {
  TDDEMLManager m(nullptr, gPlatform);
  m.Scope = ddeServerOnly;
  m.ExecCmds().AddCmd("Set", "S");
  m.OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                               TDDEMLClipFmtType, uint16_t, bool& allow) { allow = true; };
  // The client asks for a change; the server makes it after answering, as a
  // program changes its data on its own. (Advise data that reaches Wine's
  // client while it waits for a synchronous transaction ends that wait as
  // failed, so the change is not made inside the execute.)
  std::vector<std::string> changes;
  m.OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                            const TParamArray& params, int, bool&) { changes.push_back(params[0]); };
  auto idle = [&] {
    for (const std::string& c : changes) {
      const bool status = c.rfind("status=", 0) == 0;
      m.SetItemText("DDETEST_ADV", status ? "System" : "T", status ? "Status" : "V", status ? c.substr(7) : c);
    }
    changes.clear();
  };
  m.AddService("DDETEST_ADV");
  m.FindService("DDETEST_ADV")->Enabled = true;
  ASSERT_TRUE(m.InitDDEML());
  const std::vector<std::string> out = RunClient(
      {
          "connect\tDDETEST_ADV\tT",
          "advstart\tV",
          "execute\t[Set(abc)]",
          "wait\t300",
          "execute\t[Set(ABC)]",
          "wait\t300",
          "execute\t[Set(xyz)]",
          "wait\t300",
          "advstop\tV",
          "execute\t[Set(after)]",
          "wait\t300",
          "execute\t[Set(status=bUsY)]",
          "wait\t300",
          "request\tV",
          "execute\t[Set(more)]",
          "poke\tV\t1",
          "disconnect",
      },
      idle);
  EXPECT_EQ((std::vector<std::string>{
                "connect DDETEST_ADV/T = DDETEST_ADV/T",
                "advstart V = ok",
                "execute = 0x8000",
                "advdata V = abc",
                "execute = 0x8000",  // only the case changed: no advise
                "execute = 0x8000",
                "advdata V = xyz",
                "advstop V = ok",
                "execute = 0x8000",
                "execute = 0x8000",
                "request V = failed DMLERR_NOTPROCESSED",
                "execute = 0x4000",
                "poke V = 0x4000",
                "disconnect = ok",
            }),
            out);
}

TEST(ManagerOverDdeml, RefusedConnectsAndWildConnects) {
  TDDEMLManager m(nullptr, gPlatform);
  m.Scope = ddeServerOnly;
  m.AllowNullService = m.AllowNullTopic = true;
  std::vector<std::string> asked;
  m.OnConnectReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t, bool& allow) {
    asked.push_back(s + "/" + t);
    allow = t != "Refused";
  };
  m.AddService("DDETEST_W");
  m.FindService("DDETEST_W")->Enabled = true;
  ASSERT_TRUE(m.InitDDEML());
  // A null name makes DDEML ask for a wild connect; without a handler of
  // its own, the manager offers the service's System topic when
  // OnConnectReceived allows it.
  const std::vector<std::string> out = RunClient({
      "connect\tDDETEST_W\tRefused",
      "connect\tDDETEST_W\tT",
      "connect\t-\t-",
      "connect\tddetest_w\t-",
      "connect\tNoSuchService\tT",
  });
  EXPECT_EQ((std::vector<std::string>{
                "connect DDETEST_W/Refused = failed",
                "connect DDETEST_W/T = DDETEST_W/T",
                "connect -/- = DDETEST_W/System",
                "connect ddetest_w/- = DDETEST_W/System",
                "connect NoSuchService/T = failed",
            }),
            out);
  EXPECT_EQ((std::vector<std::string>{"DDETEST_W/Refused", "DDETEST_W/T", "DDETEST_W/System", "DDETEST_W/System"}),
            asked);
}

TEST(ManagerOverDdeml, AHandlerThatEndsTheManagerInsideAnExecute) {
  TDDEMLManager m(nullptr, gPlatform);
  m.Scope = ddeServerOnly;
  m.ExecCmds().AddCmd("Stop", "");
  m.OnExecuteReceived = [](TDDEMLManager& x, const std::string&, const std::string&, const std::string&,
                           const TParamArray&, int, bool&) { x.TerminateDDEML(); };
  m.AddService("DDETEST_END");
  m.FindService("DDETEST_END")->Enabled = true;
  ASSERT_TRUE(m.InitDDEML());
  const std::vector<std::string> out = RunClient({
      "connect\tDDETEST_END\tT",
      "execute\t[Stop]",
      "connect\tDDETEST_END\tT",
  });
  // The instance goes once the server is back in its loop; the execute is
  // answered first.
  EXPECT_EQ((std::vector<std::string>{"connect DDETEST_END/T = DDETEST_END/T", "execute = 0x8000",
                                      "connect DDETEST_END/T = failed"}),
            out);
  EXPECT_FALSE(m.Initialized());
}

}  // namespace
}  // namespace dde
