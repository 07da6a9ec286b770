// The manager's error codes, their fixed texts, its exceptions and the sink
// that services, conversations, data holders and commands report through.
#pragma once

#include <cstdint>
#include <string>

#include "text/errors.h"

namespace dde {

// Error codes: 1 is success, 0 a plain failure, negatives name the fault.
enum TDDEMLError : int {
  errOk = 1,
  errFalse = 0,
  errNullServiceConnect = -1,
  errNullTopicConnect = -2,
  errUnknownServiceConnect = -3,
  errMakeProcInstance = -4,
  errNullScope = -5,
  errDdeInitialize = -6,
  errDdeUninitialize = -7,
  errAlreadyInitialized = -8,
  errNameServiceRegister = -9,
  errAllServicesDisabled = -10,
  errAlreadyRegistered = -11,
  errNotRegistered = -12,
  errInvalidConvParams = -13,
  errConvAlreadyConnected = -14,
  errStartConversation = -15,
  errDdeConnect = -16,
  errDdeDisconnect = -17,
  errStartServerApp = -18,
  errRequestFailed = -19,
  errServerCount = -20,
  errQueryConvInfo = -21,
  errDisconnectList = -22,
  errPokeParams = -23,
  errPokeFailed = -24,
  errExecuteFailed = -25,
  errStartAdvise = -26,
  errWarmLinkRequest = -27,
  errTopicRejected = -28,
  errCreateServerConv = -29,
  errConvNotFound = -30,
  errPostAdvise = -31,
  errEnableCallback = -32,
  errSetUserHandle = -33,
  errExecCmd = -34,
  errAdviseStartRefused = -35,
  errXtypError = -36,
  errClipboardCopy = -37,
  errNotServerScope = -38,
  errNotClientScope = -39,
  errTransactionsLeft = -40,
  errReentrancy = -41,
  errSharesMismatch = -42,
  errNetDdeUnavailable = -43,
  errNetDdeOff = -44,
  errPokeNullData = -45,
  errAsyncRequestNull = -46,
};

// The fixed English text of a code; "Unknown (" + code + ")" for any other.
std::string ErrorText(int code);

// The DDEML name of a DdeGetLastError value (DMLERR_ADVACKTIMEOUT through
// DMLERR_UNFOUND_QUEUE_ID); "Unknown (" + value + ")" for any other.
std::string DdemlErrorName(uint32_t value);

class EMorviaError : public text::Exception {
 public:
  using text::Exception::Exception;
};

// An operation not allowed for the manager's scope.
class EMorviaScopeError : public text::Exception {
 public:
  using text::Exception::Exception;
};

// Stored network DDE shares that do not match the installed ones.
class EMorviaShareDefError : public text::Exception {
 public:
  using text::Exception::Exception;
};

// Where errors go. The manager implements it; services, conversations and
// commands hold a pointer to it (which may be null in tests of their own).
class IErrorSink {
 public:
  virtual ~IErrorSink() = default;
  // Records the error; gives true only for errOk. Never throws.
  virtual bool SetError(int code, const std::string& message = std::string()) = 0;
};

// The trace a SetError leaves: the four lines "   SetError : ",
// "         Mngr Error  = " + ErrorText(code),
// "         DDEML Error = " + DdemlErrorName(lastDdemlError),
// "         Message     = " + message; written only while tracing is on.
// Gives code == errOk. The manager's SetError calls it.
bool TraceSetError(int code, uint32_t lastDdemlError, const std::string& message);

}  // namespace dde
