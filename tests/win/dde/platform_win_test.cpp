// The platform layer against the real DDEML (Wine's under test): a server in
// the test's thread, the project's DDE client in another thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <atomic>
#include <string>
#include <thread>

#include "dde/data.h"
#include "dde/formats.h"
#include "dde/platform_win.h"
#include "pkdpick/dde_client.h"
#include "support/pump_win.h"
#include "text/cp1250.h"

namespace dde {
namespace {

using testing_support::PumpUntil;

THData DDE_CALLBACK Silent(uint32_t, uint32_t, THConv, THsz, THsz, THData, uintptr_t, uintptr_t) { return 0; }

// The program's start-up wiring, once for all tests.
class TWin32DdeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { InstallWin32DdeServices(); }
};
::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(new TWin32DdeEnvironment);

TEST(Win32PlatformTest, StringHandlesCompareWithoutCase) {
  TWin32Platform p;
  TInstanceId inst = 0;
  ASSERT_EQ(p.Initialize(inst, Silent, ddeml::kAppCmdClientOnly), 0u);
  ASSERT_NE(inst, 0u);
  THsz a = p.CreateStringHandle(inst, "Service_One");
  THsz b = p.CreateStringHandle(inst, "SERVICE_one");
  THsz c = p.CreateStringHandle(inst, "Service_Two");
  ASSERT_NE(a, 0u);
  EXPECT_EQ(p.CompareStringHandles(a, b), 0);
  EXPECT_NE(p.CompareStringHandles(a, c), 0);
  EXPECT_EQ(p.QueryString(inst, c, nullptr, 0), 11u);
  EXPECT_EQ(p.QueryStringText(inst, c), "Service_Two");
  char small[5] = "####";
  EXPECT_EQ(p.QueryString(inst, c, small, 5), 4u);
  EXPECT_STREQ(small, "Serv");
  EXPECT_TRUE(p.FreeStringHandle(inst, a));
  EXPECT_TRUE(p.FreeStringHandle(inst, b));
  EXPECT_TRUE(p.FreeStringHandle(inst, c));
  EXPECT_TRUE(p.Uninitialize(inst));
}

TEST(Win32PlatformTest, DataHandlesCarryTheirBytes) {
  TWin32Platform p;
  TInstanceId inst = 0;
  ASSERT_EQ(p.Initialize(inst, Silent, 0), 0u);
  THsz item = p.CreateStringHandle(inst, "R1C1:R1C2");
  TDDEMLRWData d(p);
  d.SetText("Zażółć");
  THData h = d.CreateHandle(inst, item, kCfText, true);
  ASSERT_NE(h, 0u);
  uint32_t size = 0;
  const uint8_t* bytes = p.AccessData(h, size);
  ASSERT_NE(bytes, nullptr);
  ASSERT_GE(size, 7u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes)), "Zażółć");
  EXPECT_TRUE(p.UnaccessData(h));

  // Read back through the holder, as a poke would be.
  TDDEMLRWData back(p);
  back.SetFromHandle(kCfText, h);
  EXPECT_EQ(back.Text(), "Zażółć");

  THData w = d.CreateHandle(inst, item, kCfUnicodeText, true);
  ASSERT_NE(w, 0u);
  uint8_t wide[16] = {};
  EXPECT_GE(p.GetData(w, wide, sizeof wide, 0), 14u);
  EXPECT_EQ(wide[4], 0x7C);  // ż U+017C
  EXPECT_EQ(wide[5], 0x01);
  back.SetFromHandle(kCfUnicodeText, w);
  EXPECT_EQ(back.Text(), "Zażółć");

  d.SetText("{2,1}F,2,1,2");
  THData x = d.CreateHandle(inst, item, XlTableFormat(), false);
  ASSERT_NE(x, 0u);
  uint8_t table[8] = {};
  EXPECT_GE(p.GetData(x, table, 8, 0), 8u);
  EXPECT_EQ(table[0], 16);
  EXPECT_EQ(table[4], 1);  // rows
  EXPECT_EQ(table[6], 2);  // columns
  EXPECT_TRUE(p.FreeDataHandle(x));
  EXPECT_EQ(ClipFormatName(XlTableFormat()), "XlTable");
  EXPECT_EQ(XlTableFormat(), RegisterClipboardFormatA("XLTABLE"));

  d.Clear();
  d.SetText("");
  p.FreeStringHandle(inst, item);
  EXPECT_TRUE(p.Uninitialize(inst));
}

// ---- a real conversation ----

struct TServer {
  TWin32Platform* p = nullptr;
  TInstanceId inst = 0;
  THsz service = 0;
  std::string connectService, connectTopic, confirmTopic, poked;
  int requests = 0;
  TDDEMLRWData* data = nullptr;
};
TServer* gServer = nullptr;

THData DDE_CALLBACK ServerCallback(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                      THData data, uintptr_t, uintptr_t) {
  TServer& s = *gServer;
  switch (type) {
    case ddeml::kXtypConnect:
      s.connectService = s.p->QueryStringText(s.inst, hsz2);
      s.connectTopic = s.p->QueryStringText(s.inst, hsz1);
      return s.p->CompareStringHandles(hsz2, s.service) == 0 ? 1 : 0;
    case ddeml::kXtypConnectConfirm: {
      TConvInfo info;
      if (s.p->QueryConvInfo(conv, ddeml::kQidSync, info))
        s.confirmTopic = s.p->QueryStringText(s.inst, info.hszTopic);
      return 0;
    }
    case ddeml::kXtypRequest:
      ++s.requests;
      if (s.p->QueryStringText(s.inst, hsz2) != "KOD") return 0;
      return s.data->CreateHandle(s.inst, hsz2, static_cast<uint16_t>(format), false);
    case ddeml::kXtypPoke:
      s.data->SetFromHandle(static_cast<uint16_t>(format), data);
      s.poked = s.data->Text();
      return ddeml::kDdeFAck;
    default:
      return 0;
  }
}

struct TClientResult {
  bool connected = false;
  std::string text;
  std::string unicodeBytes;
  bool pokeAcked = false;
  std::string failure;
};

void RunClient(TClientResult& r, std::atomic<bool>& done) {
  {
    pkdpick::TDdeClient client;
    pkdpick::TDdeConversation conv(client);
    r.connected = client.Ok() && conv.Connect("ddea_test_server", "PKD");  // other case
    if (r.connected) {
      pkdpick::TDdeResult got = conv.Request("KOD");
      if (got.Ok()) r.text = got.Text();
      else r.failure += std::string("CF_TEXT request: ") + pkdpick::DdeErrorName(got.Error) + "; ";
      got = conv.Request("KOD", CF_UNICODETEXT);
      if (got.Ok()) r.unicodeBytes = got.Data;
      else r.failure += std::string("CF_UNICODETEXT request: ") + pkdpick::DdeErrorName(got.Error) + "; ";
      got = conv.Poke("KOD", "poked");
      r.pokeAcked = got.Ok() && (got.Flags & DDE_FACK) != 0;
    } else {
      r.failure += std::string("connect failed: ") + pkdpick::DdeErrorName(client.LastError()) + "; ";
    }
  }
  done = true;
}

TEST(Win32PlatformTest, RegisteredServiceServesAClientInAnotherThread) {
  TWin32Platform p;
  TServer s;
  s.p = &p;
  gServer = &s;
  ASSERT_EQ(p.Initialize(s.inst, ServerCallback, ddeml::kAppCmdFilterInits), 0u);
  TDDEMLRWData data(p);
  data.SetText("01.11.Z");
  s.data = &data;
  s.service = p.CreateStringHandle(s.inst, "DDEA_Test_Server");
  ASSERT_TRUE(p.NameService(s.inst, s.service, ddeml::kDnsRegister));

  TClientResult r;
  std::atomic<bool> done{false};
  std::thread client(RunClient, std::ref(r), std::ref(done));
  bool finished = PumpUntil([&] { return done.load(); }, 30000);
  client.join();
  ASSERT_TRUE(finished) << "client did not finish";

  EXPECT_EQ(r.failure, "");
  EXPECT_TRUE(r.connected);
  EXPECT_TRUE(text::EqualNoCaseAscii(s.connectService, "DDEA_Test_Server")) << s.connectService;
  EXPECT_EQ(s.connectTopic, "PKD");
  EXPECT_EQ(s.confirmTopic, "PKD");
  EXPECT_EQ(r.text, "01.11.Z");
  EXPECT_EQ(r.unicodeBytes.substr(0, 16), std::string("0\0" "1\0" ".\0" "1\0" "1\0" ".\0" "Z\0\0\0", 16));
  EXPECT_TRUE(r.pokeAcked);
  EXPECT_EQ(s.poked, "poked");
  EXPECT_EQ(data.Format(), kCfText);

  EXPECT_TRUE(p.NameService(s.inst, s.service, ddeml::kDnsUnregister));
  EXPECT_TRUE(p.FreeStringHandle(s.inst, s.service));
  data.Clear();
  EXPECT_TRUE(p.Uninitialize(s.inst));
  gServer = nullptr;
}

// Instances on one thread, each with its own callback: the server's callback
// answers the client's connect and request; neither the client's nor that of
// an idle third instance sees any.
int gServerCalls = 0, gClientCalls = 0;
TWin32Platform* gSameThreadPlatform = nullptr;
TInstanceId gSameThreadServer = 0;

THData DDE_CALLBACK SameThreadServer(uint32_t type, uint32_t format, THConv, THsz, THsz hsz2, THData,
                        uintptr_t, uintptr_t) {
  ++gServerCalls;
  if (type == ddeml::kXtypConnect) return 1;
  if (type == ddeml::kXtypRequest)
    return gSameThreadPlatform->CreateDataHandle(gSameThreadServer, "same", 5, 0, hsz2, format, 0);
  return 0;
}

THData DDE_CALLBACK SameThreadClient(uint32_t type, uint32_t, THConv, THsz, THsz, THData, uintptr_t, uintptr_t) {
  if (type == ddeml::kXtypConnect || type == ddeml::kXtypRequest) ++gClientCalls;
  return 0;
}

TEST(Win32PlatformTest, EachInstanceHasItsOwnCallback) {
  TWin32Platform p;
  gSameThreadPlatform = &p;
  TInstanceId server = 0, client = 0;
  ASSERT_EQ(p.Initialize(server, SameThreadServer, 0), 0u);
  gSameThreadServer = server;
  ASSERT_EQ(p.Initialize(client, SameThreadClient, ddeml::kAppCmdClientOnly), 0u);
  THsz name = p.CreateStringHandle(server, "DDEA_Same_Thread");
  ASSERT_TRUE(p.NameService(server, name, ddeml::kDnsRegister));

  {
    pkdpick::TDdeClient other;  // an instance of the project's own client
    pkdpick::TDdeConversation conv(other);
    ASSERT_TRUE(conv.Connect("DDEA_Same_Thread", "T")) << pkdpick::DdeErrorName(other.LastError());
    const pkdpick::TDdeResult got = conv.Request("I");
    ASSERT_TRUE(got.Ok()) << pkdpick::DdeErrorName(got.Error);
    EXPECT_EQ(got.Text(), "same");
    EXPECT_TRUE(conv.Disconnect());
    EXPECT_EQ(other.ServerCalls, 0);
  }
  EXPECT_GE(gServerCalls, 2);
  EXPECT_EQ(gClientCalls, 0);

  p.NameService(server, name, ddeml::kDnsUnregister);
  p.FreeStringHandle(server, name);
  EXPECT_TRUE(p.Uninitialize(client));
  EXPECT_TRUE(p.Uninitialize(server));
  // Nothing is held per instance: many instances one after another all
  // initialise.
  for (int i = 0; i < 20; ++i) {
    TInstanceId again = 0;
    ASSERT_EQ(p.Initialize(again, SameThreadClient, ddeml::kAppCmdClientOnly), 0u) << i;
    EXPECT_TRUE(p.Uninitialize(again));
  }
}

TEST(Win32PlatformTest, RefusedCallLeavesALastError) {
  TWin32Platform p;
  TInstanceId inst = 0;
  ASSERT_EQ(p.Initialize(inst, ServerCallback, 0), 0u);
  EXPECT_EQ(p.GetLastError(inst), 0u);
  EXPECT_FALSE(p.NameService(inst, 0, ddeml::kDnsRegister));  // no name to register
  EXPECT_EQ(p.GetLastError(inst), ddeml::kDmlErrInvalidParameter);
  EXPECT_TRUE(p.Uninitialize(inst));
}

}  // namespace
}  // namespace dde
