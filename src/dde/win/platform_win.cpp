#include "dde/win/platform_win.h"

#include <windows.h>
#include <ddeml.h>

#include <cstring>
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

constexpr UINT kFreeDataMessage = WM_APP + 0x46;

// Under Wine a data handle is a movable global memory block of its own
// making: a four-byte head (format, owner flag), then the data. The copy
// posted with a request's answer has a head of its own (flags, format) and
// the same data.
bool IsPostedCopyOf(HGLOBAL copy, HDDEDATA reply) {
  const HGLOBAL original = reinterpret_cast<HGLOBAL>(reply);
  const SIZE_T size = GlobalSize(copy);
  if (size < 4 || size != GlobalSize(original)) return false;
  if ((GlobalFlags(copy) & (GMEM_LOCKCOUNT | GMEM_DISCARDED)) != 0) return false;
  const BYTE* c = static_cast<const BYTE*>(GlobalLock(copy));
  const BYTE* r = static_cast<const BYTE*>(GlobalLock(original));
  const bool same = c && r && std::memcmp(c + 2, r, 2) == 0 && std::memcmp(c + 4, r + 4, size - 4) == 0;
  if (c) GlobalUnlock(copy);
  if (r) GlobalUnlock(original);
  return same;
}

LRESULT CALLBACK LaterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kFreeDataMessage) {
    const HDDEDATA reply = reinterpret_cast<HDDEDATA>(wp);
    const HGLOBAL copy = reinterpret_cast<HGLOBAL>(lp);
    if (copy && copy != reinterpret_cast<HGLOBAL>(reply) && IsPostedCopyOf(copy, reply)) GlobalFree(copy);
    DdeFreeDataHandle(reply);
    return 0;
  }
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

// Wine's DDEML frees neither the data handle it makes for an execute's
// command nor the unowned handle a request is answered with, nor the copy of
// that answer it posts to a client in another process (the message carries
// the bytes; the block stays): every cycle of an execute and two requests
// leaves five movable global memory blocks behind, and once the process's
// 65,536 movable handles are used up DDEML can make no handle and executes
// go unanswered. Windows frees all of them itself. Under Wine the callback is
// therefore reached through a wrapper that frees them once DDEML is done with
// them.
bool OnWine() {
  static const bool wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

TDdeCallback gCallback = nullptr;

// The block Wine's next movable allocation gets: freed blocks are reused
// last first, and the copy of a request's answer is the first movable block
// DDEML makes after the callback returns.
HGLOBAL NextMovableBlock() {
  const HGLOBAL probe = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 1);
  if (probe) GlobalFree(probe);
  return probe;
}

bool PartnerElsewhere(HCONV conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  DWORD pid = 0;
  if (!DdeQueryConvInfo(conv, QID_SYNC, &info) || !info.hwndPartner) return false;
  GetWindowThreadProcessId(info.hwndPartner, &pid);
  return pid != 0 && pid != GetCurrentProcessId();
}

// Frees a request's answer, and the copy posted of it when the block that
// comes next holds that copy, once DDEML has returned from the transaction:
// when the thread next handles its messages (kept, when that cannot be
// posted).
void FreeAfterRequest(HDDEDATA reply, HGLOBAL copy) {
  if (const HWND window = LaterWindow())
    PostMessageW(window, kFreeDataMessage, reinterpret_cast<WPARAM>(reply), reinterpret_cast<LPARAM>(copy));
}

HDDEDATA CALLBACK WineCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                               ULONG_PTR data1, ULONG_PTR data2) {
  const THData reply =
      gCallback(type, format, reinterpret_cast<THConv>(conv), reinterpret_cast<THsz>(hsz1),
                reinterpret_cast<THsz>(hsz2), reinterpret_cast<THData>(data), data1, data2);
  const HDDEDATA handle = reinterpret_cast<HDDEDATA>(reply);
  // DDEML reads the command before the callback only; it copies a request's
  // reply after it returns. The manager answers requests with unowned
  // handles only.
  if (type == XTYP_EXECUTE && data) DdeFreeDataHandle(data);
  if (type == XTYP_REQUEST && handle && handle != CBR_BLOCK)
    FreeAfterRequest(handle, PartnerElsewhere(conv) ? NextMovableBlock() : nullptr);
  return handle;
}

}  // namespace

void InstallWin32ClipFormatRegistry() {
  static TWin32ClipFormatRegistry registry;
  SetClipFormatRegistry(&registry);
}

void InstallWin32DdeServices() {
  InstallWin32ClipFormatRegistry();
  InstallWin32TraceServices();
}

namespace {

class TWin32Host : public IHostFacts {
 public:
  std::string ProgramFileName() const override {
    wchar_t path[MAX_PATH * 2] = L"";
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return text::Utf16To1250(std::u16string(path, path + n));
  }
  std::string ComputerName() const override {
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(computer, &size)) return std::string();
    return text::Utf16To1250(std::u16string(computer, computer + size));
  }
  // The system's short date and long time formats.
  std::string DateTimeText() const override {
    char date[128] = "", time[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
    return std::string(date) + " " + time;
  }
};

}  // namespace

const IHostFacts& TWin32Platform::Host() const {
  static const TWin32Host host;
  return host;
}

uint32_t TWin32Platform::Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) {
  // The callback has DDEML's own signature and calling convention (see
  // DDE_CALLBACK), so DDEML calls it directly.
  static_assert(sizeof(THData) == sizeof(HDDEDATA) && sizeof(THsz) == sizeof(HSZ) &&
                    sizeof(uintptr_t) == sizeof(ULONG_PTR),
                "the callback's arguments must match DDEML's");
  DWORD id = 0;
  PFNCALLBACK direct = reinterpret_cast<PFNCALLBACK>(reinterpret_cast<void (*)()>(callback));
  if (OnWine()) {
    // One callback serves every instance: the manager finds itself per thread.
    gCallback = callback;
    direct = WineCallback;
  }
  // (Through void (*)() because the handle types differ in name only.)
  UINT rc = DdeInitializeA(&id, direct, command, 0);
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
