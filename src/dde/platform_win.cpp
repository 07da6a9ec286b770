#include "dde/platform_win.h"

#include <windows.h>
#include <ddeml.h>

#include <mutex>

#include "dde/formats.h"
#include "dde/trace_window_win.h"

namespace dde {

namespace {

// DDEML's callback carries no context, so each live instance gets its own
// trampoline from a small fixed pool; the slot holds the instance's callback.
constexpr int kSlots = 8;
struct TSlot {
  TDdeCallback callback = nullptr;
  TInstanceId instance = 0;
  bool used = false;
};
TSlot gSlots[kSlots];
std::mutex gSlotsMutex;

template <int I>
HDDEDATA CALLBACK Trampoline(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                             HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2) {
  TDdeCallback cb = gSlots[I].callback;
  if (!cb) return nullptr;
  try {
    return reinterpret_cast<HDDEDATA>(cb(type, format, reinterpret_cast<THConv>(conv),
                                         reinterpret_cast<THsz>(hsz1), reinterpret_cast<THsz>(hsz2),
                                         reinterpret_cast<THData>(data), data1, data2));
  } catch (...) {
    // Nothing may unwind through DDEML.
    return nullptr;
  }
}

const PFNCALLBACK kTrampolines[kSlots] = {Trampoline<0>, Trampoline<1>, Trampoline<2>,
                                          Trampoline<3>, Trampoline<4>, Trampoline<5>,
                                          Trampoline<6>, Trampoline<7>};

HSZ ToHsz(THsz h) { return reinterpret_cast<HSZ>(h); }
HDDEDATA ToData(THData h) { return reinterpret_cast<HDDEDATA>(h); }
HCONV ToConv(THConv h) { return reinterpret_cast<HCONV>(h); }

class TWin32ClipFormatRegistry : public IClipFormatRegistry {
 public:
  uint16_t Register(const std::string& name) override {
    if (name.empty()) return 0;
    return static_cast<uint16_t>(RegisterClipboardFormatA(name.c_str()));
  }
  std::string NameOf(uint32_t format) override {
    char buffer[256];
    int n = GetClipboardFormatNameA(format, buffer, sizeof buffer);
    if (n <= 0) return std::string();
    return std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
  }
};

}  // namespace

void InstallWin32ClipFormatRegistry() {
  static TWin32ClipFormatRegistry registry;
  SetClipFormatRegistry(&registry);
}

TWin32Platform::TWin32Platform() {
  InstallWin32ClipFormatRegistry();
  InstallWin32TraceServices();
}

uint32_t TWin32Platform::Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) {
  int slot = -1;
  {
    std::lock_guard<std::mutex> lock(gSlotsMutex);
    for (int i = 0; i < kSlots && slot < 0; ++i) {
      if (!gSlots[i].used) {
        gSlots[i].used = true;
        gSlots[i].callback = callback;
        gSlots[i].instance = 0;
        slot = i;
      }
    }
  }
  if (slot < 0) return DMLERR_SYS_ERROR;  // more live instances than trampolines
  DWORD id = 0;
  UINT rc = DdeInitializeA(&id, kTrampolines[slot], command, 0);
  std::lock_guard<std::mutex> lock(gSlotsMutex);
  if (rc != DMLERR_NO_ERROR) {
    gSlots[slot] = TSlot();
    return rc;
  }
  gSlots[slot].instance = id;
  instance = id;
  return 0;
}

bool TWin32Platform::Uninitialize(TInstanceId instance) {
  if (DdeUninitialize(instance) == FALSE) return false;
  std::lock_guard<std::mutex> lock(gSlotsMutex);
  for (TSlot& s : gSlots)
    if (s.used && s.instance == instance) s = TSlot();
  return true;
}

bool TWin32Platform::NameService(TInstanceId instance, THsz service, uint32_t command) {
  return DdeNameService(instance, ToHsz(service), nullptr, command) != nullptr;
}

THsz TWin32Platform::CreateStringHandle(TInstanceId instance, const std::string& text) {
  return reinterpret_cast<THsz>(DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI));
}

bool TWin32Platform::FreeStringHandle(TInstanceId instance, THsz hsz) {
  return DdeFreeStringHandle(instance, ToHsz(hsz)) != FALSE;
}

uint32_t TWin32Platform::QueryString(TInstanceId instance, THsz hsz, char* buffer, uint32_t max) {
  return DdeQueryStringA(instance, ToHsz(hsz), buffer, buffer ? max : 0, CP_WINANSI);
}

int TWin32Platform::CompareStringHandles(THsz a, THsz b) {
  return DdeCmpStringHandles(ToHsz(a), ToHsz(b));
}

THData TWin32Platform::CreateDataHandle(TInstanceId instance, const void* bytes, uint32_t count,
                                        uint32_t offset, THsz item, uint32_t format,
                                        uint32_t flags) {
  return reinterpret_cast<THData>(
      DdeCreateDataHandle(instance, static_cast<LPBYTE>(const_cast<void*>(bytes)), count, offset,
                          ToHsz(item), format, flags));
}

const uint8_t* TWin32Platform::AccessData(THData data, uint32_t& size) {
  DWORD n = 0;
  LPBYTE p = DdeAccessData(ToData(data), &n);
  size = p ? n : 0;
  return p;
}

bool TWin32Platform::UnaccessData(THData data) { return DdeUnaccessData(ToData(data)) != FALSE; }

uint32_t TWin32Platform::GetData(THData data, void* buffer, uint32_t max, uint32_t offset) {
  return DdeGetData(ToData(data), static_cast<LPBYTE>(buffer), max, offset);
}

bool TWin32Platform::FreeDataHandle(THData data) { return DdeFreeDataHandle(ToData(data)) != FALSE; }

bool TWin32Platform::PostAdvise(TInstanceId instance, THsz topic, THsz item) {
  return DdePostAdvise(instance, ToHsz(topic), ToHsz(item)) != FALSE;
}

bool TWin32Platform::QueryConvInfo(THConv conv, uint32_t transaction, TConvInfo& info) {
  CONVINFO ci{};
  ci.cb = sizeof ci;
  if (DdeQueryConvInfo(ToConv(conv), transaction, &ci) == 0) return false;
  info.hszSvcPartner = reinterpret_cast<THsz>(ci.hszSvcPartner);
  info.hszServiceReq = reinterpret_cast<THsz>(ci.hszServiceReq);
  info.hszTopic = reinterpret_cast<THsz>(ci.hszTopic);
  info.hszItem = reinterpret_cast<THsz>(ci.hszItem);
  info.hConvPartner = reinterpret_cast<THConv>(ci.hConvPartner);
  info.status = ci.wStatus;
  info.state = ci.wConvst;
  info.lastError = ci.wLastError;
  return true;
}

bool TWin32Platform::Disconnect(THConv conv) { return DdeDisconnect(ToConv(conv)) != FALSE; }

THConv TWin32Platform::Reconnect(THConv conv) {
  return reinterpret_cast<THConv>(DdeReconnect(ToConv(conv)));
}

uint32_t TWin32Platform::GetLastError(TInstanceId instance) { return DdeGetLastError(instance); }

}  // namespace dde
