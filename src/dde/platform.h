// The DDEML operations the manager uses, behind a narrow interface so that the
// manager, its services and its data holders build and run without windows.h.
// TWin32Platform (win/platform_win.cpp) forwards to the real DDEML; tests use an
// in-memory fake (tests/support/fake_platform.h).
//
// Handles are carried as plain integers with the values DDEML gives them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "dde/host.h"

namespace dde {

using TInstanceId = uint32_t;   // DWORD idInst, 0 = none
using THsz = uintptr_t;         // HSZ, 0 = none
using THData = uintptr_t;       // HDDEDATA, 0 = none
using THConv = uintptr_t;       // HCONV, 0 = none

// DDEML constants the core needs (values as in ddeml.h).
namespace ddeml {
constexpr uint32_t kCpWinAnsi = 1004;        // CP_WINANSI for string handles
constexpr uint32_t kAppCmdClientOnly = 0x10;  // APPCMD_CLIENTONLY
constexpr uint32_t kAppCmdFilterInits = 0x20; // APPCMD_FILTERINITS
constexpr uint32_t kDnsRegister = 1;          // DNS_REGISTER
constexpr uint32_t kDnsUnregister = 2;        // DNS_UNREGISTER
constexpr uint32_t kHDataAppOwned = 1;        // HDATA_APPOWNED
constexpr uint32_t kQidSync = 0xFFFFFFFF;     // QID_SYNC
constexpr uint32_t kTimeoutAsync = 0xFFFFFFFF;

constexpr uint32_t kXtypError = 0x8002;
constexpr uint32_t kXtypAdvData = 0x4010;
constexpr uint32_t kXtypAdvReq = 0x2022;
constexpr uint32_t kXtypAdvStart = 0x1030;
constexpr uint32_t kXtypAdvStop = 0x8040;
constexpr uint32_t kXtypExecute = 0x4050;
constexpr uint32_t kXtypConnect = 0x1062;
constexpr uint32_t kXtypConnectConfirm = 0x8072;
constexpr uint32_t kXtypXactComplete = 0x8080;
constexpr uint32_t kXtypPoke = 0x4090;
constexpr uint32_t kXtypRegister = 0x80A2;
constexpr uint32_t kXtypRequest = 0x20B0;
constexpr uint32_t kXtypDisconnect = 0x80C2;
constexpr uint32_t kXtypUnregister = 0x80D2;
constexpr uint32_t kXtypWildConnect = 0x20E2;
constexpr uint32_t kXtypMonitor = 0x80F2;

constexpr uint32_t kDdeFAck = 0x8000;           // DDE_FACK
constexpr uint32_t kDdeFBusy = 0x4000;          // DDE_FBUSY
constexpr uint32_t kDdeFNotProcessed = 0;       // DDE_FNOTPROCESSED

constexpr uint32_t kStConnected = 0x0001;   // ST_CONNECTED
constexpr uint32_t kStTerminated = 0x0020;  // ST_TERMINATED
constexpr uint32_t kDmlErrNoError = 0;
constexpr uint32_t kDmlErrFirst = 0x4000;       // DMLERR_ADVACKTIMEOUT
constexpr uint32_t kDmlErrDllNotInitialized = 0x4003;
constexpr uint32_t kDmlErrInvalidParameter = 0x4006;
constexpr uint32_t kDmlErrNotProcessed = 0x4009;
constexpr uint32_t kDmlErrLast = 0x4011;        // DMLERR_UNFOUND_QUEUE_ID
}  // namespace ddeml

// DDEML calls its callback with the stdcall convention on 32-bit Windows.
// Declaring ours the same way lets the platform hand it to DDEML as it is, so
// that nothing stands between DDEML and the manager's callback.
#if defined(_WIN32) && defined(__i386__)
#define DDE_CALLBACK __attribute__((stdcall))
#else
#define DDE_CALLBACK
#endif

// The DDEML callback, with DdeCallback's arguments in their order. The
// platform calls it on the thread that initialised the instance; it must not
// throw.
using TDdeCallback = THData(DDE_CALLBACK*)(uint32_t type, uint32_t format, THConv conv, THsz hsz1,
                                           THsz hsz2, THData data, uintptr_t data1, uintptr_t data2);

// What DdeQueryConvInfo tells about a conversation. The string handles belong
// to DDEML: read them, never free them.
struct TConvInfo {
  THsz hszSvcPartner = 0;
  THsz hszServiceReq = 0;
  THsz hszTopic = 0;
  THsz hszItem = 0;
  THConv hConvPartner = 0;
  uint32_t status = 0;      // ST_* flags
  uint32_t state = 0;       // XST_* value
  uint32_t lastError = 0;
};

class IDdePlatform {
 public:
  IDdePlatform() = default;
  IDdePlatform(const IDdePlatform&) = delete;
  IDdePlatform& operator=(const IDdePlatform&) = delete;
  virtual ~IDdePlatform() = default;

  // DdeInitializeA: instance is set on success; gives 0 or a DMLERR_ code.
  virtual uint32_t Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) = 0;
  // DdeUninitialize: false on failure.
  virtual bool Uninitialize(TInstanceId instance) = 0;
  // DdeUninitialize once the thread is back in its message loop. For an
  // instance ended from inside its own callback: DDEML still works on the
  // transaction it called back for, and uninitialising under it frees the
  // conversation it is about to answer.
  virtual void UninitializeLater(TInstanceId instance) = 0;
  // Runs work once the thread is back in its message loop, in the order
  // asked, for what must not be done while DDEML is inside a transaction.
  virtual void RunLater(std::function<void()> work) = 0;
  // DdeNameService(instance, service, 0, command); false on failure.
  virtual bool NameService(TInstanceId instance, THsz service, uint32_t command) = 0;

  // DdeCreateStringHandleA with code page 1004; 0 on failure.
  virtual THsz CreateStringHandle(TInstanceId instance, const std::string& text) = 0;
  virtual bool FreeStringHandle(TInstanceId instance, THsz hsz) = 0;
  // DdeQueryStringA with code page 1004. Without a buffer (or max 0) gives the
  // text's length; with one, copies at most max-1 bytes and a zero and gives
  // the number of bytes copied.
  virtual uint32_t QueryString(TInstanceId instance, THsz hsz, char* buffer, uint32_t max) = 0;
  // DdeCmpStringHandles: 0 when the names are equal ignoring case.
  virtual int CompareStringHandles(THsz a, THsz b) = 0;

  // DdeCreateDataHandle(instance, bytes, count, offset, item, format, flags).
  virtual THData CreateDataHandle(TInstanceId instance, const void* bytes, uint32_t count,
                                  uint32_t offset, THsz item, uint32_t format, uint32_t flags) = 0;
  // DdeAccessData: the bytes (null on failure) and their count.
  virtual const uint8_t* AccessData(THData data, uint32_t& size) = 0;
  virtual bool UnaccessData(THData data) = 0;
  // DdeGetData: copies at most max bytes from offset; gives the count copied.
  virtual uint32_t GetData(THData data, void* buffer, uint32_t max, uint32_t offset) = 0;
  virtual bool FreeDataHandle(THData data) = 0;

  // DdePostAdvise: false on failure.
  virtual bool PostAdvise(TInstanceId instance, THsz topic, THsz item) = 0;
  // DdeQueryConvInfo(conv, transaction, info): false when DDEML no longer
  // knows the conversation.
  virtual bool QueryConvInfo(THConv conv, uint32_t transaction, TConvInfo& info) = 0;
  virtual bool Disconnect(THConv conv) = 0;
  // DdeReconnect: the new conversation handle, or 0.
  virtual THConv Reconnect(THConv conv) = 0;
  // DdeGetLastError (which also clears it).
  virtual uint32_t GetLastError(TInstanceId instance) = 0;
  // The program and the machine the manager serves on. The default knows
  // neither program file nor computer name.
  virtual const IHostFacts& Host() const;

  // The text of a string handle, read as the name handles do: length first,
  // then a buffer of length + 1. Empty for 0 or an unknown handle.
  std::string QueryStringText(TInstanceId instance, THsz hsz);
};

}  // namespace dde
