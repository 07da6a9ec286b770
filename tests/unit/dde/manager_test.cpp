// The manager's core: initialisation, scope, settings, stored form,
// conversations and the callback's own rules.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "dde/host.h"
#include "dde/storedform.h"
#include "dde/trace.h"
#include "support/temp_dir.h"
#include "unit/dde/manager_fixture.h"

namespace ddetest {
namespace {

using namespace dde;

TEST_F(ManagerTest, InitialisationFailsWithItsCodes) {
  m->Scope = ddeNone;
  EXPECT_FALSE(m->InitDDEML());
  EXPECT_FALSE(m->Initialized());
  m->Scope = ddeServerOnly;
  fake.initializeResult = ddeml::kDmlErrDllNotInitialized;
  EXPECT_FALSE(m->InitDDEML());
  fake.initializeResult = 0;
  Serve();
  EXPECT_FALSE(m->InitDDEML());
  EXPECT_EQ((std::vector<int>{errNullScope, errDdeInitialize, errAlreadyInitialized}), m->Codes());
  EXPECT_EQ(std::set<std::string>{"PKD_ZEL"}, fake.RegisteredServices(m->InstanceId()));
}

TEST_F(ManagerTest, ScopeAndFiltersMakeTheInitialiseFlags) {
  struct TCase {
    TDDEMLScopeType scope;
    TDDEMLFailOptions fail;
    TDDEMLSkipOptions skip;
    uint32_t flags;
  } cases[] = {
      {ddeClientOnly, {}, {}, 0x10},
      {ddeServerOnly, {}, {}, 0x20},
      {ddeClientAndServer, {cbfFailPokes, cbfFailExecutes}, {}, 0x18000},
      {ddeServerOnly, {cbfFailAllSvrXActions}, {cbfSkipConnectConfirms, cbfSkipDisconnects}, 0x20 | 0x3F000 | 0x240000},
      {ddeClientOnly, {cbfFailSelfConnections}, {cbfSkipAllNotifications}, 0x10 | 0x1000 | 0x3C0000},
  };
  for (const TCase& c : cases) {
    TRecordingManager one(nullptr, fake);
    one.Scope = c.scope;
    one.FailOptions = c.fail;
    one.SkipOptions = c.skip;
    one.ExeNameAsService = false;
    one.InitDDEML();
    EXPECT_EQ(c.flags, fake.initializeCommands.back()) << c.scope;
  }
}

TEST_F(ManagerTest, ServerOperationsOfAClientRaiseTheScopeError) {
  m->Scope = ddeClientOnly;
  const std::string text = "Server related method called by Morvia component only set for CLIENT scope";
  const std::vector<std::function<void()>> calls = {
      [&] { m->AddService("S"); },
      [&] { m->AddExeNameService(); },
      [&] { m->SetupServices(); },
      [&] { m->ShutDownServices(); },
      [&] { m->SetItemText("S", "T", "I", "x"); },
      [&] { m->AddToTopicList("S", "T"); },
      [&] { m->ClearFormatList("S", ""); },
      [&] { m->AddWildConnectPair("S", "T"); },
  };
  for (std::size_t i = 0; i < calls.size(); ++i) {
    try {
      calls[i]();
      ADD_FAILURE() << "call " << i << " raised nothing";
    } catch (const EMorviaScopeError& e) {
      EXPECT_EQ(text, e.what()) << i;
    }
  }
  EXPECT_THROW(m->SetSharesList({"share"}), EMorviaScopeError);  // -44 unless NetworkDDE and serving
}

TEST_F(ManagerTest, ServerDataCallsRefuseNamesDdeCannotCarry) {
  Serve();
  TDDEMLService* svc = m->FindService("PKD_ZEL");
  m->AddToTopicList("PKD_ZEL", "PKD");
  m->AddToItemList("PKD_ZEL", "PKD", "KOD");
  const std::string topics = svc->ItemText(kSystemTopic, kItemTopics);
  const std::string items = svc->ItemText("PKD", kItemTopicItemList);
  const std::string tooLong(kMaxDdeNameLength + 1, 'x');
  const std::string withNul("P\0D", 3);
  for (const std::string& bad : {tooLong, withNul}) {
    const std::vector<std::function<void()>> calls = {
        [&] { m->AddToTopicList("PKD_ZEL", bad); },
        [&] { m->AddToItemList("PKD_ZEL", "PKD", bad); },
        [&] { m->AddToItemList("PKD_ZEL", bad, "KOD"); },
        [&] { m->ClearItemList("PKD_ZEL", bad); },
        [&] { m->AddToFormatList("PKD_ZEL", bad, cfText); },
        [&] { m->ClearFormatList("PKD_ZEL", bad); },
        [&] { m->SetItemText("PKD_ZEL", "PKD", bad, "x"); },
        [&] { m->SetItemText("PKD_ZEL", bad, "KOD", "x"); },
        [&] { m->SetItemData("PKD_ZEL", "PKD", bad, 0, kCfText); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_THROW(calls[i](), EMorviaError) << i << " " << bad.size();
  }
  EXPECT_EQ(topics, svc->ItemText(kSystemTopic, kItemTopics));
  EXPECT_EQ(items, svc->ItemText("PKD", kItemTopicItemList));
  EXPECT_EQ(nullptr, svc->FindTopic(tooLong));
  // The longest name DDE carries is listed as any other.
  const std::string longest(kMaxDdeNameLength, 'x');
  m->AddToTopicList("PKD_ZEL", longest);
  EXPECT_EQ(topics + "\t" + longest, svc->ItemText(kSystemTopic, kItemTopics));
}

TEST_F(ManagerTest, DefaultTimeOutIsHeldAsWholeMilliseconds) {
  const std::pair<double, uint32_t> cases[] = {{1.0, 1000}, {0.25, 250}, {0.0004, 0}, {0.0006, 1},
                                               {2.5e-3, 2},  {-3, 0},     {5e9, 4294967295u}};
  for (const auto& c : cases) {
    m->SetDefaultTimeOut(c.first);
    EXPECT_EQ(c.second, m->DefaultTimeOutMs()) << c.first;
  }
  m->SetDefaultTimeOut(1.0);
  EXPECT_DOUBLE_EQ(1.0, m->DefaultTimeOut());
  Serve();
  ASSERT_NE(0u, Connect());
  EXPECT_EQ(1000u, m->Conv(0)->TimeOut);  // what new conversations get
}

TEST_F(ManagerTest, ServiceNamedAfterTheProgramFile) {
  const std::pair<const char*, const char*> names[] = {{"C:\\Tools\\Picker.exe", "Picker"},
                                                       {"C:\\Tools\\my.app.exe", "my"},
                                                       {"C:\\A\\Picker.new.exe", "Picker"},
                                                       {"D:prog.exe", "prog"},
                                                       {"C:\\dir.x\\NoExt", "NoExt"},
                                                       {"plain", "plain"}};
  for (const auto& n : names) EXPECT_EQ(n.second, ExeServiceName(n.first)) << n.first;

  fake.host.programFileName = "C:\\A\\Picker.new.exe";
  ASSERT_TRUE(m->InitDDEML());
  ASSERT_EQ(1, m->Services().Count());
  EXPECT_TRUE(m->FindService("Picker")->Enabled);
  EXPECT_EQ(std::set<std::string>{"PICKER"}, fake.RegisteredServices(m->InstanceId()));
  // With a service of its own the manager adds none.
  TRecordingManager other(nullptr, fake);
  other.Scope = ddeServerOnly;
  other.AddService("PKD_ZEL");
  other.FindService("PKD_ZEL")->Enabled = true;
  EXPECT_TRUE(other.InitDDEML());
  EXPECT_EQ(1, other.Services().Count());
}

TEST_F(ManagerTest, NetworkDdeTakesTheComputerNameFromThePlatform) {
  fake.host.computerName = "BIURO-7";
  m->NetworkDDE = true;
  m->Loaded();
  EXPECT_EQ("BIURO-7", m->NetComputerName());
}

TEST_F(ManagerTest, OnlyOneManagerPerForm) {
  TComponent form(nullptr);
  TRecordingManager first(&form, fake);
  try {
    TRecordingManager second(&form, fake);
    ADD_FAILURE() << "a second manager joined the form";
  } catch (const text::Exception& e) {
    EXPECT_STREQ("Only one instance of TDDEMLManager is allowed per form", e.what());
  }
  EXPECT_EQ(1, form.ComponentCount());
  // The refused manager never became the thread's current one.
  EXPECT_EQ(&first, TDDEMLManager::CurrentManager());
}

TEST_F(ManagerTest, CallbackServesTheCurrentInitialisedManagerAndAnswersUnknownTypesWithZero) {
  EXPECT_EQ(0u, TDDEMLManager::CallBack(ddeml::kXtypConnect, 0, 0, 0, 0, 0, 0, 0));  // not initialised
  Serve();
  for (uint32_t type : {0u, 0x1234u, ddeml::kXtypMonitor})
    EXPECT_EQ(0u, fake.Call(type, 0, 0, fake.Hsz("PKD"), fake.Hsz("PKD_ZEL"), 0, 1, 1)) << type;
  EXPECT_EQ(m.get(), TDDEMLManager::CurrentManager());
  m.reset();
  EXPECT_EQ(nullptr, TDDEMLManager::CurrentManager());
}

TEST_F(ManagerTest, TerminateEndsConversationsUnregistersAndReleasesHandles) {
  Serve();
  THConv a = Connect(), b = Connect("Other");
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "x");
  const TInstanceId inst = m->InstanceId();
  EXPECT_TRUE(m->TerminateDDEML());
  EXPECT_FALSE(m->Initialized());
  EXPECT_EQ(0, m->ConvCount());
  EXPECT_EQ((std::vector<THConv>{a, b}), fake.disconnectCalls);
  EXPECT_TRUE(fake.RegisteredServices(inst).empty());
  EXPECT_FALSE(fake.IsInitialized(inst));
  EXPECT_EQ(0u, fake.LiveStringHandles());
  EXPECT_FALSE(m->TerminateDDEML());  // not initialised any more
  // A failing uninitialise reports -7 and leaves the manager uninitialised.
  ASSERT_TRUE(m->InitDDEML());
  fake.uninitializeResult = false;
  EXPECT_FALSE(m->TerminateDDEML());
  EXPECT_FALSE(m->Initialized());
  EXPECT_EQ(errDdeUninitialize, m->Codes().back());
  fake.uninitializeResult = true;
  fake.Uninitialize(fake.Instance());
}

TEST_F(ManagerTest, ConversationsAreNumberedAfterTheHighestLiveOne) {
  Serve();
  THConv c1 = Connect(), c2 = Connect(), c3 = Connect();
  ASSERT_EQ(3, m->ConvCount());
  EXPECT_EQ(1, m->FindConvByHandle(c1)->ConvId);
  fake.ClientDisconnect(c2);
  THConv c4 = Connect();
  EXPECT_EQ(4, m->FindConvByHandle(c4)->ConvId);  // 1 and 3 alive
  fake.ClientDisconnect(c4);
  fake.ClientDisconnect(c3);
  EXPECT_EQ(2, m->FindConvByHandle(Connect())->ConvId);
}

TEST_F(ManagerTest, EndingAConversationDdemlNoLongerKnows) {
  Serve();
  THConv gone = Connect(), kept = Connect();
  fake.ForgetConversation(gone);
  TDDEMLConversation* stale = m->FindConvByHandle(gone);
  ASSERT_NE(nullptr, stale);
  EXPECT_FALSE(stale->EndConversation());
  EXPECT_TRUE(fake.disconnectCalls.empty());
  EXPECT_EQ(0u, stale->Handle());
  EXPECT_TRUE(m->errors.empty());
  // A disconnect that fails reports -17 with the names.
  fake.disconnectResult = false;
  EXPECT_FALSE(m->FindConvByHandle(kept)->EndConversation());
  ASSERT_EQ(1u, m->errors.size());
  EXPECT_EQ(std::make_pair(int(errDdeDisconnect), std::string("PKD_ZEL/PKD")), m->errors[0]);
  fake.disconnectResult = true;
}

TEST_F(ManagerTest, AConversationWithoutConfirmIsAdoptedByItsNames) {
  m->SkipOptions = {cbfSkipConnectConfirms};
  Serve();
  // DDEML skipped the confirm: the record waits without a handle.
  ASSERT_EQ(1u, fake.Call(ddeml::kXtypConnect, 0, 0, fake.Hsz("PKD"), fake.Hsz("PKD_ZEL"), 0));
  ASSERT_EQ(1, m->ConvCount());
  EXPECT_EQ(0u, m->Conv(0)->Handle());
  fake.AddConversation(0x77, "PKD_ZEL", "PKD_ZEL", "pkd");
  EXPECT_EQ(m->Conv(0), m->FindConvByHandle(0x77));
  EXPECT_EQ(0x77u, m->Conv(0)->Handle());
  EXPECT_EQ(nullptr, m->FindConvByHandle(0x78));
}

TEST_F(ManagerTest, TraceLinesOfTheSinkAndTheCallbackAndAnUnwritableLog) {
  testing_support::TempDir dir;
  const std::string log = dir.File("m.log");
  m->DebugFileName = log;
  m->SetDebugState(dbFile);
  Serve();
  fake.lastError = ddeml::kDmlErrNotProcessed;
  EXPECT_FALSE(m->SetError(errConvNotFound, "PKD_ZEL/PKD"));
  EXPECT_TRUE(m->SetError(errOk));
  fake.Call(0x1234, XlTableFormat(), 7, fake.Hsz("PKD"), 0, 0, 5, 6);
  const std::string text = testing_support::ReadAll(log);
  EXPECT_NE(std::string::npos, text.find("CallBack start ...\r\n"
                                         "      MsgType = Unknown (4660)\r\n"
                                         "      Format  = " + std::to_string(XlTableFormat()) + " (XlTable)\r\n"
                                         "      ConvH   = 7\r\n"
                                         "      Atom1   = PKD\r\n"
                                         "      Atom2   = \r\n"
                                         "      ALong1  = 5\r\n"
                                         "      ALong2  = 6\r\n"
                                         "CallBack end\r\n"))
      << text;
  EXPECT_NE(std::string::npos, text.find("TDDEMLManager : InitDDEML : start  ....\r\n"
                                         "TDDEMLManager : InitDDEML : Calling DdeInitialize\r\n"
                                         "TDDEMLManager : SetupServices - start\r\n"));
  EXPECT_NE(std::string::npos, text.find("   SetError : \r\n"
                                         "         Mngr Error  = Cannot find conversation object on mngr list\r\n"
                                         "         DDEML Error = DMLERR_NOTPROCESSED\r\n"
                                         "         Message     = PKD_ZEL/PKD\r\n"));
  // A log that cannot be written: the sink goes on and keeps the failure.
  m->DebugFileName = dir.File("no/such/folder/m.log");
  m->SetDebugState(dbFile);
  EXPECT_NO_THROW(m->SetError(errExecCmd, "x"));
  EXPECT_EQ(1, m->TraceFailureCount());
  EXPECT_NE(std::string::npos, m->LastTraceFailure().find("m.log"));
  // Inside the callback a trace that fails is kept the same way and changes
  // no answer: the connect is accepted, and no error is reported for it.
  std::vector<std::string> reported;
  m->OnError = [&](TDDEMLManager&, int, const std::string& msg) { reported.push_back(msg); };
  EXPECT_NE(0u, fake.ClientConnect("PKD_ZEL", "PKD"));
  EXPECT_TRUE(reported.empty());
  EXPECT_LT(1, m->TraceFailureCount());
  m->SetDebugState(dbNone);
}

TEST_F(ManagerTest, StoredFormConfiguresTheManagerBeforeItLoads) {
  m.reset();
  TComponent form(nullptr);
  TRecordingManager loaded(&form, fake);
  loaded.ReadStoredForm(
      "object DDEMan1: TDDEMLManager\r\n"
      "  AllowNullTopic = True\r\n"
      "  CmdFirstCh = '<'\r\n"
      "  DebugFileName = 'C:\\PKD_ZEL_DDE.LOG'\r\n"
      "  DefaultTimeOut = 1.000000000000000000\r\n"
      "  ExecCmds.CmdList = (\r\n"
      "    True\r\n"
      "    'NSS'\r\n"
      "    'Open_PKD')\r\n"
      "  FormatConflict = fctNullResponse\r\n"
      "  Scope = ddeServerOnly\r\n"
      "  Services.ServicesList = ('PKD_ZEL' True 0)\r\n"
      "  SkipOptions = [cbfSkipRegistrations, cbfSkipUnregistrations]\r\n"
      "  OnExecuteReceived = DDEMan1ExecuteReceived\r\n"
      "  Left = 8\r\n"
      "end\r\n");
  EXPECT_EQ("DDEMan1", loaded.Name);
  EXPECT_FALSE(loaded.Loading());
  EXPECT_TRUE(loaded.AllowNullTopic && !loaded.AllowNullService);
  EXPECT_EQ('<', loaded.CmdFirstCh());
  EXPECT_EQ("C:\\PKD_ZEL_DDE.LOG", loaded.DebugFileName);
  EXPECT_EQ(1000u, loaded.DefaultTimeOutMs());
  EXPECT_EQ("NSS", loaded.ExecCmds().FindCmd("open_pkd")->Params);
  EXPECT_EQ(fctNullResponse, loaded.FormatConflict);
  EXPECT_EQ(ddeServerOnly, loaded.Scope);
  EXPECT_TRUE(loaded.FindService("PKD_ZEL")->Enabled);
  EXPECT_EQ(0x180000u, SkipFlags(loaded.SkipOptions));
  EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"OnExecuteReceived", "DDEMan1ExecuteReceived"}}),
            loaded.StoredEvents());
  EXPECT_FALSE(loaded.Initialized());  // AutoInit stays off
  for (const char* bad : {"Scope = ddeEverything", "NoSuchProperty = 1", "CmdLastCh = 'ab'", "AutoInit = 1",
                          "ExecCmds.CmdList = (True 'S'"})
    EXPECT_THROW(loaded.ReadStoredForm(bad), EStoredFormError) << bad;
  loaded.ReadStoredForm("AutoInit = True");  // initialises when loading ends
  EXPECT_TRUE(loaded.Initialized());
}

// Services read from a stored form while the manager serves: the
// conversations on the old services end first, the old names are
// unregistered and the new ones registered (before, the conversation kept
// pointing into freed services).
TEST_F(ManagerTest, StoredServicesReplacedWhileServing) {
  Serve();
  THConv conv = Connect();
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "x");
  m->ReadStoredForm("Services.ServicesList = ('OTHER' True 0)");
  EXPECT_EQ(0, m->ConvCount());
  EXPECT_EQ(std::vector<THConv>{conv}, fake.disconnectCalls);
  EXPECT_EQ(std::set<std::string>{"OTHER"}, fake.RegisteredServices(m->InstanceId()));
  EXPECT_NE(0u, fake.ClientConnect("OTHER", "PKD"));
}

// Stored event names bind by a typed table: a handler serves every event of
// its signature it is named for; a handler not offered, one of another
// signature or an event of the client role bind nothing at all.
TEST_F(ManagerTest, StoredEventsBindToOfferedHandlersOfTheirSignature) {
  std::vector<std::string> calls;
  const std::vector<TStoredHandler> offered = {
      StoredHandler("Exec", TDDEMLExecuteEvent([&](auto&&...) { calls.push_back("exec"); })),
      StoredHandler("Names", TDDEMLSTEvent([&](TDDEMLManager&, const std::string&, const std::string& t) {
                      calls.push_back(t);
                    })),
  };
  m->ReadStoredForm("OnExecuteReceived = Exec\r\nOnTopicOpened = names\r\nondisconnecting = Names\r\n");
  m->BindStoredEvents(offered);
  ASSERT_TRUE(m->OnExecuteReceived && m->OnTopicOpened && m->OnDisconnecting);
  m->OnDisconnecting(*m, "PKD_ZEL", "closing");
  m->OnTopicOpened(*m, "PKD_ZEL", "opened");
  EXPECT_EQ((std::vector<std::string>{"closing", "opened"}), calls);
  for (const char* bad : {"OnTopicOpened = Missing", "OnTopicOpened = Names\r\nOnTopicClosed = Exec",
                          "OnTopicOpened = Names\r\nOnHotLinkResponse = Names"}) {
    m = std::make_unique<TRecordingManager>(nullptr, fake);
    m->ReadStoredForm(bad);
    EXPECT_THROW(m->BindStoredEvents(offered), EStoredFormError) << bad;
    EXPECT_FALSE(m->OnTopicOpened) << bad;
  }
}

// A stored service without a name has no string handle: it is refused, and
// DDEML never sees a null name (which would stand for all the instance's).
TEST_F(ManagerTest, AServiceWithoutANameIsNeverRegistered) {
  m->ReadStoredForm("Services.ServicesList = ('' True 0)");
  EXPECT_FALSE(m->InitDDEML());
  EXPECT_EQ(std::vector<int>{errNameServiceRegister}, m->Codes());
  EXPECT_TRUE(fake.nameServiceCalls.empty());
  EXPECT_TRUE(m->TerminateDDEML());
}

}  // namespace
}  // namespace ddetest
