// The real DDEML (Wine's under test) held to the platform contract the
// in-memory one is held to, through TWin32Platform; the client is the
// project's DDE client, a second DDEML instance on the same thread. The program also runs the in-memory
// side (platform_fake_test.cpp), so one run shows both meet the contract.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include <map>
#include <memory>

#include "dde/formats.h"
#include "dde/win/platform_win.h"
#include "dde/win/dde_client_win.h"
#include "support/pump_win.h"
#include "unit/dde/platform_contract.h"

namespace ddetest {
namespace {

// The program's start-up wiring, once for all tests.
class TWin32DdeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { dde::InstallWin32DdeServices(); }
};
::testing::Environment* const gEnvironment = ::testing::AddGlobalTestEnvironment(new TWin32DdeEnvironment);

// The client side is the project's DDE client, as every client of ours.
class TWin32Side {
 public:
  TWin32Side() {
    EXPECT_TRUE(FClient.Ok());
    FClient.OnAdvise = [this](const std::string&, const std::string& data) { FReceived.push_back(data); };
  }
  dde::IDdePlatform& Platform() { return FPlatform; }
  THConv Connect(const std::string& service, const std::string& topic) {
    auto conv = std::make_unique<dde::TDdeConversation>(FClient);
    const bool made = conv->Connect(service.empty() ? nullptr : service.c_str(), topic.empty() ? nullptr : topic.c_str());
    Settle();
    if (!made) return 0;
    const THConv handle = reinterpret_cast<THConv>(conv->Handle());
    FConvs[handle] = std::move(conv);
    return handle;
  }
  bool Request(THConv conv, const std::string& item, uint32_t format, std::string& bytes) {
    const dde::TDdeResult r = Of(conv).Request(item, format);
    Settle();
    if (!r.Ok()) return false;
    bytes = r.Data;
    return true;
  }
  uint32_t Poke(THConv conv, const std::string& item, const std::string& bytes, uint32_t format) {
    const dde::TDdeResult r = Of(conv).Poke(item, bytes, format);
    Settle();
    return r.Flags;
  }
  uint32_t Execute(THConv conv, const std::string& command) {
    const dde::TDdeResult r = Of(conv).Execute(command);
    Settle();
    return r.Flags;
  }
  bool AdviseStart(THConv conv, const std::string& item, uint32_t format) {
    const bool ok = Of(conv).AdviseStart(item, format).Ok();
    Settle();
    return ok;
  }
  void Disconnect(THConv conv) { Of(conv).Disconnect(); }
  std::vector<std::string> Received() const { return FReceived; }
  // Advise data arrives by posted messages.
  void Settle() { testing_support::PumpFor(100); }
  static bool ServerDisconnects() {
    // Wine's DDEML says so itself ("not implemented yet for a server side
    // conversation"); Windows' ends the conversation.
    return !dde::RunningOnWine();
  }

 private:
  dde::TDdeConversation& Of(THConv conv) { return *FConvs.at(conv); }

  dde::TWin32Platform FPlatform;
  dde::TDdeClient FClient;
  std::map<THConv, std::unique_ptr<dde::TDdeConversation>> FConvs;
  std::vector<std::string> FReceived;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, PlatformContract, TWin32Side);

// XlTable is the system's registered format, under the name Excel reads.
TEST(Win32Formats, XlTableIsTheSystemsRegisteredFormat) {
  const uint16_t format = dde::XlTableFormat();
  EXPECT_EQ("XlTable", dde::ClipFormatName(format));
  EXPECT_EQ(format, RegisterClipboardFormatA("XLTABLE"));
}

}  // namespace
}  // namespace ddetest
