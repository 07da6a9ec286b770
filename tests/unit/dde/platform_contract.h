// What the manager relies on from DDEML, as typed tests run against every
// platform: the in-memory stand-in (natively and under Wine) and the real
// DDEML (under Wine). Where the stand-in and the real library disagree, the
// stand-in is wrong.
//
// A Side is the server's platform and a client of it on the same thread:
//   dde::IDdePlatform& Platform();
//   THConv Connect(service, topic);                       0 when refused
//   bool Request(THConv, item, format, std::string& bytes);
//   uint32_t Poke(THConv, item, bytes, format);            the DDE_F* flags
//   uint32_t Execute(THConv, command);
//   bool AdviseStart(THConv, item, format);
//   void Disconnect(THConv);
//   std::vector<std::string> Received();   advise data the client got
//   void Settle();                         lets posted messages arrive
//   bool ServerDisconnects();              false under Wine, whose DDEML
//                                          leaves a server's DdeDisconnect
//                                          undone
// Client conversation handles are the client's; the server sees its own.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "dde/platform.h"

namespace ddetest {

using dde::THConv;
using dde::THData;
using dde::THsz;
using dde::TInstanceId;
namespace ddeml = dde::ddeml;

// The server of the contract tests: what its callback saw, and the answers
// it gives.
struct TContractServer {
  dde::IDdePlatform* platform = nullptr;
  TInstanceId inst = 0;
  std::vector<std::string> seen;        // "type topic/second data1" per call
  std::vector<THConv> confirmed, disconnected;
  std::map<std::string, std::string> items;  // item -> reply bytes
  std::string received;                 // the bytes of the last poke or execute
  bool ownedAdvise = false;             // answer advise requests with a kept handle
  std::vector<THData> kept;

  std::string Text(THsz hsz) const { return hsz ? platform->QueryStringText(inst, hsz) : std::string(); }
};

inline thread_local TContractServer* tContractServer = nullptr;

inline THData DDE_CALLBACK ContractCallback(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                                            THData data, uintptr_t data1, uintptr_t) {
  TContractServer& s = *tContractServer;
  const std::string first = s.Text(hsz1), second = s.Text(hsz2);
  // The data word only where it is a number (a connect's points to the
  // client's context).
  if (type != ddeml::kXtypRegister && type != ddeml::kXtypUnregister)
    s.seen.push_back(std::to_string(type) + " " + first + "/" + second + " " +
                     std::to_string(type == ddeml::kXtypAdvReq ? data1 : 0));
  switch (type) {
    case ddeml::kXtypConnect:
      return first == "Refused" ? 0 : 1;
    case ddeml::kXtypConnectConfirm:
      s.confirmed.push_back(conv);
      return 0;
    case ddeml::kXtypDisconnect:
      s.disconnected.push_back(conv);
      return 0;
    case ddeml::kXtypRequest:
    case ddeml::kXtypAdvReq: {
      auto it = s.items.find(second);
      if (it == s.items.end()) return 0;
      const bool owned = type == ddeml::kXtypAdvReq && s.ownedAdvise;
      THData h = s.platform->CreateDataHandle(s.inst, it->second.data(), static_cast<uint32_t>(it->second.size()), 0,
                                              hsz2, format, owned ? ddeml::kHDataAppOwned : 0);
      if (owned) s.kept.push_back(h);
      return h;
    }
    case ddeml::kXtypAdvStart:
      return s.items.count(second) ? 1 : 0;
    case ddeml::kXtypPoke:
    case ddeml::kXtypExecute: {
      uint32_t size = 0;
      const uint8_t* bytes = s.platform->AccessData(data, size);
      s.received.assign(reinterpret_cast<const char*>(bytes), bytes ? size : 0);
      s.platform->UnaccessData(data);
      return ddeml::kDdeFAck;
    }
    default:
      return 0;
  }
}

template <class Side>
class PlatformContract : public ::testing::Test {
 protected:
  PlatformContract() {
    server.platform = &side.Platform();
    tContractServer = &server;
  }
  ~PlatformContract() override {
    for (THData h : server.kept) p().FreeDataHandle(h);
    if (service) {
      p().NameService(server.inst, service, ddeml::kDnsUnregister);
      p().FreeStringHandle(server.inst, service);
    }
    if (server.inst) p().Uninitialize(server.inst);
    tContractServer = nullptr;
  }
  dde::IDdePlatform& p() { return side.Platform(); }
  // A server registered under name, answering connects for it only.
  void Serve(const std::string& name) {
    ASSERT_EQ(0u, p().Initialize(server.inst, ContractCallback, ddeml::kAppCmdFilterInits));
    service = p().CreateStringHandle(server.inst, name);
    ASSERT_TRUE(p().NameService(server.inst, service, ddeml::kDnsRegister));
  }
  std::string Type(uint32_t type, const std::string& names, uintptr_t data1 = 0) {
    return std::to_string(type) + " " + names + " " + std::to_string(data1);
  }
  // The real library may round a data handle's size up.
  static std::string Prefix(const std::string& bytes, std::size_t n) { return bytes.substr(0, n); }

  Side side;
  TContractServer server;
  THsz service = 0;
};

TYPED_TEST_SUITE_P(PlatformContract);

TYPED_TEST_P(PlatformContract, StringHandlesAreCaseInsensitiveAndKeepTheFirstSpelling) {
  dde::IDdePlatform& p = this->p();
  TInstanceId inst = 0;
  ASSERT_EQ(0u, p.Initialize(inst, ContractCallback, ddeml::kAppCmdClientOnly));
  ASSERT_NE(0u, inst);
  const THsz a = p.CreateStringHandle(inst, "Contract_One");
  const THsz b = p.CreateStringHandle(inst, "CONTRACT_one");
  const THsz c = p.CreateStringHandle(inst, "Contract_Two");
  ASSERT_NE(0u, a);
  EXPECT_EQ(0, p.CompareStringHandles(a, b));
  EXPECT_NE(0, p.CompareStringHandles(a, c));
  EXPECT_EQ("Contract_One", p.QueryStringText(inst, b));
  EXPECT_EQ(12u, p.QueryString(inst, c, nullptr, 0));
  char small[5] = "####";
  EXPECT_EQ(4u, p.QueryString(inst, c, small, 5));
  EXPECT_STREQ("Cont", small);
  for (THsz h : {a, b, c}) EXPECT_TRUE(p.FreeStringHandle(inst, h));
  EXPECT_TRUE(p.Uninitialize(inst));
}

TYPED_TEST_P(PlatformContract, DataHandlesCarryTheirBytes) {
  dde::IDdePlatform& p = this->p();
  TInstanceId inst = 0;
  ASSERT_EQ(0u, p.Initialize(inst, ContractCallback, ddeml::kAppCmdClientOnly));
  const THData h = p.CreateDataHandle(inst, "abcd", 4, 0, 0, 1, 0);
  ASSERT_NE(0u, h);
  uint32_t size = 0;
  const uint8_t* bytes = p.AccessData(h, size);
  ASSERT_NE(nullptr, bytes);
  EXPECT_LE(4u, size);
  EXPECT_EQ("abcd", std::string(reinterpret_cast<const char*>(bytes), 4));
  EXPECT_TRUE(p.UnaccessData(h));
  char two[2] = {};
  EXPECT_EQ(2u, p.GetData(h, two, 2, 1));
  EXPECT_EQ("bc", std::string(two, 2));
  EXPECT_TRUE(p.FreeDataHandle(h));
  EXPECT_TRUE(p.Uninitialize(inst));
}

// Only registered names reach the callback, with the topic in the first
// string handle and the service in the second; the server's answer decides.
TYPED_TEST_P(PlatformContract, ConnectsReachOnlyARegisteredService) {
  this->Serve("Contract_Server");
  EXPECT_EQ(0u, this->side.Connect("Contract_Other", "PKD"));
  EXPECT_EQ(0u, this->side.Connect("contract_server", "Refused"));
  const THConv conv = this->side.Connect("contract_server", "PKD");
  ASSERT_NE(0u, conv);
  this->side.Settle();
  ASSERT_EQ(1u, this->server.confirmed.size());
  const std::vector<std::string> expected = {
      this->Type(ddeml::kXtypConnect, "Refused/Contract_Server"),
      this->Type(ddeml::kXtypConnect, "PKD/Contract_Server"),
      this->Type(ddeml::kXtypConnectConfirm, "PKD/Contract_Server")};
  EXPECT_EQ(expected, this->server.seen);
  // The server's side of the conversation, as the manager asks for it.
  dde::TConvInfo info;
  ASSERT_TRUE(this->p().QueryConvInfo(this->server.confirmed[0], ddeml::kQidSync, info));
  EXPECT_EQ("PKD", this->server.Text(info.hszTopic));
  EXPECT_EQ(0, this->p().CompareStringHandles(info.hszSvcPartner, this->service));
  this->side.Disconnect(conv);
  this->side.Settle();
  EXPECT_EQ(this->server.confirmed, this->server.disconnected);
  EXPECT_FALSE(this->p().QueryConvInfo(this->server.confirmed[0], ddeml::kQidSync, info));
}

TYPED_TEST_P(PlatformContract, RequestsPokesAndExecutesCarryTheirData) {
  this->Serve("Contract_Server");
  this->server.items["KOD"] = std::string("01.11.Z\0", 8);
  const THConv conv = this->side.Connect("Contract_Server", "PKD");
  ASSERT_NE(0u, conv);
  std::string bytes;
  ASSERT_TRUE(this->side.Request(conv, "KOD", 1, bytes));
  EXPECT_EQ(std::string("01.11.Z\0", 8), this->Prefix(bytes, 8));
  EXPECT_FALSE(this->side.Request(conv, "NAZWA", 1, bytes));  // no data: the request fails
  EXPECT_EQ(ddeml::kDdeFAck, this->side.Poke(conv, "KOD", std::string("poked\0", 6), 1) & ddeml::kDdeFAck);
  EXPECT_EQ(std::string("poked\0", 6), this->Prefix(this->server.received, 6));
  EXPECT_EQ(ddeml::kDdeFAck, this->side.Execute(conv, "[Find_PKD(a,b)]") & ddeml::kDdeFAck);
  // The command arrives with its terminating zero.
  EXPECT_EQ(std::string("[Find_PKD(a,b)]\0", 16), this->Prefix(this->server.received, 16));
  this->side.Disconnect(conv);
  this->side.Settle();
}

// A change posted for an item asks the server once per link, inside the
// call, counting down the links still to be served.
TYPED_TEST_P(PlatformContract, PostAdviseAsksOncePerLink) {
  this->Serve("Contract_Server");
  this->server.items["KOD"] = std::string("abc\0", 4);
  this->server.ownedAdvise = true;
  // Two links on one item: one per format (Wine's DDEML makes no second
  // conversation between the same two instances).
  const THConv conv = this->side.Connect("Contract_Server", "PKD");
  ASSERT_NE(0u, conv);
  EXPECT_FALSE(this->side.AdviseStart(conv, "NAZWA", 1));
  ASSERT_TRUE(this->side.AdviseStart(conv, "KOD", 1));
  ASSERT_TRUE(this->side.AdviseStart(conv, "KOD", 13));
  this->side.Settle();
  this->server.seen.clear();
  const THsz topic = this->p().CreateStringHandle(this->server.inst, "PKD");
  const THsz item = this->p().CreateStringHandle(this->server.inst, "KOD");
  EXPECT_TRUE(this->p().PostAdvise(this->server.inst, topic, item));
  this->side.Settle();
  std::vector<std::string> requests;
  for (const std::string& s : this->server.seen)
    if (s.rfind(std::to_string(ddeml::kXtypAdvReq) + " ", 0) == 0) requests.push_back(s);
  EXPECT_EQ((std::vector<std::string>{this->Type(ddeml::kXtypAdvReq, "PKD/KOD", 1),
                                      this->Type(ddeml::kXtypAdvReq, "PKD/KOD", 0)}),
            requests);
  // The client has its data (Wine's client takes one delivery per item,
  // whatever the links' formats: how many is the client's matter).
  const std::vector<std::string> received = this->side.Received();
  ASSERT_FALSE(received.empty());
  for (const std::string& r : received) EXPECT_EQ(std::string("abc\0", 4), this->Prefix(r, 4));
  this->p().FreeStringHandle(this->server.inst, topic);
  this->p().FreeStringHandle(this->server.inst, item);
  this->side.Disconnect(conv);
  this->side.Settle();
}

// The server ends a conversation: once, and DDEML forgets it.
TYPED_TEST_P(PlatformContract, ServerDisconnectEndsTheConversationOnce) {
  if (!this->side.ServerDisconnects()) GTEST_SKIP() << "this DDEML cannot end a conversation from the server side";
  this->Serve("Contract_Server");
  ASSERT_NE(0u, this->side.Connect("Contract_Server", "PKD"));
  this->side.Settle();
  ASSERT_EQ(1u, this->server.confirmed.size());
  const THConv conv = this->server.confirmed[0];
  EXPECT_TRUE(this->p().Disconnect(conv));
  this->side.Settle();
  dde::TConvInfo info;
  EXPECT_FALSE(this->p().QueryConvInfo(conv, ddeml::kQidSync, info));
  EXPECT_FALSE(this->p().Disconnect(conv));
}

// A connect without a service or topic name asks the server for its
// pairs, as a wild connect; refused, no conversation is made.
TYPED_TEST_P(PlatformContract, AConnectWithoutServiceArrivesAsAWildConnect) {
  this->Serve("Contract_Server");
  EXPECT_EQ(0u, this->side.Connect("", "PKD"));
  EXPECT_EQ(0u, this->side.Connect("Contract_Server", ""));
  this->side.Settle();
  EXPECT_EQ((std::vector<std::string>{this->Type(ddeml::kXtypWildConnect, "PKD/"),
                                      this->Type(ddeml::kXtypWildConnect, "/Contract_Server")}),
            this->server.seen);
  EXPECT_TRUE(this->server.confirmed.empty());
}

// Links as DDEML keeps them: one per conversation, item and format however
// often started, found by the item alone when a change is posted, and gone
// with a client that leaves, which sends no advise stop.
TYPED_TEST_P(PlatformContract, LinksAreKeptOnceAndLeaveWithTheirClient) {
  this->Serve("Contract_Server");
  this->server.items["KOD"] = std::string("abc\0", 4);
  const THConv conv = this->side.Connect("Contract_Server", "Other");
  ASSERT_NE(0u, conv);
  ASSERT_TRUE(this->side.AdviseStart(conv, "KOD", 1));
  ASSERT_TRUE(this->side.AdviseStart(conv, "KOD", 1));
  this->side.Settle();
  const THsz topic = this->p().CreateStringHandle(this->server.inst, "PKD");
  const THsz item = this->p().CreateStringHandle(this->server.inst, "KOD");
  auto posted = [&] {
    this->server.seen.clear();
    EXPECT_TRUE(this->p().PostAdvise(this->server.inst, topic, item));
    this->side.Settle();
    std::vector<std::string> requests;
    for (const std::string& line : this->server.seen)
      if (line.rfind(std::to_string(ddeml::kXtypAdvReq) + " ", 0) == 0) requests.push_back(line);
    return requests;
  };
  EXPECT_EQ(std::vector<std::string>{this->Type(ddeml::kXtypAdvReq, "PKD/KOD", 0)}, posted());
  this->server.seen.clear();
  this->side.Disconnect(conv);
  this->side.Settle();
  EXPECT_EQ(std::vector<std::string>{this->Type(ddeml::kXtypDisconnect, "/")}, this->server.seen);
  EXPECT_TRUE(posted().empty());
  this->p().FreeStringHandle(this->server.inst, topic);
  this->p().FreeStringHandle(this->server.inst, item);
}

TYPED_TEST_P(PlatformContract, ARefusedCallLeavesItsLastError) {
  this->Serve("Contract_Server");
  EXPECT_EQ(0u, this->p().GetLastError(this->server.inst));
  EXPECT_FALSE(this->p().NameService(this->server.inst, 0, ddeml::kDnsRegister));  // no name to register
  EXPECT_EQ(ddeml::kDmlErrInvalidParameter, this->p().GetLastError(this->server.inst));
  EXPECT_EQ(0u, this->p().GetLastError(this->server.inst));  // read once
}

REGISTER_TYPED_TEST_SUITE_P(PlatformContract, StringHandlesAreCaseInsensitiveAndKeepTheFirstSpelling,
                            DataHandlesCarryTheirBytes, ConnectsReachOnlyARegisteredService,
                            RequestsPokesAndExecutesCarryTheirData, PostAdviseAsksOncePerLink,
                            ServerDisconnectEndsTheConversationOnce, AConnectWithoutServiceArrivesAsAWildConnect,
                            LinksAreKeptOnceAndLeaveWithTheirClient, ARefusedCallLeavesItsLastError);

}  // namespace ddetest
