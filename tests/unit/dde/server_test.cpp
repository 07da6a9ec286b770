// Server transactions as DDEML drives them: connects, the System topic,
// requests, pokes, executes, advise links, disconnects, and handlers that
// fail or end the manager.
#include <gtest/gtest.h>

#include <stdexcept>

#include "unit/dde/manager_fixture.h"

namespace ddetest {
namespace {

using namespace dde;

constexpr uint32_t kText = 1;

// The text a CF_TEXT reply carries.
std::string Reply(const TFakePlatform& fake) {
  const std::string& r = fake.LastReply();
  return r.substr(0, r.find('\0'));
}

class ServerTest : public ManagerTest {
 protected:
  ServerTest() {
    m->ExecCmds().AddCmd("Open_PKD", "NSS");
    m->ExecCmds().AddCmd("Find_PKD", "SS");
  }
  uint32_t Execute(THConv conv, const std::string& command) { return fake.ClientExecute(conv, command); }
};

TEST_F(ServerTest, ConnectRulesForNamesAndNullNames) {
  struct TCase {
    const char* service;
    const char* topic;
    bool nullService, nullTopic;
    bool accepted;
    int code;  // 1: none
    const char* convNames;
  } cases[] = {
      {"pkd_zel", "PKD", false, false, true, 1, "PKD_ZEL/PKD"},
      {"Unknown", "PKD", true, true, false, errUnknownServiceConnect, ""},
      {"PKD_ZEL", "", false, false, false, errNullTopicConnect, ""},
      {"PKD_ZEL", "", false, true, true, 1, "PKD_ZEL/System"},
      {"", "PKD", false, true, false, errNullServiceConnect, ""},
      {"", "PKD", true, false, true, 1, "A_FIRST/PKD"},
      {"", "", true, false, false, errNullTopicConnect, ""},
      {"", "", true, true, true, 1, "A_FIRST/System"},
  };
  m->AddService("A_FIRST");  // first in name order, though not registered
  Serve();
  for (const TCase& c : cases) {
    m->AllowNullService = c.nullService;
    m->AllowNullTopic = c.nullTopic;
    m->errors.clear();
    const int before = m->ConvCount();
    const THData r = fake.Call(ddeml::kXtypConnect, 0, 0, fake.Hsz(c.topic), fake.Hsz(c.service), 0);
    EXPECT_EQ(c.accepted ? 1u : 0u, r) << c.service << "/" << c.topic;
    if (c.code != 1) {
      EXPECT_EQ(std::vector<int>{c.code}, m->Codes()) << c.service << "/" << c.topic;
    }
    if (c.accepted) {
      ASSERT_EQ(before + 1, m->ConvCount());
      TDDEMLConversation* conv = m->Conv(before);
      EXPECT_EQ(c.convNames, conv->ServiceName() + "/" + conv->TopicName());
    }
  }
  m->errors.clear();
  fake.ClientConnect("Unknown", "PKD");
  EXPECT_EQ(std::make_pair(int(errUnknownServiceConnect), std::string("Service : Unknown - not supported")),
            m->errors.at(0));
}

TEST_F(ServerTest, TopicIsOpenedOnDemandAndClosedWithItsLastConversation) {
  std::vector<std::string> events;
  m->OnTopicOpened = [&](TDDEMLManager&, const std::string& s, const std::string& t) { events.push_back("open " + s + "/" + t); };
  m->OnTopicClosed = [&](TDDEMLManager&, const std::string& s, const std::string& t) { events.push_back("close " + s + "/" + t); };
  m->OnDisconnecting = [&](TDDEMLManager&, const std::string& s, const std::string& t) { events.push_back("bye " + s + "/" + t); };
  Serve();
  THConv a = Connect("NewTopic"), b = Connect("newtopic");
  ASSERT_NE(0u, b);
  EXPECT_NE(nullptr, m->FindService("PKD_ZEL")->FindTopic("NEWTOPIC"));
  fake.ClientDisconnect(a);
  EXPECT_NE(nullptr, m->FindService("PKD_ZEL")->FindTopic("NEWTOPIC"));
  fake.ClientDisconnect(b);
  EXPECT_EQ(nullptr, m->FindService("PKD_ZEL")->FindTopic("NEWTOPIC"));
  EXPECT_EQ((std::vector<std::string>{"open PKD_ZEL/NewTopic", "bye PKD_ZEL/NewTopic", "bye PKD_ZEL/NewTopic",
                                      "close PKD_ZEL/NewTopic"}),
            events);
  EXPECT_EQ(0, m->ConvCount());
}

TEST_F(ServerTest, ConnectEventOnlyForTheFirstConversationOfAPair) {
  int asked = 0;
  bool answer = false;
  m->OnConnectReceived = [&](TDDEMLManager&, const std::string&, const std::string&, bool& allow) {
    ++asked;
    EXPECT_FALSE(allow);
    allow = answer;
  };
  Serve();
  EXPECT_EQ(0u, Connect());  // left unanswered: refused
  ASSERT_EQ(1u, m->errors.size());
  EXPECT_EQ(std::make_pair(int(errTopicRejected), std::string("PKD_ZEL/PKD")), m->errors[0]);
  answer = true;
  EXPECT_NE(0u, Connect());
  answer = false;
  EXPECT_NE(0u, Connect());  // the pair has a conversation: not asked again
  EXPECT_EQ(2, asked);
  m->OneConvPerTopic = true;
  EXPECT_EQ(0u, Connect());
  EXPECT_EQ(2, asked);
  EXPECT_EQ(1u, m->errors.size());  // a refusal by OneConvPerTopic is no error
}

TEST_F(ServerTest, ConfirmWithoutAWaitingConversationIsReported) {
  Serve();
  fake.Call(ddeml::kXtypConnectConfirm, 0, 0x99, fake.Hsz("PKD"), fake.Hsz("PKD_ZEL"), 0);
  ASSERT_EQ(1u, m->errors.size());
  EXPECT_EQ(std::make_pair(int(errConvNotFound), std::string("PKD_ZEL/PKD")), m->errors[0]);
}

TEST_F(ServerTest, WildConnectWithAndWithoutHandlers) {
  m->AllowNullService = m->AllowNullTopic = true;
  Serve();
  // Neither handler: no pair, reply 0.
  EXPECT_TRUE(fake.ClientWildConnect("", "").empty());
  EXPECT_EQ(0u, fake.LastReplyHandle());
  // OnConnectReceived decides the service's System topic.
  std::string asked;
  m->OnConnectReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t, bool& allow) {
    asked = s + "/" + t;
    allow = true;
  };
  std::vector<THConv> convs = fake.ClientWildConnect("", "");
  EXPECT_EQ("PKD_ZEL/System", asked);
  ASSERT_EQ(1u, convs.size());
  EXPECT_EQ(m->FindConvByHandle(convs[0])->TopicName(), "System");
  // OnWildConnectReceived offers its own pairs; unknown services, empty
  // topics and repeated pairs are left out.
  int opened = 0;
  m->OnTopicOpened = [&](TDDEMLManager&, const std::string&, const std::string&) { ++opened; };
  m->OnWildConnectReceived = [&](TDDEMLManager& mgr, const std::string& s, const std::string& t) {
    EXPECT_EQ("PKD_ZEL/", s + "/" + t);
    mgr.AddWildConnectPair("PKD_ZEL", "PKD");
    mgr.AddWildConnectPair("pkd_zel", "pkd");
    mgr.AddWildConnectPair("Unknown", "X");
    mgr.AddWildConnectPair("PKD_ZEL", "");
    mgr.AddWildConnectPair("PKD_ZEL", "Other");
  };
  convs = fake.ClientWildConnect("PKD_ZEL", "");
  ASSERT_EQ(2u, convs.size());
  EXPECT_EQ(2, opened);
  EXPECT_EQ("PKD", m->FindConvByHandle(convs[0])->TopicName());
  EXPECT_EQ("Other", m->FindConvByHandle(convs[1])->TopicName());
  EXPECT_EQ(0, m->WildConnectPairCount());
  // A null service that is not allowed, or an unknown one: nothing.
  m->AllowNullService = false;
  EXPECT_TRUE(fake.ClientWildConnect("", "PKD").empty());
  EXPECT_TRUE(fake.ClientWildConnect("Unknown", "PKD").empty());
  EXPECT_EQ(3, m->ConvCount());
}

// The picker's handlers for the lists.
void PickerLists(TDDEMLManager& mgr) {
  mgr.OnTopicReceived = [](TDDEMLManager& x, const std::string& s) {
    x.ClearTopicList(s);
    x.AddToTopicList(s, "PKD");
  };
  mgr.OnFormatReceived = [](TDDEMLManager& x, const std::string& s) {
    x.ClearFormatList(s, "");
    x.AddToFormatList(s, "", cfText);
  };
  mgr.OnItemReceived = [](TDDEMLManager& x, const std::string& s, const std::string& t) {
    x.ClearItemList(s, t);
    for (const char* item : {"KOD", "NAZWA", "OPIS"}) x.AddToItemList(s, t, item);
  };
}

TEST_F(ServerTest, SystemTopicAndTopicListsAnswerThemselves) {
  PickerLists(*m);
  Serve();
  THConv sys = Connect("System"), pkd = Connect("PKD");
  const std::pair<THConv, const char*> asks[][2] = {
      {{sys, "SysItems"}, {sys, "Status\tTopics\tFormats"}},
      {{sys, "topicitemlist"}, {sys, "Status\tTopics\tFormats"}},
      {{sys, "Topics"}, {sys, "PKD"}},
      {{sys, "Formats"}, {sys, "Text"}},
      {{pkd, "TopicItemList"}, {pkd, "KOD\tNAZWA\tOPIS"}},
  };
  for (int round = 0; round < 2; ++round)  // asked twice, the lists are rebuilt, not appended
    for (const auto& a : asks) {
      ASSERT_NE(0u, fake.ClientRequest(a[0].first, a[0].second)) << a[0].second;
      EXPECT_EQ(a[1].second, Reply(fake)) << a[0].second;
    }
  // Lists nobody keeps, and a Status nobody set, give no data.
  EXPECT_EQ(0u, fake.ClientRequest(sys, "Help"));
  EXPECT_EQ(0u, fake.ClientRequest(sys, "Status"));
  EXPECT_EQ(0u, fake.ClientRequest(pkd, "Formats"));
}

TEST_F(ServerTest, ItemRequestsAskTheHandlerFirst) {
  std::string seen;
  m->OnRequestReceived = [&](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                             int32_t user, TDDEMLClipFmtType type, uint16_t number, bool& valid) {
    seen = s + "/" + t + "/" + i + " " + std::to_string(user) + " " + std::to_string(type) + " " + std::to_string(number);
    EXPECT_TRUE(valid);
    valid = i == "KOD";
    if (valid) x.SetItemText(s, t, i, "01.11.Z");
  };
  Serve();
  THConv conv = Connect();
  ASSERT_NE(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ("01.11.Z", Reply(fake));
  EXPECT_EQ("PKD_ZEL/PKD/KOD 0 1 1", seen);
  EXPECT_EQ(0u, fake.ClientRequest(conv, "OPIS"));
  // Without keeping the data, what was returned is cleared.
  m->OnRequestReceived = nullptr;
  m->StoreServerItemData = false;
  ASSERT_NE(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ("01.11.Z", Reply(fake));
  ASSERT_NE(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ("", Reply(fake));
}

TEST_F(ServerTest, FormatConflictsUnderEachSetting) {
  std::vector<std::string> reported;
  m->OnError = [&](TDDEMLManager&, int code, const std::string& msg) {
    reported.push_back(std::to_string(code) + " " + msg);
  };
  m->OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                                TDDEMLClipFmtType, uint16_t, bool& allow) { allow = true; };
  Serve();
  const uint32_t xl = XlTableFormat();
  THConv conv = Connect();
  ASSERT_TRUE(fake.ClientAdviseStart(conv, "R1C1", xl));
  struct TCase {
    TDDEMLFormatConflictType setting;
    bool adviseData;
    const char* report;
  } cases[] = {
      {fctNullResponse, false, ""},
      {fctIgnore, true, ""},
      {fctException, false, "XTypAdvReq - incorrect data format being returned. Client requested XlTable, server is returning Text"},
  };
  int n = 0;
  for (const TCase& c : cases) {
    m->FormatConflict = c.setting;
    reported.clear();
    fake.delivered.clear();
    m->SetItemText("PKD_ZEL", "PKD", "R1C1", std::to_string(++n) + ".5");
    ASSERT_EQ(1u, fake.delivered.size());
    EXPECT_EQ(c.adviseData, fake.delivered[0].data) << c.setting;
    if (c.adviseData) {  // text written as an XlTable cell: table record, then a float
      EXPECT_EQ(std::string("\x01\x00\x08\x00", 4), fake.delivered[0].bytes.substr(8, 4));
    }
    // A request in another format than the item's is never answered.
    EXPECT_EQ(0u, fake.ClientRequest(conv, "R1C1", xl)) << c.setting;
    if (c.setting == fctException) {
      ASSERT_EQ(2u, reported.size());
      EXPECT_EQ(std::string("0 ") + c.report, reported[0]);
      EXPECT_EQ("0 XTypRequest - incorrect data format being returned. Client requested XlTable, server is returning Text",
                reported[1]);
    } else {
      EXPECT_TRUE(reported.empty()) << reported.front();
    }
  }
}

TEST_F(ServerTest, BusyServiceRefusesInAnyLetterCase) {
  bool allowed = false;
  m->OnAdviseStartReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                                 TDDEMLClipFmtType, uint16_t, bool& allow) { allow = allowed = true; };
  m->OnExecuteReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                            const TParamArray&, int, bool&) { ADD_FAILURE() << "executed while busy"; };
  Serve();
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "x");
  THConv conv = Connect();
  for (const char* busy : {"BUSY", "busy", "bUsY"}) {
    m->SetItemText("PKD_ZEL", "System", "Status", busy);
    EXPECT_EQ(0u, fake.ClientRequest(conv, "KOD")) << busy;
    EXPECT_EQ(ddeml::kDdeFBusy, fake.ClientPoke(conv, "KOD", "y")) << busy;
    EXPECT_EQ(ddeml::kDdeFBusy, Execute(conv, "[Find_PKD(a,b)]")) << busy;
    EXPECT_FALSE(fake.ClientAdviseStart(conv, "KOD")) << busy;
  }
  EXPECT_FALSE(allowed);
  m->SetItemText("PKD_ZEL", "System", "Status", "Busy now");
  EXPECT_NE(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ("x", Reply(fake));
}

TEST_F(ServerTest, ExecuteRaisesOneEventPerCommandWhileItSucceeds) {
  std::vector<std::string> seen;
  bool failFirst = false;
  m->OnExecuteReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t, const std::string& cmd,
                             const TParamArray& params, int count, bool& succeed) {
    EXPECT_TRUE(succeed);
    std::string line = s + "/" + t + " " + cmd + "(";
    for (int i = 0; i < count; ++i) line += (i ? "," : "") + params[static_cast<std::size_t>(i)];
    seen.push_back(line + ")");
    if (failFirst) succeed = false;
  };
  Serve();
  THConv conv = Connect();
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "[Find_PKD(\"01\",\"x y\")][Open_PKD(0,a,b)]"));
  EXPECT_EQ((std::vector<std::string>{"PKD_ZEL/PKD FIND_PKD(\"01\",\"x y\")", "PKD_ZEL/PKD OPEN_PKD(0,a,b)"}), seen);
  // An invalid string raises nothing.
  seen.clear();
  for (const char* bad : {"[Find_PKD(a,b)] ", "[Open_PKD(x,a,b)]", "[Nope]", "", "[Open_PKD()]"})
    EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, bad)) << bad;
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(m->errors.empty());
  // The first of two commands fails: one event, not processed, -34.
  failFirst = true;
  EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, "[Find_PKD(a,b)][Open_PKD(1,c,d)]"));
  EXPECT_EQ(1u, seen.size());
  ASSERT_EQ(1u, m->errors.size());
  EXPECT_EQ(std::make_pair(int(errExecCmd), std::string("PKD_ZEL/PKD : Cmd = FIND_PKD")), m->errors[0]);
  // No conversation with that handle.
  EXPECT_EQ(0u, fake.Call(ddeml::kXtypExecute, 0, 0x4242, fake.Hsz("PKD"), 0, 0));
  EXPECT_EQ(std::make_pair(int(errConvNotFound), std::string("ConvObj not found with this handle")), m->errors.back());
}

TEST_F(ServerTest, AllTwentyOneParameterSlotsReachTheHandler) {
  m->ExecCmds().AddCmd("Many", std::string(21, 'S'));
  int count = 0;
  std::string last;
  m->OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                             const TParamArray& params, int n, bool&) {
    count = n;
    last = params[20];
  };
  Serve();
  std::string cmd = "[Many(";
  for (int i = 0; i < 21; ++i) cmd += (i ? "," : "") + std::to_string(i);
  EXPECT_EQ(ddeml::kDdeFAck, Execute(Connect(), cmd + ")]"));
  EXPECT_EQ(21, count);
  EXPECT_EQ("20", last);
}

TEST_F(ServerTest, RawExecuteDecidesAloneUnlessItProceeds) {
  int parsed = 0;
  bool proceed = false, succeed = true;
  std::string raw;
  m->OnRawExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const char* buffer,
                                uint16_t length, bool& s, bool& p) {
    raw.assign(buffer, length);
    EXPECT_TRUE(s);
    EXPECT_FALSE(p);
    s = succeed;
    p = proceed;
  };
  m->OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                             const TParamArray&, int, bool&) { ++parsed; };
  Serve();
  THConv conv = Connect();
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "anything at all"));
  EXPECT_EQ("anything at all", raw);
  succeed = false;
  EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, "[Find_PKD(a,b)]"));
  EXPECT_EQ(0, parsed);
  proceed = true;  // the parsed commands run and decide
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "[Find_PKD(a,b)]"));
  EXPECT_EQ(1, parsed);
  succeed = true;
  EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, "not a command"));
}

TEST_F(ServerTest, PokeStoresTheDataAndTheHandlerAcknowledges) {
  Serve();
  THConv conv = Connect();
  EXPECT_EQ(ddeml::kDdeFNotProcessed, fake.ClientPoke(conv, "KOD", "01.11.Z"));
  EXPECT_EQ("01.11.Z", m->FindService("PKD_ZEL")->ItemText("PKD", "KOD"));  // stored all the same
  std::string seen;
  m->OnPokeReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t, const std::string& i, int32_t,
                          bool& allow) {
    seen = s + "/" + t + "/" + i;
    EXPECT_TRUE(allow);
  };
  EXPECT_EQ(ddeml::kDdeFAck, fake.ClientPoke(conv, "Nowy", std::string("abc\0junk", 8)));
  EXPECT_EQ("PKD_ZEL/PKD/Nowy", seen);
  EXPECT_EQ("abc", m->FindService("PKD_ZEL")->ItemText("PKD", "nowy"));
}

TEST_F(ServerTest, AdviseLinksPostChangedTextsToTheLinkedClients) {
  Serve();
  THConv a = Connect(), b = Connect();
  EXPECT_FALSE(fake.ClientAdviseStart(a, "KOD"));  // no handler: refused, without an error
  EXPECT_TRUE(m->errors.empty());
  bool allow = false;
  m->OnAdviseStartReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                                 TDDEMLClipFmtType, uint16_t, bool& answer) {
    EXPECT_FALSE(answer);
    answer = allow;
  };
  EXPECT_FALSE(fake.ClientAdviseStart(a, "KOD"));
  EXPECT_EQ(std::make_pair(int(errAdviseStartRefused), std::string("PKD_ZEL/PKD/KOD")), m->errors.back());
  allow = true;
  ASSERT_TRUE(fake.ClientAdviseStart(a, "KOD"));
  ASSERT_TRUE(fake.ClientAdviseStart(b, "KOD"));

  m->SetItemText("PKD_ZEL", "PKD", "KOD", "abc");
  ASSERT_EQ(2u, fake.delivered.size());
  EXPECT_EQ(std::string("abc\0", 4), fake.delivered[0].bytes);
  EXPECT_EQ(std::string("abc\0", 4), fake.delivered[1].bytes);
  // The link still waited for gets a handle the server keeps; the last one
  // a handle DDEML frees, and the kept one is freed then.
  EXPECT_TRUE(fake.delivered[0].owned);
  EXPECT_FALSE(fake.delivered[1].owned);
  EXPECT_EQ(0u, fake.LiveOwnedDataHandles());
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "ABC");  // only the case changed: no advise
  EXPECT_EQ(2u, fake.delivered.size());
  m->SetCompareServerItemData(false);
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "ABC");
  EXPECT_EQ(4u, fake.delivered.size());
  m->SetCompareServerItemData(true);

  std::vector<std::string> stopped;
  m->OnAdviseStopReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string& i,
                                int32_t) { stopped.push_back(i); };
  fake.ClientAdviseStop(a, "KOD");
  EXPECT_TRUE(stopped.empty());  // b still holds a link
  fake.ClientAdviseStop(b, "KOD");
  EXPECT_EQ(std::vector<std::string>{"KOD"}, stopped);
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "new");
  EXPECT_EQ(4u, fake.delivered.size());
}

// A request handler that changes an advised item: DDEML asks for the new
// data inside the request, and both clients get theirs.
TEST_F(ServerTest, AdviseRequestedWhileARequestIsAnswered) {
  m->OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                                TDDEMLClipFmtType, uint16_t, bool& allow) { allow = true; };
  m->OnRequestReceived = [](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                            int32_t, TDDEMLClipFmtType, uint16_t, bool&) { x.SetItemText(s, t, i, "fresh"); };
  Serve();
  THConv watcher = Connect(), asker = Connect();
  ASSERT_TRUE(fake.ClientAdviseStart(watcher, "NAZWA"));
  ASSERT_NE(0u, fake.ClientRequest(asker, "NAZWA"));
  EXPECT_EQ("fresh", Reply(fake));
  ASSERT_EQ(1u, fake.delivered.size());
  EXPECT_EQ(watcher, fake.delivered[0].conv);
  EXPECT_EQ(std::string("fresh\0", 6), fake.delivered[0].bytes);
}

TEST_F(ServerTest, HandlerFailuresNeverLeaveTheCallback) {
  std::vector<int> reported;
  m->OnError = [&](TDDEMLManager&, int code, const std::string&) { reported.push_back(code); };
  m->OnRequestReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                            TDDEMLClipFmtType, uint16_t, bool&) { throw std::runtime_error("handler failed"); };
  m->OnExecuteReceived = [](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                            const TParamArray&, int, bool&) { throw 42; };
  m->OnConnectReceived = [](TDDEMLManager&, const std::string&, const std::string& t, bool& allow) {
    allow = true;
    if (t == "Bad") throw std::runtime_error("no");
  };
  Serve();
  THConv conv = Connect();
  EXPECT_EQ(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, "[Find_PKD(a,b)]"));
  EXPECT_EQ(0u, Connect("Bad"));
  EXPECT_EQ((std::vector<int>{errFalse, errFalse, errFalse}), reported);
  EXPECT_EQ(std::make_pair(int(errFalse), std::string("handler failed")), m->errors[0]);
  // The error event itself may fail too.
  m->OnError = [](TDDEMLManager&, int, const std::string&) { throw std::runtime_error("again"); };
  EXPECT_EQ(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ(1, m->ConvCount());
}

TEST_F(ServerTest, HandlersThatEndTheManagerInsideATransaction) {
  // Terminated from inside an execute: the client still gets its answer,
  // and DDEML's instance goes only once the thread is back in its loop.
  m->OnExecuteReceived = [&](TDDEMLManager& x, const std::string&, const std::string&, const std::string&,
                             const TParamArray&, int, bool&) { x.TerminateDDEML(); };
  Serve();
  const TInstanceId first = m->InstanceId();
  THConv conv = Connect();
  fake.nameServiceCalls.clear();
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "[Find_PKD(a,b)][Open_PKD(1,a,b)]"));
  EXPECT_FALSE(m->Initialized());
  EXPECT_EQ(0, m->ConvCount());
  EXPECT_TRUE(fake.nameServiceCalls.empty());
  EXPECT_TRUE(fake.IsInitialized(first));
  fake.RunIdle();
  EXPECT_FALSE(fake.IsInitialized(first));

  // Freed from inside a disconnect, a request and a connect.
  const std::function<void()> uses[] = {
      [&] {
        m->OnDisconnecting = [&](TDDEMLManager&, const std::string&, const std::string&) { m.reset(); };
        fake.ClientDisconnect(Connect());
      },
      [&] {
        m->OnRequestReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&,
                                   int32_t, TDDEMLClipFmtType, uint16_t, bool&) { m.reset(); };
        EXPECT_EQ(0u, fake.ClientRequest(Connect(), "KOD"));
      },
      [&] {
        m->OnTopicOpened = [&](TDDEMLManager&, const std::string&, const std::string&) { m.reset(); };
        EXPECT_EQ(0u, Connect("Fresh"));
      },
  };
  for (const auto& use : uses) {
    m = std::make_unique<TRecordingManager>(nullptr, fake);
    m->Scope = ddeServerOnly;
    Serve();
    use();
    EXPECT_EQ(nullptr, m.get());
    EXPECT_EQ(nullptr, TDDEMLManager::CurrentManager());
    EXPECT_EQ(1u, fake.PendingLater());
    fake.RunIdle();
  }
}

TEST_F(ServerTest, RegistrationsAndErrorsReachTheirEvents) {
  std::vector<std::string> seen;
  m->OnServiceRegistered = [&](TDDEMLManager&, const std::string& base, const std::string& inst) {
    seen.push_back("+" + base + " " + inst);
  };
  m->OnServiceUnregistered = [&](TDDEMLManager&, const std::string& base, const std::string&) { seen.push_back("-" + base); };
  m->OnError = [&](TDDEMLManager&, int code, const std::string& msg) { seen.push_back(std::to_string(code) + " " + msg); };
  Serve();
  fake.Call(ddeml::kXtypRegister, 0, 0, fake.Hsz("Excel"), fake.Hsz("Excel(0x1)"), 0);
  fake.Call(ddeml::kXtypUnregister, 0, 0, fake.Hsz("Excel"), fake.Hsz("Excel(0x1)"), 0);
  fake.Call(ddeml::kXtypError, 0, 0, 0, 0, 0, ddeml::kDmlErrFirst + 7);
  EXPECT_EQ((std::vector<std::string>{"+Excel Excel(0x1)", "-Excel", "-36 DDEML reports low resources"}), seen);
}

}  // namespace
}  // namespace ddetest
