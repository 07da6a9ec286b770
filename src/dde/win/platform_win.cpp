#include "dde/win/platform_win.h"

#include <windows.h>
#include <ddeml.h>

#include <functional>
#include <memory>
#include <utility>

#include "dde/formats.h"
#include "dde/host.h"
#include "dde/win/trace_window_win.h"
#include "text/cp1250.h"

namespace dde {

namespace {

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

constexpr UINT kUninitializeMessage = WM_APP + 0x44;
constexpr UINT kRunLaterMessage = WM_APP + 0x45;

LRESULT CALLBACK LaterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kUninitializeMessage) {
    DdeUninitialize(static_cast<DWORD>(wp));
    return 0;
  }
  if (msg == kRunLaterMessage) {
    std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lp));
    if (work && *work) (*work)();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// A message-only window of the calling thread: what is posted to it runs
// when the thread dispatches its messages again, outside any DDEML call.
HWND LaterWindow() {
  static thread_local HWND window = nullptr;
  if (window && IsWindow(window)) return window;
  static const wchar_t kClass[] = L"PkdDdeLater";
  WNDCLASSW wc = {};
  wc.lpfnWndProc = LaterProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);  // fails harmlessly once registered
  window = CreateWindowW(kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  return window;
}

}  // namespace

void InstallWin32ClipFormatRegistry() {
  static TWin32ClipFormatRegistry registry;
  SetClipFormatRegistry(&registry);
}

void InstallWin32DdeServices() {
  InstallWin32ClipFormatRegistry();
  InstallWin32TraceServices();
  wchar_t path[MAX_PATH * 2] = L"";
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  SetProgramFileName(text::Utf16To1250(std::u16string(path, path + n)));
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (GetComputerNameW(computer, &size)) SetHostComputerName(text::Utf16To1250(std::u16string(computer, computer + size)));
}

uint32_t TWin32Platform::Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) {
  // The callback has DDEML's own signature and calling convention (see
  // DDE_CALLBACK), so DDEML calls it directly.
  static_assert(sizeof(THData) == sizeof(HDDEDATA) && sizeof(THsz) == sizeof(HSZ) &&
                    sizeof(uintptr_t) == sizeof(ULONG_PTR),
                "the callback's arguments must match DDEML's");
  DWORD id = 0;
  // (Through void (*)() because the handle types differ in name only.)
  UINT rc = DdeInitializeA(&id, reinterpret_cast<PFNCALLBACK>(reinterpret_cast<void (*)()>(callback)),
                           command, 0);
  if (rc != DMLERR_NO_ERROR) return rc;
  instance = id;
  return 0;
}

bool TWin32Platform::Uninitialize(TInstanceId instance) { return DdeUninitialize(instance) != FALSE; }

void TWin32Platform::UninitializeLater(TInstanceId instance) {
  HWND window = LaterWindow();
  if (!window || !PostMessageW(window, kUninitializeMessage, static_cast<WPARAM>(instance), 0))
    DdeUninitialize(instance);
}

void TWin32Platform::RunLater(std::function<void()> work) {
  auto held = std::make_unique<std::function<void()>>(std::move(work));
  HWND window = LaterWindow();
  if (window && PostMessageW(window, kRunLaterMessage, 0, reinterpret_cast<LPARAM>(held.get()))) {
    held.release();
    return;
  }
  (*held)();
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
  // A partner whose process died sent no terminate; its window is gone.
  if (ci.hwndPartner && !IsWindow(ci.hwndPartner)) info.status |= ST_TERMINATED;
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
