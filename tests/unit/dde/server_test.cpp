// Server transactions as DDEML drives them: connects, the System topic,
// requests, pokes, executes, advise links, disconnects, and handlers that
// fail or end the manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "dde/trace.h"
#include "support/temp_dir.h"

#include "unit/dde/manager_fixture.h"

namespace ddetest {
namespace {

using namespace dde;
using TErr = std::pair<int, std::string>;

class ServerTest : public ManagerTest {
 protected:
  ServerTest() {
    m->ExecCmds().AddCmd("Open_PKD", "NSS");
    m->ExecCmds().AddCmd("Find_PKD", "SS");
  }
  uint32_t Execute(THConv conv, const std::string& command) { return fake.ClientExecute(conv, command); }
  // Events as "name service/topic" lines.
  std::function<void(TDDEMLManager&, const std::string&, const std::string&)> Log(const std::string& name) {
    return [this, name](TDDEMLManager&, const std::string& s, const std::string& t) { events.push_back(name + " " + s + "/" + t); };
  }
  std::vector<std::string> events;
};

TEST_F(ServerTest, ConnectRulesForNamesAndNullNames) {
  struct TCase {
    const char *service, *topic;
    bool nullService, nullTopic;
    int code;                // 1: accepted
    const char* conv;        // the names of the conversation made
  } cases[] = {
      {"pkd_zel", "PKD", false, false, 1, "PKD_ZEL/PKD"},
      {"Unknown", "PKD", true, true, errUnknownServiceConnect, ""},
      {"PKD_ZEL", "", false, false, errNullTopicConnect, ""},
      {"PKD_ZEL", "", false, true, 1, "PKD_ZEL/System"},
      {"", "PKD", false, true, errNullServiceConnect, ""},
      {"", "PKD", true, false, 1, "A_FIRST/PKD"},  // first in name order, registered or not
      {"", "", true, false, errNullTopicConnect, ""},
      {"", "", true, true, 1, "A_FIRST/System"},
  };
  m->AddService("A_FIRST");
  Serve();
  for (const TCase& c : cases) {
    m->AllowNullService = c.nullService;
    m->AllowNullTopic = c.nullTopic;
    m->errors.clear();
    const int before = m->ConvCount();
    const THData r = fake.Call(ddeml::kXtypConnect, 0, 0, fake.Hsz(c.topic), fake.Hsz(c.service), 0);
    SCOPED_TRACE(std::string(c.service) + "/" + c.topic);
    EXPECT_EQ(c.code == 1 ? 1u : 0u, r);
    EXPECT_EQ(c.code == 1 ? std::vector<int>() : std::vector<int>{c.code}, m->Codes());
    const TDDEMLConversation* made = m->ConvCount() > before ? m->Conv(before) : nullptr;
    EXPECT_EQ(c.conv, made ? made->ServiceName() + "/" + made->TopicName() : "");
  }
  m->errors.clear();
  fake.Call(ddeml::kXtypConnect, 0, 0, fake.Hsz("PKD"), fake.Hsz("Unknown"), 0);
  fake.Call(ddeml::kXtypConnectConfirm, 0, 0x99, fake.Hsz("Nowhere"), fake.Hsz("PKD_ZEL"), 0);  // none waits
  EXPECT_EQ((std::vector<TErr>{{errUnknownServiceConnect, "Service : Unknown - not supported"},
                               {errConvNotFound, "PKD_ZEL/Nowhere"}}),
            m->errors);
}

TEST_F(ServerTest, TopicIsOpenedOnDemandAndClosedWithItsLastConversation) {
  m->OnTopicOpened = Log("open");
  m->OnTopicClosed = Log("close");
  m->OnDisconnecting = Log("bye");
  Serve();
  THConv a = Connect("NewTopic"), b = Connect("newtopic");
  fake.ClientDisconnect(a);
  EXPECT_NE(nullptr, m->FindService("PKD_ZEL")->FindTopic("NEWTOPIC"));
  fake.ClientDisconnect(b);
  EXPECT_EQ(nullptr, m->FindService("PKD_ZEL")->FindTopic("NEWTOPIC"));
  EXPECT_EQ((std::vector<std::string>{"open PKD_ZEL/NewTopic", "bye PKD_ZEL/NewTopic", "bye PKD_ZEL/NewTopic",
                                      "close PKD_ZEL/NewTopic"}),
            events);
  // The System topic outlives its conversations, and the busy mark with it.
  m->SetItemText("PKD_ZEL", "System", "Status", "BUSY");
  fake.ClientDisconnect(Connect("System"));
  EXPECT_TRUE(m->FindService("PKD_ZEL")->IsBusy());
  EXPECT_EQ(ddeml::kDdeFBusy, Execute(Connect("PKD"), "[Find_PKD(a,b)]"));
}

TEST_F(ServerTest, ConnectEventOnlyForTheFirstConversationOfAPair) {
  int asked = 0;
  bool answer = false;
  m->OnConnectReceived = [&](auto&&... args) {
    ++asked;
    EXPECT_FALSE(AnswerOf(args...));
    AnswerOf(args...) = answer;
  };
  Serve();
  EXPECT_EQ(0u, Connect());  // left unanswered: refused
  answer = true;
  EXPECT_NE(0u, Connect());
  answer = false;
  EXPECT_NE(0u, Connect());  // the pair has a conversation: not asked again
  m->OneConvPerTopic = true;
  EXPECT_EQ(0u, Connect());  // refused, and no error for it
  EXPECT_EQ(2, asked);
  EXPECT_EQ((std::vector<TErr>{{errTopicRejected, "PKD_ZEL/PKD"}}), m->errors);
}

TEST_F(ServerTest, WildConnectWithAndWithoutHandlers) {
  m->AllowNullService = m->AllowNullTopic = true;
  Serve();
  EXPECT_TRUE(fake.ClientWildConnect("", "").empty());  // neither handler: no pair
  std::string asked;
  m->OnConnectReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t, bool& allow) {
    asked = s + "/" + t;
    allow = true;
  };
  std::vector<THConv> convs = fake.ClientWildConnect("", "");
  EXPECT_EQ("PKD_ZEL/System", asked);
  ASSERT_EQ(1u, convs.size());
  EXPECT_EQ("System", m->FindConvByHandle(convs[0])->TopicName());
  // Its own pairs; unknown services, empty topics and repeats are left out.
  m->OnTopicOpened = Log("open");
  m->OnWildConnectReceived = [](TDDEMLManager& x, const std::string&, const std::string&) {
    for (const char* t : {"PKD", "pkd", "", "Other"}) x.AddWildConnectPair("PKD_ZEL", t);
    x.AddWildConnectPair("Unknown", "X");
  };
  convs = fake.ClientWildConnect("PKD_ZEL", "");
  ASSERT_EQ(2u, convs.size());
  EXPECT_EQ("Other", m->FindConvByHandle(convs[1])->TopicName());
  EXPECT_EQ((std::vector<std::string>{"open PKD_ZEL/PKD", "open PKD_ZEL/Other"}), events);
  m->AllowNullService = false;
  EXPECT_TRUE(fake.ClientWildConnect("", "PKD").empty());
  EXPECT_TRUE(fake.ClientWildConnect("Unknown", "PKD").empty());
  EXPECT_EQ(3, m->ConvCount());
}

TEST_F(ServerTest, SystemTopicAndTopicListsAnswerThemselves) {
  // The picker's handlers for the lists.
  m->OnTopicReceived = [](TDDEMLManager& x, const std::string& s) {
    x.ClearTopicList(s);
    x.AddToTopicList(s, "PKD");
  };
  m->OnFormatReceived = [](TDDEMLManager& x, const std::string& s) {
    x.ClearFormatList(s, "");
    x.AddToFormatList(s, "", cfText);
  };
  m->OnItemReceived = [](TDDEMLManager& x, const std::string& s, const std::string& t) {
    x.ClearItemList(s, t);
    for (const char* item : {"KOD", "NAZWA", "OPIS"}) x.AddToItemList(s, t, item);
  };
  Serve();
  THConv sys = Connect("System"), pkd = Connect("PKD");
  const std::pair<THConv, const char*> asks[][2] = {
      {{sys, "SysItems"}, {sys, "Status\tTopics\tFormats"}}, {{sys, "topicitemlist"}, {sys, "Status\tTopics\tFormats"}},
      {{sys, "Topics"}, {sys, "PKD"}},                       {{sys, "Formats"}, {sys, "Text"}},
      {{pkd, "TopicItemList"}, {pkd, "KOD\tNAZWA\tOPIS"}},
  };
  for (int round = 0; round < 2; ++round)  // rebuilt, not appended to
    for (const auto& a : asks) {
      ASSERT_NE(0u, fake.ClientRequest(a[0].first, a[0].second)) << a[0].second;
      EXPECT_EQ(a[1].second, Reply()) << a[0].second;
    }
  for (const auto& none : {std::make_pair(sys, "Help"), std::make_pair(sys, "Status"), std::make_pair(pkd, "Formats")})
    EXPECT_EQ(0u, fake.ClientRequest(none.first, none.second)) << none.second;
}

TEST_F(ServerTest, ItemRequestsAskTheHandlerFirst) {
  std::string seen;
  m->OnRequestReceived = [&](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                             int32_t user, TDDEMLClipFmtType type, uint16_t number, bool& valid) {
    seen = s + "/" + t + "/" + i + " " + std::to_string(user) + " " + std::to_string(type) + " " + std::to_string(number);
    valid = i == "KOD";
    if (valid) x.SetItemText(s, t, i, "01.11.Z");
  };
  Serve();
  THConv conv = Connect();
  ASSERT_NE(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ("01.11.Z", Reply());
  EXPECT_EQ("PKD_ZEL/PKD/KOD 0 1 1", seen);
  EXPECT_EQ(0u, fake.ClientRequest(conv, "OPIS"));
  // Without keeping the data, what was returned is cleared.
  m->OnRequestReceived = nullptr;
  m->StoreServerItemData = false;
  fake.ClientRequest(conv, "KOD");
  EXPECT_EQ("01.11.Z", Reply());
  fake.ClientRequest(conv, "KOD");
  EXPECT_EQ("", Reply());
}

TEST_F(ServerTest, FormatConflictsUnderEachSetting) {
  std::vector<std::string> reported;
  m->OnError = [&](TDDEMLManager&, int code, const std::string& msg) { reported.push_back(std::to_string(code) + " " + msg); };
  m->OnAdviseStartReceived = Answering(true);
  Serve();
  const uint32_t xl = XlTableFormat();
  THConv conv = Connect();
  ASSERT_TRUE(fake.ClientAdviseStart(conv, "R1C1", xl));
  const std::string conflict = " - incorrect data format being returned. Client requested XlTable, server is returning Text";
  for (TDDEMLFormatConflictType setting : {fctNullResponse, fctIgnore, fctException}) {
    m->FormatConflict = setting;
    reported.clear();
    fake.delivered.clear();
    m->SetItemText("PKD_ZEL", "PKD", "R1C1", std::to_string(setting) + ".5");
    ASSERT_EQ(1u, fake.delivered.size());
    // Only an advise request goes on with fctIgnore: the text as an XlTable cell.
    EXPECT_EQ(setting == fctIgnore, fake.delivered[0].data) << setting;
    EXPECT_EQ(setting == fctIgnore ? std::string("\x01\x00\x08\x00", 4) : "", fake.delivered[0].bytes.substr(std::min<std::size_t>(8, fake.delivered[0].bytes.size()), 4));
    // A request in another format than the item's is never answered.
    EXPECT_EQ(0u, fake.ClientRequest(conv, "R1C1", xl)) << setting;
    const std::vector<std::string> expected = {"0 XTypAdvReq" + conflict, "0 XTypRequest" + conflict};
    EXPECT_EQ(setting == fctException ? expected : std::vector<std::string>(), reported);
  }
}

TEST_F(ServerTest, BusyServiceRefusesInAnyLetterCase) {
  bool asked = false;
  m->OnAdviseStartReceived = [&](auto&&... args) { AnswerOf(args...) = asked = true; };
  m->OnExecuteReceived = [](auto&&...) { ADD_FAILURE() << "executed while busy"; };
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
  EXPECT_FALSE(asked);
  // The mark itself answers: a client asks it why it is refused.
  ASSERT_NE(0u, fake.ClientRequest(Connect("System"), "Status"));
  EXPECT_EQ(fake.LastReply(), std::string("bUsY", 5));
  m->SetItemText("PKD_ZEL", "System", "Status", "Busy now");
  EXPECT_NE(0u, fake.ClientRequest(conv, "KOD"));
}

TEST_F(ServerTest, ExecuteRaisesOneEventPerCommandWhileItSucceeds) {
  m->ExecCmds().AddCmd("Many", std::string(21, 'S'));
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
  std::string many = "[Many(";
  for (int i = 0; i < 21; ++i) many += (i ? "," : "") + std::to_string(i);
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, many + ")]"));
  EXPECT_EQ("PKD_ZEL/PKD MANY(" + many.substr(6) + ")", seen.back());  // all 21 slots
  // An invalid string raises nothing and is not processed.
  seen.clear();
  for (const char* bad : {"[Find_PKD(a,b)] ", "[Open_PKD(x,a,b)]", "[Nope]", "", "[Open_PKD()]"})
    EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, bad)) << bad;
  EXPECT_TRUE(seen.empty());
  // The first of two commands fails: one event, not processed, -34.
  failFirst = true;
  EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, "[Find_PKD(a,b)][Open_PKD(1,c,d)]"));
  EXPECT_EQ(1u, seen.size());
  EXPECT_EQ(0u, fake.Call(ddeml::kXtypExecute, 0, 0x4242, fake.Hsz("PKD"), 0, 0));  // no such conversation
  EXPECT_EQ((std::vector<TErr>{{errExecCmd, "PKD_ZEL/PKD : Cmd = FIND_PKD"},
                               {errConvNotFound, "ConvObj not found with this handle"}}),
            m->errors);
}

TEST_F(ServerTest, RawExecuteDecidesAloneUnlessItProceeds) {
  int parsed = 0;
  bool proceed = false, succeed = true;
  std::string raw;
  m->OnRawExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const char* bytes,
                                uint16_t length, bool& s, bool& p) {
    raw.assign(bytes, length), s = succeed, p = proceed;
  };
  m->OnExecuteReceived = [&](auto&&...) { ++parsed; };
  Serve();
  THConv conv = Connect();
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "anything at all"));
  EXPECT_EQ("anything at all", raw);
  succeed = false;
  EXPECT_EQ(ddeml::kDdeFNotProcessed, Execute(conv, "[Find_PKD(a,b)]"));
  proceed = true;  // the parsed commands run, and decide
  EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "[Find_PKD(a,b)]"));
  EXPECT_EQ(1, parsed);
}

// A client's poke changes the service only when a handler accepts it: the
// System topic is the service's own, data without a handler or refused is
// not kept, and no advise goes out for it.
TEST_F(ServerTest, APokeChangesNothingUnlessAHandlerAcceptsIt) {
  enum THandler { hNone, hRefuse, hAccept, hThrow };
  struct TCase {
    THandler handler;
    std::string topic, item, bytes;
    uint32_t format;
    uint32_t ack;
    std::string text;  // what the item reads afterwards
    bool exists;       // whether the item is there afterwards
  };
  const uint32_t binary = 0xC123;
  const TCase cases[] = {
      {hNone, "PKD", "KOD", "01.11.Z", 1, ddeml::kDdeFNotProcessed, "old", true},
      {hNone, "PKD", "Nowy", "01.11.Z", 1, ddeml::kDdeFNotProcessed, "", false},
      {hRefuse, "PKD", "KOD", "01.11.Z", 1, ddeml::kDdeFNotProcessed, "old", true},
      {hRefuse, "PKD", "Nowy", "01.11.Z", 1, ddeml::kDdeFNotProcessed, "", false},
      {hThrow, "PKD", "KOD", "01.11.Z", 1, ddeml::kDdeFNotProcessed, "old", true},
      {hThrow, "PKD", "Nowy", "01.11.Z", 1, ddeml::kDdeFNotProcessed, "", false},
      {hAccept, "PKD", "KOD", std::string("abc\0junk", 8), 1, ddeml::kDdeFAck, "abc", true},
      {hAccept, "PKD", "Nowy", "abc", 1, ddeml::kDdeFAck, "abc", true},
      // Binary data replaces the value whole, the old text with it.
      {hAccept, "PKD", "KOD", "\x01\x02", binary, ddeml::kDdeFAck, "", true},
      {hAccept, "System", "Status", "BUSY", 1, ddeml::kDdeFNotProcessed, "Ready", true},
      {hAccept, "System", "Nowy", "x", 1, ddeml::kDdeFNotProcessed, "", false},
      {hAccept, "PKD", "", "x", 1, ddeml::kDdeFNotProcessed, "", false},
  };
  m->OnAdviseStartReceived = Answering(true);
  Serve();
  for (const TCase& c : cases) {
    const std::string where = c.topic + "/" + c.item + " handler " + std::to_string(c.handler);
    m->SetItemText("PKD_ZEL", "System", "Status", "Ready");
    m->SetItemText("PKD_ZEL", "PKD", "KOD", "old");
    const THConv watcher = Connect(c.topic), poker = Connect(c.topic);
    // A client linked to an item that is there already (a link to a new
    // one would make it).
    const bool linked = c.item == "KOD" || c.item == "Status";
    if (linked) {
      ASSERT_TRUE(fake.ClientAdviseStart(watcher, c.item)) << where;
    }
    fake.delivered.clear();
    m->errors.clear();
    std::vector<std::string> seen;  // the item's text as the handler sees it
    m->OnPokeReceived = nullptr;
    if (c.handler != hNone)
      m->OnPokeReceived = [&, c](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                                 int32_t, bool& allow) {
        seen.push_back(x.FindService(s)->ItemText(t, i));
        if (c.handler == hThrow) throw std::runtime_error("no");
        allow = c.handler == hAccept;
      };
    EXPECT_EQ(c.ack, fake.ClientPoke(poker, c.item, c.bytes, c.format)) << where;
    TDDEMLService* svc = m->FindService("PKD_ZEL");
    EXPECT_EQ(c.exists, svc->ItemExists(c.topic, c.item)) << where;
    EXPECT_EQ(c.text, svc->ItemText(c.topic, c.item)) << where;
    EXPECT_FALSE(svc->IsBusy()) << where;
    // A refused value reached no linked client; an accepted one did.
    const bool accepted = c.ack == ddeml::kDdeFAck && linked;
    ASSERT_EQ(accepted ? 1u : 0u, fake.delivered.size()) << where;
    if (accepted) {
      EXPECT_EQ(c.format == 1, fake.delivered[0].data) << where;
    }
    if (c.handler != hNone && c.topic == "PKD" && !c.item.empty()) {
      EXPECT_EQ((std::vector<std::string>{c.format == 1 ? c.bytes.substr(0, c.bytes.find('\0')) : ""}), seen)
          << where;
    } else {
      EXPECT_TRUE(seen.empty()) << where;
    }
    fake.ClientDisconnect(watcher);
    fake.ClientDisconnect(poker);
    svc->FindOrAddTopic("PKD")->RemoveItem("Nowy");
  }
}

// Many clients poking System and new names, then leaving: nothing of theirs
// stays, and the next client is served as before.
TEST_F(ServerTest, PokesOfManyClientsLeaveTheServiceAsItWas) {
  m->OnTopicReceived = [](auto&&...) {};
  m->OnFormatReceived = [](auto&&...) {};
  Serve();
  const THConv before = Connect("System");
  ASSERT_NE(0u, fake.ClientRequest(before, "SysItems"));
  const std::string sysItems = Reply();
  fake.ClientDisconnect(before);
  for (int i = 0; i < 200; ++i) {
    const THConv conv = Connect(i % 2 ? "System" : "PKD");
    EXPECT_EQ(ddeml::kDdeFNotProcessed, fake.ClientPoke(conv, i % 4 < 2 ? "Status" : "Item" + std::to_string(i), "BUSY"));
    fake.ClientDisconnect(conv);
  }
  TDDEMLService* svc = m->FindService("PKD_ZEL");
  EXPECT_FALSE(svc->IsBusy());
  EXPECT_EQ(nullptr, svc->FindTopic("PKD"));
  const THConv after = Connect("System");
  EXPECT_EQ(2, svc->FindTopic("System")->ItemCount());  // SysItems and TopicItemList, made by the request
  ASSERT_NE(0u, fake.ClientRequest(after, "SysItems"));
  EXPECT_EQ(sysItems, Reply());
}

TEST_F(ServerTest, AdviseLinksPostChangedTextsToTheLinkedClients) {
  Serve();
  THConv a = Connect(), b = Connect();
  EXPECT_FALSE(fake.ClientAdviseStart(a, "KOD"));  // no handler: refused, without an error
  m->OnAdviseStartReceived = Answering(false);
  EXPECT_FALSE(fake.ClientAdviseStart(a, "KOD"));
  EXPECT_EQ((std::vector<TErr>{{errAdviseStartRefused, "PKD_ZEL/PKD/KOD"}}), m->errors);
  m->OnAdviseStartReceived = Answering(true);
  ASSERT_TRUE(fake.ClientAdviseStart(a, "KOD"));
  ASSERT_TRUE(fake.ClientAdviseStart(b, "KOD"));

  m->SetItemText("PKD_ZEL", "PKD", "KOD", "abc");
  ASSERT_EQ(2u, fake.delivered.size());
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

  m->OnAdviseStopReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string& i, int32_t) {
    events.push_back("stop " + i);
  };
  fake.ClientAdviseStop(a, "KOD");
  EXPECT_TRUE(events.empty());  // b still holds a link
  fake.ClientAdviseStop(b, "KOD");
  EXPECT_EQ(std::vector<std::string>{"stop KOD"}, events);
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "new");
  EXPECT_EQ(4u, fake.delivered.size());
}

// A request handler that changes an advised item: DDEML asks for the new
// data inside the request, and both clients get theirs.
TEST_F(ServerTest, AdviseRequestedWhileARequestIsAnswered) {
  m->OnAdviseStartReceived = Answering(true);
  m->OnRequestReceived = [](TDDEMLManager& x, const std::string& s, const std::string& t, const std::string& i,
                            auto&&...) { x.SetItemText(s, t, i, "fresh"); };
  Serve();
  THConv watcher = Connect(), asker = Connect();
  ASSERT_TRUE(fake.ClientAdviseStart(watcher, "NAZWA"));
  ASSERT_NE(0u, fake.ClientRequest(asker, "NAZWA"));
  EXPECT_EQ("fresh", Reply());
  ASSERT_EQ(1u, fake.delivered.size());
  EXPECT_EQ(std::string("fresh\0", 6), fake.delivered[0].bytes);
}

TEST_F(ServerTest, HandlerFailuresNeverLeaveTheCallback) {
  std::vector<int> reported;
  m->OnError = [&](TDDEMLManager&, int code, const std::string&) { reported.push_back(code); };
  m->OnRequestReceived = [](auto&&...) { throw std::runtime_error("handler failed"); };
  m->OnExecuteReceived = [](auto&&...) { throw 42; };
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
  EXPECT_EQ(TErr(errFalse, "handler failed"), m->errors[0]);
  m->OnError = [](auto&&...) { throw std::runtime_error("the error event fails too"); };
  EXPECT_EQ(0u, fake.ClientRequest(conv, "KOD"));
  EXPECT_EQ(1, m->ConvCount());
}

TEST_F(ServerTest, HandlersThatEndTheManagerInsideATransaction) {
  // Terminated inside an execute: the client still gets its answer, and
  // DDEML's instance goes only once the thread is back in its loop.
  m->OnExecuteReceived = [](TDDEMLManager& x, auto&&...) { x.TerminateDDEML(); };
  m->OnConnectReceived = [](TDDEMLManager& x, const std::string&, const std::string& t, bool& allow) {
    allow = true;
    if (t == "End") x.TerminateDDEML();
  };
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
  ASSERT_TRUE(m->InitDDEML());
  EXPECT_EQ(0u, Connect("End"));  // terminated while it decided on the connect

  // Freed inside a disconnect, a request and a connect.
  const std::function<void()> uses[] = {
      [&] {
        m->OnDisconnecting = [&](auto&&...) { m.reset(); };
        fake.ClientDisconnect(Connect());
      },
      [&] {
        m->OnRequestReceived = [&](auto&&...) { m.reset(); };
        EXPECT_EQ(0u, fake.ClientRequest(Connect(), "KOD"));
      },
      [&] {
        m->OnTopicOpened = [&](auto&&...) { m.reset(); };
        EXPECT_EQ(0u, Connect("Fresh"));
      },
  };
  for (const auto& use : uses) {
    fake.RunIdle();
    m = std::make_unique<TRecordingManager>(nullptr, fake);
    m->Scope = ddeServerOnly;
    Serve();
    use();
    EXPECT_EQ(nullptr, TDDEMLManager::CurrentManager());
    EXPECT_EQ(1u, fake.PendingLater());
  }
}

TEST_F(ServerTest, RegistrationsAndErrorsReachTheirEvents) {
  m->OnServiceRegistered = [&](TDDEMLManager&, const std::string& b, const std::string& i) { events.push_back("+" + b + " " + i); };
  m->OnServiceUnregistered = [&](TDDEMLManager&, const std::string& b, const std::string&) { events.push_back("-" + b); };
  m->OnError = [&](TDDEMLManager&, int code, const std::string& msg) { events.push_back(std::to_string(code) + " " + msg); };
  Serve();
  fake.Call(ddeml::kXtypRegister, 0, 0, fake.Hsz("Excel"), fake.Hsz("Excel(0x1)"), 0);
  fake.Call(ddeml::kXtypUnregister, 0, 0, fake.Hsz("Excel"), fake.Hsz("Excel(0x1)"), 0);
  fake.Call(ddeml::kXtypError, 0, 0, 0, 0, 0, ddeml::kDmlErrFirst + 7);
  EXPECT_EQ((std::vector<std::string>{"+Excel Excel(0x1)", "-Excel", "-36 DDEML reports low resources"}), events);
}

// A log that cannot be written changes nothing DDE does: the same session
// answers alike with the trace off and with the trace going to a file in a
// missing folder, leaves no record or handle behind (the fixture checks),
// and terminating or destroying the manager still ends its instance.
TEST_F(ServerTest, AnUnwritableTraceChangesNoAnswer) {
  m->OnConnectReceived = [&](TDDEMLManager&, const std::string&, const std::string& t, bool& allow) {
    events.push_back("connect " + t);
    allow = true;
  };
  m->OnDisconnecting = Log("disconnecting");
  m->OnTopicClosed = Log("closed");
  m->OnPokeReceived = Answering(true);
  m->OnExecuteReceived = Answering(true);
  m->OnAdviseStartReceived = Answering(true);
  Serve();
  auto session = [&] {
    std::vector<std::string> answers;
    auto note = [&](auto value) { answers.push_back(std::to_string(value)); };
    const THConv a = Connect(), b = Connect();
    note(a != 0 && b != 0);
    m->SetItemText("PKD_ZEL", "PKD", "KOD", "01.11.Z");
    note(fake.ClientRequest(a, "KOD") != 0);
    answers.push_back(Reply());
    note(fake.ClientRequest(a, "Topics") != 0);
    note(fake.ClientPoke(a, "NAZWA", "x"));
    note(Execute(a, "[Find_PKD(a,b)]"));
    note(fake.ClientAdviseStart(b, "KOD"));
    fake.delivered.clear();
    m->SetItemText("PKD_ZEL", "PKD", "KOD", "02.22.Z");
    note(fake.delivered.size());
    for (const auto& d : fake.delivered) answers.push_back(d.bytes);
    fake.ClientAdviseStop(b, "KOD");
    const std::vector<THConv> wild = fake.ClientWildConnect("PKD_ZEL", "PKD");
    note(wild.size());
    for (THConv c : wild) fake.ClientDisconnect(c);
    fake.ClientDisconnect(a);
    fake.ClientDisconnect(b);
    note(m->ConvCount());
    answers.insert(answers.end(), events.begin(), events.end());
    for (const TErr& e : m->errors) answers.push_back(std::to_string(e.first) + " " + e.second);
    events.clear();
    m->errors.clear();
    return answers;
  };
  const std::vector<std::string> expected = session();
  testing_support::TempDir dir;
  m->DebugFileName = dir.File("missing/dde.log");
  m->SetDebugState(dbFile);
  EXPECT_EQ(expected, session());
  EXPECT_LT(0, m->TraceFailureCount());
  const TInstanceId first = m->InstanceId();
  EXPECT_TRUE(m->TerminateDDEML());
  EXPECT_FALSE(fake.IsInitialized(first));
  ASSERT_TRUE(m->InitDDEML());
  const TInstanceId second = m->InstanceId();
  m.reset();
  EXPECT_FALSE(fake.IsInitialized(second));
  EXPECT_TRUE(fake.RegisteredServices(second).empty());
  SetDebugSettingsQuietly(dbNone, "");
}

// A disconnect whose events fail still ends the conversation and closes its
// topic: the next connect on the pair asks OnConnectReceived again.
TEST_F(ServerTest, FailingDisconnectEventsStillEndTheConversationAndTopic) {
  Serve();
  for (const std::string failing : {"disconnecting", "closed"}) {
    events.clear();
    m->errors.clear();
    auto logOrFail = [&, failing](const std::string& name) {
      return [&, failing, name](TDDEMLManager&, const std::string&, const std::string&) {
        events.push_back(name);
        if (name == failing) throw std::runtime_error(name + " failed");
      };
    };
    m->OnConnectReceived = [&](TDDEMLManager&, const std::string&, const std::string&, bool& allow) {
      events.push_back("connect");
      allow = true;
    };
    m->OnDisconnecting = logOrFail("disconnecting");
    m->OnTopicClosed = logOrFail("closed");
    fake.ClientDisconnect(Connect());
    EXPECT_EQ(0, m->ConvCount()) << failing;
    EXPECT_EQ(nullptr, m->FindService("PKD_ZEL")->FindTopic("PKD")) << failing;
    EXPECT_EQ(TErr(errFalse, failing + " failed"), m->errors.back()) << failing;
    m->OnDisconnecting = nullptr;
    m->OnTopicClosed = nullptr;
    fake.ClientDisconnect(Connect());
    EXPECT_EQ((std::vector<std::string>{"connect", "disconnecting", "closed", "connect"}), events) << failing;
  }
}

// A CF_UNICODETEXT link on a text item: the handler is shown text, and the
// link gets the item's text converted, whatever the conflict setting.
TEST_F(ServerTest, UnicodeLinkOnATextItemGetsTheTextConverted) {
  std::vector<uint16_t> shown;
  m->OnAdviseStartReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string&, int32_t,
                                 TDDEMLClipFmtType, uint16_t format, bool& allow) {
    shown.push_back(format);
    allow = true;
  };
  Serve();
  for (TDDEMLFormatConflictType conflict : {fctException, fctIgnore, fctNullResponse}) {
    m->FormatConflict = conflict;
    fake.delivered.clear();
    const THConv conv = Connect();
    ASSERT_TRUE(fake.ClientAdviseStart(conv, "KOD", kCfUnicodeText));
    m->SetItemText("PKD_ZEL", "PKD", "KOD", "Ął");
    ASSERT_EQ(1u, fake.delivered.size()) << conflict;
    EXPECT_EQ(std::string("\x04\x01\x42\x01\x00\x00", 6), fake.delivered[0].bytes) << conflict;
    fake.ClientDisconnect(conv);
  }
  EXPECT_EQ(std::vector<uint16_t>(3, kCfText), shown);
  EXPECT_TRUE(m->errors.empty());
}

// Links are held per conversation and format: a repeated start is one link,
// each advise request is served in its own format, and a client that leaves
// takes its links along, as its advise stops would.
TEST_F(ServerTest, AdviseLinksLiveWithTheirConversation) {
  std::vector<std::string> stops;
  m->OnAdviseStartReceived = Answering(true);
  m->OnAdviseStopReceived = [&](TDDEMLManager&, const std::string&, const std::string&, const std::string& i,
                                int32_t) { stops.push_back(i); };
  m->FormatConflict = fctNullResponse;
  Serve();
  const THConv holder = Connect();  // keeps the topic and its items
  const THConv text = Connect(), table = Connect();
  ASSERT_TRUE(fake.ClientAdviseStart(text, "KOD"));
  ASSERT_TRUE(fake.ClientAdviseStart(text, "KOD"));
  ASSERT_TRUE(fake.ClientAdviseStart(table, "KOD", XlTableFormat()));
  ASSERT_TRUE(fake.ClientAdviseStart(table, "NAZWA"));
  TDDEMLService* svc = m->FindService("PKD_ZEL");
  TDDEMLItem* kod = svc->FindItem("PKD", "KOD");
  ASSERT_NE(nullptr, kod);
  EXPECT_EQ(2, kod->AdviseCount());

  m->SetItemText("PKD_ZEL", "PKD", "KOD", "01.11.Z");
  ASSERT_EQ(2u, fake.delivered.size());
  EXPECT_EQ(text, fake.delivered[0].conv);
  EXPECT_EQ(std::string("01.11.Z\0", 8), fake.delivered[0].bytes);
  EXPECT_FALSE(fake.delivered[1].data);  // a table asked of a text item, under fctNullResponse
  m->FormatConflict = fctIgnore;
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "01.12.Z");
  ASSERT_EQ(4u, fake.delivered.size());
  EXPECT_EQ(std::string("01.12.Z\0", 8), fake.delivered[2].bytes);
  EXPECT_TRUE(fake.delivered[3].data);  // written as a table

  // An advise stop ends the link of its format only.
  fake.ClientAdviseStop(table, "KOD", XlTableFormat());
  EXPECT_EQ(1, kod->AdviseCount());
  ASSERT_TRUE(fake.ClientAdviseStart(table, "KOD", XlTableFormat()));
  fake.ClientDisconnect(table);
  EXPECT_EQ((std::vector<std::string>{"NAZWA"}), stops);  // KOD still has the text link
  EXPECT_EQ(1, kod->AdviseCount());
  fake.ClientDisconnect(text);
  EXPECT_EQ((std::vector<std::string>{"NAZWA", "KOD"}), stops);
  EXPECT_EQ(0, kod->AdviseCount());

  for (int i = 0; i < 300; ++i) {
    const THConv conv = Connect();
    ASSERT_TRUE(fake.ClientAdviseStart(conv, "KOD"));
    fake.ClientDisconnect(conv);
  }
  EXPECT_EQ(0, kod->AdviseCount());
  EXPECT_EQ(302u, stops.size());
  fake.delivered.clear();
  m->SetItemText("PKD_ZEL", "PKD", "KOD", "01.13.Z");
  EXPECT_TRUE(fake.delivered.empty());
  ASSERT_NE(0u, fake.ClientRequest(Connect(), "KOD"));
  EXPECT_EQ("01.13.Z", Reply());
  fake.ClientDisconnect(holder);
}

// Handlers that change the tree inside an event: no record is left on a
// removed node, and DDEML hears of the change only once the thread is back
// in its loop.
TEST_F(ServerTest, HandlersMayChangeTheTreeInsideAnEvent) {
  auto sameList = [this](TDDEMLManager& x) {
    TDDEMLServicesList list(fake);
    list.Add("PKD_ZEL")->Enabled = true;
    x.SetServices(list);
  };
  struct TCase {
    const char* name;
    std::function<void(TDDEMLManager&)> handlerDoes;
    std::function<void(TDDEMLManager&, const std::function<void()>&)> bind;
    std::function<void(THConv)> drive;
    size_t nameCalls;  // names given back (and taken again) once back in the loop
  };
  auto onTopic = [](TDDEMLManager& x, const std::function<void()>& act) {
    x.OnTopicOpened = [act](auto&&...) { act(); };
  };
  const TCase cases[] = {
      {"topic opened removes its topic",
       [](TDDEMLManager& x) { x.Services().Find("PKD_ZEL")->RemoveTopic("Fresh"); }, onTopic,
       [this](THConv) { EXPECT_EQ(0u, Connect("Fresh")); }, 0},
      {"topic opened fails", [](TDDEMLManager&) { throw std::runtime_error("no"); }, onTopic,
       [this](THConv) { EXPECT_EQ(0u, Connect("Fresh")); }, 0},
      {"disconnecting clears the services", [](TDDEMLManager& x) { x.Services().Clear(); },
       [](TDDEMLManager& x, const std::function<void()>& act) { x.OnDisconnecting = [act](auto&&...) { act(); }; },
       [this](THConv conv) { fake.ClientDisconnect(conv); }, 1},
      {"execute replaces the services", sameList,
       [](TDDEMLManager& x, const std::function<void()>& act) { x.OnExecuteReceived = [act](auto&&...) { act(); }; },
       [this](THConv conv) { EXPECT_EQ(ddeml::kDdeFAck, Execute(conv, "[Find_PKD(a,b)]")); }, 2},
      {"request reads a stored form",
       [](TDDEMLManager& x) { x.ReadStoredForm("Services.ServicesList = ('PKD_ZEL' True 0)"); },
       [](TDDEMLManager& x, const std::function<void()>& act) { x.OnRequestReceived = [act](auto&&...) { act(); }; },
       [this](THConv conv) { EXPECT_EQ(0u, fake.ClientRequest(conv, "KOD")); }, 2},
      {"poke removes its topic", [](TDDEMLManager& x) { x.Services().Find("PKD_ZEL")->RemoveTopic("PKD"); },
       [](TDDEMLManager& x, const std::function<void()>& act) { x.OnPokeReceived = [act](auto&&...) { act(); }; },
       [this](THConv conv) { EXPECT_EQ(ddeml::kDdeFAck, fake.ClientPoke(conv, "KOD", "x")); }, 0},
      {"advise start assigns its topic",
       [](TDDEMLManager& x) {
         TDDEMLTopic* t = x.Services().Find("PKD_ZEL")->FindTopic("PKD");
         TDDEMLTopic empty(t->Platform());
         t->Assign(empty);
       },
       [](TDDEMLManager& x, const std::function<void()>& act) {
         x.OnAdviseStartReceived = [act](auto&&... args) {
           act();
           AnswerOf(args...) = true;
         };
       },
       [this](THConv conv) { EXPECT_TRUE(fake.ClientAdviseStart(conv, "KOD")); }, 0},
  };
  for (const TCase& c : cases) {
    fake.RunIdle();
    m = std::make_unique<TRecordingManager>(nullptr, fake);
    m->Scope = ddeServerOnly;
    m->ExecCmds().AddCmd("Find_PKD", "SS");
    Serve();
    const THConv other = Connect("System"), conv = Connect();
    ASSERT_NE(0u, conv) << c.name;
    m->SetItemText("PKD_ZEL", "PKD", "KOD", "01.11.Z");
    TDDEMLManager& x = *m;
    c.bind(*m, [&x, &c] { c.handlerDoes(x); });
    fake.nameServiceCalls.clear();
    c.drive(conv);
    for (int i = 0; i < m->ConvCount(); ++i) {
      const TDDEMLConversation* record = m->Conv(i);
      bool onTree = false;
      for (int s = 0; s < m->Services().Count(); ++s)
        for (int t = 0; m->Services().At(s) == record->Service && t < record->Service->TopicCount(); ++t)
          onTree = onTree || record->Service->TopicAt(t) == record->Topic;
      EXPECT_TRUE(onTree) << c.name << ": conversation " << record->ConvId;
    }
    if (TDDEMLService* svc = m->FindService("PKD_ZEL")) {
      EXPECT_EQ(nullptr, svc->FindTopic("Fresh")) << c.name;
    }
    EXPECT_TRUE(fake.nameServiceCalls.empty()) << c.name;
    fake.RunIdle();
    EXPECT_EQ(c.nameCalls, fake.nameServiceCalls.size()) << c.name;
    // The conversations on services that left are ended with them.
    EXPECT_EQ(c.nameCalls == 0, fake.KnowsConversation(other)) << c.name;
    // The service still answers, as far as it is still there.
    m->OnTopicOpened = nullptr;
    const bool served = m->FindService("PKD_ZEL") != nullptr;
    const THConv next = Connect("Fresh");
    EXPECT_EQ(served, next != 0) << c.name;
  }
}

}  // namespace
}  // namespace ddetest
