// The platform over the real DDEML (user32), ANSI entry points, string
// handles in code page 1004. Windows builds only. It holds no state: DDEML
// calls the callback given to Initialize directly.
#pragma once

#include "dde/platform.h"

namespace dde {

class TWin32Platform : public IDdePlatform {
 public:
  uint32_t Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) override;
  bool Uninitialize(TInstanceId instance) override;
  // Posts the uninitialise to a message-only window of the calling thread.
  void UninitializeLater(TInstanceId instance) override;
  // Posted to the same window, so that it keeps its order with the above.
  void RunLater(std::function<void()> work) override;
  bool NameService(TInstanceId instance, THsz service, uint32_t command) override;
  THsz CreateStringHandle(TInstanceId instance, const std::string& text) override;
  bool FreeStringHandle(TInstanceId instance, THsz hsz) override;
  uint32_t QueryString(TInstanceId instance, THsz hsz, char* buffer, uint32_t max) override;
  int CompareStringHandles(THsz a, THsz b) override;
  THData CreateDataHandle(TInstanceId instance, const void* bytes, uint32_t count, uint32_t offset,
                          THsz item, uint32_t format, uint32_t flags) override;
  const uint8_t* AccessData(THData data, uint32_t& size) override;
  bool UnaccessData(THData data) override;
  uint32_t GetData(THData data, void* buffer, uint32_t max, uint32_t offset) override;
  bool FreeDataHandle(THData data) override;
  bool PostAdvise(TInstanceId instance, THsz topic, THsz item) override;
  bool QueryConvInfo(THConv conv, uint32_t transaction, TConvInfo& info) override;
  bool Disconnect(THConv conv) override;
  THConv Reconnect(THConv conv) override;
  uint32_t GetLastError(TInstanceId instance) override;
  // The program file, the computer's name and the local date and time, read
  // from Windows when asked.
  const IHostFacts& Host() const override;
};

// Registers the "XlTable"-style names with Windows (RegisterClipboardFormatA)
// and reads them back (GetClipboardFormatNameA) for the whole process.
void InstallWin32ClipFormatRegistry();

// The start-up wiring of the DDE layer for a Windows program, called once
// from the program's start (and from tests): the clipboard-format registry,
// the trace's debug window.
void InstallWin32DdeServices();

}  // namespace dde
