// Stored form text is read from form files: malformed text must be refused
// with an error, never crash, and what is read must write back and read again
// to the same table. The whole form is also read into a manager that serves
// a client at the time, its trace going to a log that cannot be written when
// the text turns tracing on: the manager must end clean.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dde/manager.h"
#include "dde/storedform.h"
#include "support/fake_platform.h"
#include "text/cp1250.h"

namespace {

// A platform that is never reached: stored services are not registered.
class TNoPlatform : public dde::IDdePlatform {
 public:
  uint32_t Initialize(dde::TInstanceId&, dde::TDdeCallback, uint32_t) override { std::abort(); }
  bool Uninitialize(dde::TInstanceId) override { std::abort(); }
  void UninitializeLater(dde::TInstanceId) override { std::abort(); }
  void RunLater(std::function<void()>) override { std::abort(); }
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

const char* const kFailingLog = "/nonexistent-pkd-folder/dde.log";

void ReadIntoServingManager(const std::string& form) {
  // A log named by the text could be any file of this machine (an existing
  // one is moved aside): such texts are left out.
  if (text::UpperAscii(form).find("DEBUGFILENAME") != std::string::npos) return;
  ddetest::TFakePlatform fake;
  {
    dde::TDDEMLManager m(nullptr, fake);
    m.Scope = dde::ddeServerOnly;
    m.DebugFileName = kFailingLog;
    m.AddService("PKD_ZEL");
    m.FindService("PKD_ZEL")->Enabled = true;
    Check(m.InitDDEML());
    m.SetItemText("PKD_ZEL", "PKD", "KOD", "01.11.Z");
    fake.ClientConnect("PKD_ZEL", "PKD");
    try {
      m.ReadStoredForm(form);
    } catch (const text::Exception&) {
    }
    if (m.Initialized() && m.IsServerScope())
      for (int i = 0; i < m.Services().Count(); ++i)
        if (dde::THConv c = fake.ClientConnect(m.Services().NameAt(i), "PKD")) fake.ClientRequest(c, "KOD");
  }
  fake.RunIdle();
  Check(fake.Errors().empty());
  Check(fake.LiveStringHandles() == 0);
  Check(fake.LiveDataHandles() == 0);
  dde::SetDebugSettingsQuietly(dde::dbNone, std::string());
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
  ReadIntoServingManager(text);
  return 0;
}
