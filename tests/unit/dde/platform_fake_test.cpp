// The in-memory DDEML held to the contract the real one meets under Wine
// (tests/win/dde/platform_win_test.cpp runs the same tests on both).
#include "support/fake_platform.h"
#include "unit/dde/platform_contract.h"

namespace ddetest {
namespace {

class TFakeSide {
 public:
  dde::IDdePlatform& Platform() { return FFake; }
  THConv Connect(const std::string& service, const std::string& topic) { return FFake.ClientConnect(service, topic); }
  bool Request(THConv conv, const std::string& item, uint32_t format, std::string& bytes) {
    if (FFake.ClientRequest(conv, item, format) == 0) return false;
    bytes = FFake.LastReply();
    return true;
  }
  uint32_t Poke(THConv conv, const std::string& item, const std::string& bytes, uint32_t format) {
    return FFake.ClientPoke(conv, item, bytes, format);
  }
  uint32_t Execute(THConv conv, const std::string& command) { return FFake.ClientExecute(conv, command); }
  bool AdviseStart(THConv conv, const std::string& item, uint32_t format) {
    return FFake.ClientAdviseStart(conv, item, format);
  }
  void Disconnect(THConv conv) { FFake.ClientDisconnect(conv); }
  std::vector<std::string> Received() const {
    std::vector<std::string> bytes;
    for (const auto& d : FFake.delivered) bytes.push_back(d.bytes);
    return bytes;
  }
  void Settle() {}
  static bool ServerDisconnects() { return true; }

 private:
  TFakePlatform FFake;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, PlatformContract, TFakeSide);

}  // namespace
}  // namespace ddetest
