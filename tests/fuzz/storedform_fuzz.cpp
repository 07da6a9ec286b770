// Stored form text is read from form files: malformed text must be refused
// with an error, never crash, and what is read must write back and read again
// to the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dde/storedform.h"

namespace {

// A platform that is never reached: stored services are not registered.
class TNoPlatform : public dde::IDdePlatform {
 public:
  uint32_t Initialize(dde::TInstanceId&, dde::TDdeCallback, uint32_t) override { std::abort(); }
  bool Uninitialize(dde::TInstanceId) override { std::abort(); }
  void UninitializeLater(dde::TInstanceId) override { std::abort(); }
  bool NameService(dde::TInstanceId, dde::THsz, uint32_t) override { std::abort(); }
  dde::THsz CreateStringHandle(dde::TInstanceId, const std::string&) override { std::abort(); }
  bool FreeStringHandle(dde::TInstanceId, dde::THsz) override { std::abort(); }
  uint32_t QueryString(dde::TInstanceId, dde::THsz, char*, uint32_t) override { std::abort(); }
  int CompareStringHandles(dde::THsz, dde::THsz) override { std::abort(); }
  dde::THData CreateDataHandle(dde::TInstanceId, const void*, uint32_t, uint32_t, dde::THsz, uint32_t,
                               uint32_t) override {
    std::abort();
  }
  const uint8_t* AccessData(dde::THData, uint32_t&) override { std::abort(); }
  bool UnaccessData(dde::THData) override { std::abort(); }
  uint32_t GetData(dde::THData, void*, uint32_t, uint32_t) override { std::abort(); }
  bool FreeDataHandle(dde::THData) override { std::abort(); }
  bool PostAdvise(dde::TInstanceId, dde::THsz, dde::THsz) override { std::abort(); }
  bool QueryConvInfo(dde::THConv, uint32_t, dde::TConvInfo&) override { std::abort(); }
  bool Disconnect(dde::THConv) override { std::abort(); }
  dde::THConv Reconnect(dde::THConv) override { std::abort(); }
  uint32_t GetLastError(dde::TInstanceId) override { std::abort(); }
};

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  dde::TDDEMLCmdsList cmds;
  try {
    dde::ReadCmdList(text, cmds);
    const std::string written = dde::WriteCmdList(cmds);
    dde::TDDEMLCmdsList again;
    dde::ReadCmdList(written, again);
    Check(dde::WriteCmdList(again) == written);
  } catch (const dde::EStoredFormError&) {
  }
  static TNoPlatform platform;
  dde::TDDEMLServicesList services(platform);
  try {
    dde::ReadServicesList(text, services);
    const std::string written = dde::WriteServicesList(services);
    dde::TDDEMLServicesList again(platform);
    dde::ReadServicesList(written, again);
    Check(dde::WriteServicesList(again) == written);
  } catch (const dde::EStoredFormError&) {
  }
  return 0;
}
