#include "dde/errors.h"

#include "dde/trace.h"

namespace dde {

namespace {

// Indexed by -code for the negative codes.
const char* const kNegativeTexts[] = {
    nullptr,
    "DDE server detected a null service string in XTyp_Connect action",
    "DDE server detected a null topic string in XTyp_Connect action",
    "DDE server detected unknown service string in XTYP_CONNECT action",
    "DDE Mngr failed to create call proc - error within makeProcInstance",
    "DDE Mngr has NULL scope setting",
    "DDE DdeInitialize function failed",
    "DDE DdeUninitialize function failed",
    "This instance of dde manager has already been initialized",
    "Attempt to register service with DDeNameService failed",
    "The RegisterAll method was called when all services are disabled",
    "Service Register method called for an already registered service",
    "An Unregister service method called for a service not registered",
    "Invalid parameters passed to conversation related method",
    "StartConversation called on an already connected conversation",
    "Unknown system error caused by StartConversation method",
    "ddeConnect function failed to connect",
    "DdeDisconnect function failed",
    "Unable to start server app",
    "Request transaction failed",
    "Server count using connectlist failed",
    "DdeQueryConInfo error",
    "DisconnectList error",
    "Invalid combination of POKE parameters",
    "POKE transaction failed",
    "EXECUTE transaction failed",
    "Start advise failed",
    "Request trans called as part of warm advise link failed",
    "Server has rejected a conversation request with this topic",
    "Error encountered whilst trying to create service conversation object",
    "Cannot find conversation object on mngr list",
    "DdePostAdvise function failed",
    "DdeEnableCallBack function failed",
    "Ddesetuserhandle function failed",
    "Error encountered by server processing exec cmd",
    "Advise start transaction not allowed",
    "XType_Error related problem",
    "Copy to clipboard failed",
    "Server related method called by Morvia component only set for CLIENT scope",
    "Client related method called by Morvia component only set for SERVER scope",
    "Item has transactiosn left to complete",
    "Re-entrancy problem : cannot start a new transaction until procesing on the current is "
    "completed",
    "Net DDE Shares stored in component do no match shares installed on client PC",
    "Net DDE service not available",
    "NetDDE method called when the NetworkDDE property is set to FALSE",
    "Poke method aborted : NULL data",
    "Asynchronous Request failed - server returned NULL data",
};
constexpr int kLowestCode = -static_cast<int>(sizeof(kNegativeTexts) / sizeof(kNegativeTexts[0]) - 1);

// DMLERR_ names from 0x4000 on.
const char* const kDdemlNames[] = {
    "DMLERR_ADVACKTIMEOUT",     "DMLERR_BUSY",           "DMLERR_DATAACKTIMEOUT",
    "DMLERR_DLL_NOT_INITIALIZED", "DMLERR_DLL_USAGE",    "DMLERR_EXECACKTIMEOUT",
    "DMLERR_INVALIDPARAMETER",  "DMLERR_LOW_MEMORY",     "DMLERR_MEMORY_ERROR",
    "DMLERR_NOTPROCESSED",      "DMLERR_NO_CONV_ESTABLISHED", "DMLERR_POKEACKTIMEOUT",
    "DMLERR_POSTMSG_FAILED",    "DMLERR_REENTRANCY",     "DMLERR_SERVER_DIED",
    "DMLERR_SYS_ERROR",         "DMLERR_UNADVACKTIMEOUT", "DMLERR_UNFOUND_QUEUE_ID",
};

}  // namespace

std::string ErrorText(int code) {
  if (code == errOk) return "Ok";
  if (code == errFalse) return "False";
  if (code < 0 && code >= kLowestCode) return kNegativeTexts[-code];
  return "Unknown (" + std::to_string(code) + ")";
}

std::string DdemlErrorName(uint32_t value) {
  if (value >= 0x4000 && value <= 0x4011) return kDdemlNames[value - 0x4000];
  return "Unknown (" + std::to_string(value) + ")";
}

bool TraceSetError(int code, uint32_t lastDdemlError, const std::string& message) {
  if (TracingOn()) {
    WriteTrace({"   SetError : "});
    WriteTrace({"         Mngr Error  = ", ErrorText(code)});
    WriteTrace({"         DDEML Error = ", DdemlErrorName(lastDdemlError)});
    WriteTrace({"         Message     = ", message});
  }
  return code == errOk;
}

}  // namespace dde
