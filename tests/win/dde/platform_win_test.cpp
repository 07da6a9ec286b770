// The real DDEML (Wine's under test) held to the platform contract the
// in-memory one is held to, through TWin32Platform; the client is a second
// DDEML instance on the same thread. The program also runs the in-memory
// side (platform_fake_test.cpp), so one run shows both meet the contract.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>

#include "dde/formats.h"
#include "dde/win/platform_win.h"
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

class TWin32Side {
 public:
  TWin32Side() {
    tSide = this;
    EXPECT_EQ(static_cast<UINT>(DMLERR_NO_ERROR), DdeInitializeA(&FClient, ClientCallback, APPCMD_CLIENTONLY, 0));
  }
  ~TWin32Side() {
    for (HSZ h : FNames) DdeFreeStringHandle(FClient, h);
    DdeUninitialize(FClient);
    tSide = nullptr;
  }
  dde::IDdePlatform& Platform() { return FPlatform; }
  THConv Connect(const std::string& service, const std::string& topic) {
    HCONV conv = DdeConnect(FClient, Name(service), Name(topic), nullptr);
    Settle();
    return reinterpret_cast<THConv>(conv);
  }
  bool Request(THConv conv, const std::string& item, uint32_t format, std::string& bytes) {
    HDDEDATA h = Transact(nullptr, 0, conv, item, format, XTYP_REQUEST, nullptr);
    if (!h) return false;
    bytes = Bytes(h);
    DdeFreeDataHandle(h);
    return true;
  }
  uint32_t Poke(THConv conv, const std::string& item, const std::string& bytes, uint32_t format) {
    DWORD result = 0;
    Transact(bytes.data(), bytes.size(), conv, item, format, XTYP_POKE, &result);
    return result;
  }
  uint32_t Execute(THConv conv, const std::string& command) {
    const std::string bytes = command + std::string(1, '\0');
    DWORD result = 0;
    Transact(bytes.data(), bytes.size(), conv, std::string(), 0, XTYP_EXECUTE, &result);
    return result;
  }
  bool AdviseStart(THConv conv, const std::string& item, uint32_t format) {
    return Transact(nullptr, 0, conv, item, format, XTYP_ADVSTART, nullptr) != nullptr;
  }
  void Disconnect(THConv conv) { DdeDisconnect(reinterpret_cast<HCONV>(conv)); }
  std::vector<std::string> Received() const { return FReceived; }
  // Wine posts an acknowledgement of its own after some replies; it must
  // arrive before the next transaction.
  void Settle() { testing_support::PumpFor(100); }
  static bool ServerDisconnects() {
    // Wine's DDEML says so itself ("not implemented yet for a server side
    // conversation"); Windows' ends the conversation.
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
  }

 private:
  static inline TWin32Side* tSide = nullptr;

  static HDDEDATA CALLBACK ClientCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    if (type != XTYP_ADVDATA || !tSide) return nullptr;
    tSide->FReceived.push_back(Bytes(data));
    return reinterpret_cast<HDDEDATA>(DDE_FACK);
  }
  static std::string Bytes(HDDEDATA h) {
    DWORD size = 0;
    const BYTE* p = DdeAccessData(h, &size);
    std::string bytes = p ? std::string(reinterpret_cast<const char*>(p), size) : std::string();
    if (p) DdeUnaccessData(h);
    return bytes;
  }
  HSZ Name(const std::string& text) {
    if (text.empty()) return nullptr;
    FNames.push_back(DdeCreateStringHandleA(FClient, text.c_str(), CP_WINANSI));
    return FNames.back();
  }
  HDDEDATA Transact(const char* bytes, std::size_t size, THConv conv, const std::string& item, uint32_t format,
                    UINT type, DWORD* result) {
    HDDEDATA h = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(bytes)), static_cast<DWORD>(size),
                                      reinterpret_cast<HCONV>(conv), Name(item), format, type, 5000, result);
    Settle();
    return h;
  }

  dde::TWin32Platform FPlatform;
  DWORD FClient = 0;
  std::vector<HSZ> FNames;
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
