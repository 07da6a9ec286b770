// The fake stands in for DDEML in every manager test, so it must behave as the
// real one does where the manager relies on it.
#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace ddetest {
namespace {

struct TSeen {
  uint32_t type = 0;
  THConv conv = 0;
  THsz hsz1 = 0, hsz2 = 0;
};
thread_local TSeen tSeen;
thread_local TFakePlatform* tFake = nullptr;
thread_local TInstanceId tInst = 0;

THData DDE_CALLBACK Recorder(uint32_t type, uint32_t, THConv conv, THsz hsz1, THsz hsz2, THData, uintptr_t,
                uintptr_t) {
  tSeen = TSeen{type, conv, hsz1, hsz2};
  if (type == dde::ddeml::kXtypRequest)
    return tFake->CreateDataHandle(tInst, "reply", 6, 0, hsz2, 1, 0);
  if (type == dde::ddeml::kXtypAdvReq)
    return tFake->CreateDataHandle(tInst, "kept", 5, 0, hsz2, 1, dde::ddeml::kHDataAppOwned);
  return type == dde::ddeml::kXtypConnect ? 1 : 0;
}

class FakePlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(fake.Initialize(inst, Recorder, dde::ddeml::kAppCmdFilterInits), 0u);
    tFake = &fake;
    tInst = inst;
  }
  TFakePlatform fake;
  TInstanceId inst = 0;
};

TEST_F(FakePlatformTest, StringHandlesAreCaseInsensitiveAtoms) {
  THsz a = fake.CreateStringHandle(inst, "PKD_Zel");
  THsz b = fake.CreateStringHandle(inst, "pkd_zel");
  THsz c = fake.CreateStringHandle(inst, "Other");
  EXPECT_EQ(fake.CompareStringHandles(a, b), 0);
  EXPECT_NE(fake.CompareStringHandles(a, c), 0);
  EXPECT_EQ(fake.CreateStringHandle(inst, ""), 0u);
  EXPECT_EQ(fake.QueryStringText(inst, b), "PKD_Zel");  // the first spelling stays
  EXPECT_EQ(fake.LiveStringHandles(), 3u);
  EXPECT_TRUE(fake.FreeStringHandle(inst, a));
  EXPECT_EQ(fake.QueryStringText(inst, b), "PKD_Zel");  // still held once
  EXPECT_TRUE(fake.FreeStringHandle(inst, b));
  EXPECT_TRUE(fake.FreeStringHandle(inst, c));
  EXPECT_EQ(fake.LiveStringHandles(), 0u);
  EXPECT_TRUE(fake.Errors().empty());
  EXPECT_FALSE(fake.FreeStringHandle(inst, a));  // a double free is caught
  EXPECT_EQ(fake.Errors().size(), 1u);
}

TEST_F(FakePlatformTest, QueryStringAsDdeQueryStringA) {
  THsz h = fake.CreateStringHandle(inst, "Topic");
  EXPECT_EQ(fake.QueryString(inst, h, nullptr, 0), 5u);
  char buf[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(fake.QueryString(inst, h, buf, 4), 3u);
  EXPECT_STREQ(buf, "Top");
  fake.FreeStringHandle(inst, h);
}

TEST_F(FakePlatformTest, NameServiceAndInitialisation) {
  THsz s = fake.CreateStringHandle(inst, "PKD_ZEL");
  EXPECT_TRUE(fake.NameService(inst, s, dde::ddeml::kDnsRegister));
  EXPECT_EQ(fake.RegisteredServices(inst).count("PKD_ZEL"), 1u);
  fake.nameServiceResult = false;
  EXPECT_FALSE(fake.NameService(inst, s, dde::ddeml::kDnsUnregister));
  EXPECT_EQ(fake.RegisteredServices(inst).size(), 1u);
  fake.nameServiceResult = true;
  EXPECT_TRUE(fake.NameService(inst, s, dde::ddeml::kDnsUnregister));
  EXPECT_TRUE(fake.RegisteredServices(inst).empty());
  fake.FreeStringHandle(inst, s);
  EXPECT_EQ(fake.initializeCommands.back(), dde::ddeml::kAppCmdFilterInits);
  TInstanceId other = 0;
  fake.initializeResult = dde::ddeml::kDmlErrDllNotInitialized;
  EXPECT_EQ(fake.Initialize(other, Recorder, 0), dde::ddeml::kDmlErrDllNotInitialized);
  EXPECT_EQ(other, 0u);
  EXPECT_TRUE(fake.Uninitialize(inst));
  EXPECT_EQ(fake.CreateStringHandle(inst, "late"), 0u);  // instance gone
  EXPECT_FALSE(fake.Errors().empty());
}

TEST_F(FakePlatformTest, CallbackRepliesAreHandledAsDdemlDoes) {
  THsz topic = fake.Hsz("PKD"), item = fake.Hsz("KOD");
  EXPECT_EQ(fake.Call(dde::ddeml::kXtypConnect, 0, 0, topic, fake.Hsz("PKD_ZEL"), 0), 1u);
  EXPECT_EQ(tSeen.type, dde::ddeml::kXtypConnect);
  EXPECT_EQ(fake.Text(tSeen.hsz2), "PKD_ZEL");

  THData r = fake.Call(dde::ddeml::kXtypRequest, 1, 7, topic, item, 0);
  EXPECT_EQ(tSeen.conv, 7u);
  EXPECT_EQ(fake.LastReply(), std::string("reply\0", 6));
  EXPECT_TRUE(fake.Data(r)->freed);  // not owned: DDEML frees it after sending

  THData kept = fake.Call(dde::ddeml::kXtypAdvReq, 1, 7, topic, item, 0);
  EXPECT_EQ(fake.LastReply(), std::string("kept\0", 5));
  EXPECT_FALSE(fake.Data(kept)->freed);  // owned: stays with the server
  EXPECT_EQ(fake.LiveOwnedDataHandles(), 1u);
  fake.FreeDataHandle(kept);
  EXPECT_TRUE(fake.Errors().empty());
}

TEST_F(FakePlatformTest, DataHandlesAccessAndMisuse) {
  THData h = fake.CreateDataHandle(inst, "abcd", 4, 0, 0, 1, 0);
  uint32_t size = 99;
  const uint8_t* p = fake.AccessData(h, size);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(p[3], 'd');
  EXPECT_TRUE(fake.UnaccessData(h));
  char two[2];
  EXPECT_EQ(fake.GetData(h, two, 2, 1), 2u);
  EXPECT_EQ(two[0], 'b');
  EXPECT_TRUE(fake.FreeDataHandle(h));
  EXPECT_TRUE(fake.Errors().empty());
  EXPECT_FALSE(fake.FreeDataHandle(h));
  EXPECT_FALSE(fake.UnaccessData(h));
  EXPECT_EQ(fake.Errors().size(), 2u);
}

TEST_F(FakePlatformTest, ConversationsKnownToDdeml) {
  TConvInfo info;
  EXPECT_FALSE(fake.QueryConvInfo(5, dde::ddeml::kQidSync, info));
  fake.AddConversation(5, "client", "PKD_ZEL", "PKD", 3);
  ASSERT_TRUE(fake.QueryConvInfo(5, dde::ddeml::kQidSync, info));
  EXPECT_EQ(fake.Text(info.hszSvcPartner), "client");
  EXPECT_EQ(fake.Text(info.hszServiceReq), "PKD_ZEL");
  EXPECT_EQ(fake.Text(info.hszTopic), "PKD");
  EXPECT_EQ(info.status, 3u);
  EXPECT_TRUE(fake.Disconnect(5));
  EXPECT_FALSE(fake.QueryConvInfo(5, dde::ddeml::kQidSync, info));
  EXPECT_FALSE(fake.Disconnect(5));
  EXPECT_EQ(fake.disconnectCalls.size(), 2u);
}

// A small server for the client-side helpers: what it was called with, and
// answers that depend on the arguments.
struct TMiniServer {
  std::vector<std::string> log;
  std::string poked;
};
thread_local TMiniServer* tMini = nullptr;

THData DDE_CALLBACK MiniServer(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2, THData data,
                  uintptr_t data1, uintptr_t) {
  TFakePlatform& f = *tFake;
  std::string topic = f.Text(hsz1), second = f.Text(hsz2);
  tMini->log.push_back(std::to_string(type) + " " + topic + " " + second + " " +
                       std::to_string(data1));
  switch (type) {
    case dde::ddeml::kXtypConnect:
      return topic == "PKD" ? 1 : 0;
    case dde::ddeml::kXtypRequest:
    case dde::ddeml::kXtypAdvReq: {
      std::string v = second + "=" + std::to_string(conv);
      return f.CreateDataHandle(tInst, v.data(), static_cast<uint32_t>(v.size()), 0, hsz2, format,
                                0);
    }
    case dde::ddeml::kXtypPoke:
    case dde::ddeml::kXtypExecute: {
      uint32_t size = 0;
      const uint8_t* p = f.AccessData(data, size);
      tMini->poked.assign(reinterpret_cast<const char*>(p), size);
      f.UnaccessData(data);
      return dde::ddeml::kDdeFAck;
    }
    case dde::ddeml::kXtypAdvStart:
      return second == "KOD" ? 1 : 0;
    default:
      return 0;
  }
}

TEST(FakeClientTest, TransactionsReachTheCallbackWithDdemlArguments) {
  TFakePlatform fake;
  TInstanceId inst = 0;
  TMiniServer mini;
  tMini = &mini;
  tFake = &fake;
  ASSERT_EQ(fake.Initialize(inst, MiniServer, 0), 0u);
  tInst = inst;

  EXPECT_EQ(fake.ClientConnect("PKD_ZEL", "Other"), 0u);
  THConv conv = fake.ClientConnect("PKD_ZEL", "PKD");
  ASSERT_NE(conv, 0u);
  // Connect and confirm carry topic in hsz1 and service in hsz2.
  ASSERT_GE(mini.log.size(), 3u);
  EXPECT_EQ(mini.log[1], std::to_string(dde::ddeml::kXtypConnect) + " PKD PKD_ZEL 0");
  EXPECT_EQ(mini.log[2], std::to_string(dde::ddeml::kXtypConnectConfirm) + " PKD PKD_ZEL 0");
  TConvInfo info;
  EXPECT_TRUE(fake.QueryConvInfo(conv, dde::ddeml::kQidSync, info));

  fake.ClientRequest(conv, "NAZWA");
  EXPECT_EQ(fake.LastReply(), "NAZWA=" + std::to_string(conv));
  EXPECT_EQ(fake.ClientPoke(conv, "KOD", "01.11.Z"), dde::ddeml::kDdeFAck);
  EXPECT_EQ(mini.poked, "01.11.Z");
  EXPECT_EQ(fake.ClientExecute(conv, "[Find_PKD(\"\",\"x\")]"), dde::ddeml::kDdeFAck);
  EXPECT_EQ(mini.poked, std::string("[Find_PKD(\"\",\"x\")]\0", 19));

  // Two links on one item: PostAdvise asks for the data inside the call, as
  // DDEML does, counting the requests still to come down to 0.
  THConv second = fake.ClientConnect("PKD_ZEL", "PKD");
  EXPECT_FALSE(fake.ClientAdviseStart(conv, "OPIS"));
  EXPECT_TRUE(fake.ClientAdviseStart(conv, "KOD"));
  EXPECT_TRUE(fake.ClientAdviseStart(second, "KOD"));
  THsz topic = fake.Hsz("PKD"), item = fake.Hsz("kod");
  mini.log.clear();
  EXPECT_TRUE(fake.PostAdvise(inst, topic, item));
  ASSERT_EQ(fake.delivered.size(), 2u);
  EXPECT_EQ(fake.delivered[0].bytes, "KOD=" + std::to_string(conv));
  EXPECT_EQ(fake.delivered[1].conv, second);
  EXPECT_EQ(mini.log[0], std::to_string(dde::ddeml::kXtypAdvReq) + " PKD KOD 1");
  EXPECT_EQ(mini.log[1], std::to_string(dde::ddeml::kXtypAdvReq) + " PKD KOD 0");

  fake.ClientAdviseStop(conv, "KOD");
  fake.ClientDisconnect(second);
  EXPECT_TRUE(fake.PostAdvise(inst, topic, item));
  EXPECT_EQ(fake.delivered.size(), 2u);  // no link left
  EXPECT_FALSE(fake.QueryConvInfo(second, dde::ddeml::kQidSync, info));
  EXPECT_EQ(fake.LiveDataHandles(), 0u);
  EXPECT_TRUE(fake.Errors().empty()) << fake.Errors().front();
}

}  // namespace
}  // namespace ddetest
