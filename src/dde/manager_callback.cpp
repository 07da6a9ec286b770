// The manager's one DDEML callback: finds the thread's manager, traces the
// transaction, hands it to its handler and makes sure nothing is thrown back
// into DDEML.
#include <exception>

#include "dde/manager.h"

namespace dde {

namespace {

struct TTransName {
  uint32_t type;
  const char* name;
};

// The names the trace gives the transactions (DDEML's, one of them cut short
// as the log has always shown it).
const TTransName kTransNames[] = {
    {ddeml::kXtypAdvStart, "XTYP_ADVSTART"},
    {ddeml::kXtypConnect, "XTYP_CONNECT"},
    {ddeml::kXtypAdvReq, "XTYP_ADVREQ"},
    {ddeml::kXtypRequest, "XTYP_REQUEST"},
    {ddeml::kXtypWildConnect, "XTYP_WILDCONNECT"},
    {ddeml::kXtypAdvData, "XTYP_ADVDATA"},
    {ddeml::kXtypExecute, "XTYP_EXECUTE"},
    {ddeml::kXtypPoke, "XTYP_POKE"},
    {ddeml::kXtypError, "XTYP_ERROR"},
    {ddeml::kXtypAdvStop, "XTYP_ADVSTOP"},
    {ddeml::kXtypConnectConfirm, "XTYP_CONNECT_CONFIRM"},
    {ddeml::kXtypXactComplete, "XTYP_XACT_COMPLET"},
    {ddeml::kXtypRegister, "XTYP_REGISTER"},
    {ddeml::kXtypDisconnect, "XTYP_DISCONNECT"},
    {ddeml::kXtypUnregister, "XTYP_UNREGISTER"},
    {ddeml::kXtypMonitor, "XTYP_MONITOR"},
};

std::string TransactionName(uint32_t type) {
  for (const TTransName& t : kTransNames)
    if (t.type == type) return t.name;
  return "Unknown (" + std::to_string(type) + ")";
}

// Standard formats have no registered name.
std::string RegisteredFormatName(uint32_t format) {
  return format >= 1 && format <= 12 ? std::string() : ClipFormatName(format);
}

}  // namespace

TDDEMLManager::TCallbackFrame::TCallbackFrame(TDDEMLManager& manager) : Manager(manager), Outer(manager.FFrame) {
  manager.FFrame = this;
}

TDDEMLManager::TCallbackFrame::~TCallbackFrame() {
  if (Dead) return;
  Manager.FFrame = Outer;
  // No transaction holds them any more.
  if (!Outer) Manager.FRetired.clear();
}

TDDEMLManager::TConvRef TDDEMLManager::RefOf(const TDDEMLConversation& conv) {
  return TConvRef{conv.Serial(), conv.Service, conv.Topic};
}

TDDEMLConversation* TDDEMLManager::Revalidate(const TCallbackFrame& frame, const TConvRef& ref) {
  if (Gone(frame)) return nullptr;
  const TDDEMLManager& m = frame.Manager;
  TDDEMLConversation* conv = m.ConvBySerial(ref.Serial);
  if (!conv || conv->Service != ref.Service || conv->Topic != ref.Topic) return nullptr;
  bool listed = false;
  for (int i = 0; i < m.FServices.Count() && !listed; ++i) listed = m.FServices.At(i) == ref.Service;
  if (!listed) return nullptr;
  for (int i = 0; i < ref.Service->TopicCount(); ++i)
    if (ref.Service->TopicAt(i) == ref.Topic) return conv;
  return nullptr;
}

THData DDE_CALLBACK TDDEMLManager::CallBack(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                                            THData data, uintptr_t data1, uintptr_t data2) {
  TDDEMLManager* manager = CurrentManager();
  if (!manager || !manager->Initialized()) return 0;
  return manager->Dispatch(type, format, conv, hsz1, hsz2, data, data1, data2);
}

THData TDDEMLManager::Dispatch(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2, THData data,
                               uintptr_t data1, uintptr_t data2) noexcept {
  TCallbackFrame frame(*this);
  // A log that cannot be written is noted, never the reason for an answer.
  TTraceFailureScope quietLog(*this);
  THData reply = 0;
  try {
    if (TracingOn()) {
      WriteTrace({"CallBack start ..."});
      WriteTrace({"      MsgType = ", TransactionName(type)});
      WriteTrace({"      Format  = ", format, " (", RegisteredFormatName(format), ")"});
      WriteTrace({"      ConvH   = ", conv});
      WriteTrace({"      Atom1   = ", HszText(hsz1)});
      WriteTrace({"      Atom2   = ", HszText(hsz2)});
      WriteTrace({"      ALong1  = ", data1});
      WriteTrace({"      ALong2  = ", data2});
    }
    reply = Handle(frame, type, format, conv, hsz1, hsz2, data, data1, data2);
    if (frame.Deferred) std::rethrow_exception(frame.Deferred);
  } catch (const std::exception& e) {
    reply = 0;
    if (!frame.Dead) ReportCallbackFailure(e.what());
  } catch (...) {
    reply = 0;
    if (!frame.Dead) ReportCallbackFailure("Unknown exception in " + TransactionName(type));
  }
  WriteTrace({"CallBack end"});
  return reply;
}

void TDDEMLManager::ReportCallbackFailure(const std::string& message) noexcept {
  try {
    SetError(errFalse, message);
  } catch (...) {
    // An overridden sink that raises changes nothing here.
  }
  if (!OnError) return;
  try {
    OnError(*this, errFalse, message);
  } catch (...) {
    // Nothing may go back into DDEML, not even from the error event.
  }
}

THData TDDEMLManager::Handle(TCallbackFrame& frame, uint32_t type, uint32_t format, THConv conv, THsz hsz1,
                             THsz hsz2, THData data, uintptr_t data1, uintptr_t) {
  switch (type) {
    case ddeml::kXtypConnect:
      return XTypConnect(frame, hsz2, hsz1);
    case ddeml::kXtypWildConnect:
      return XTypWildConnect(frame, hsz2, hsz1);
    case ddeml::kXtypConnectConfirm:
      XTypConnectConfirm(conv, hsz2, hsz1);
      return 0;
    case ddeml::kXtypRequest:
      return XTypRequest(frame, conv, hsz1, format, hsz2);
    case ddeml::kXtypAdvStart:
      return XTypAdvStart(frame, conv, format, hsz2);
    case ddeml::kXtypAdvReq:
      return XTypAdvReq(frame, conv, format, static_cast<uint32_t>(data1 & 0xFFFF), hsz2);
    case ddeml::kXtypAdvStop:
      XTypAdvStop(frame, conv, format, hsz2);
      return 0;
    case ddeml::kXtypPoke:
      return XTypPoke(frame, conv, data, format, hsz2);
    case ddeml::kXtypExecute:
      return XTypExecute(frame, conv, data);
    case ddeml::kXtypDisconnect:
      XTypDisconnect(frame, conv);
      return 0;
    case ddeml::kXtypRegister:
      if (OnServiceRegistered) Raise(frame, OnServiceRegistered, HszText(hsz1), HszText(hsz2));
      return 0;
    case ddeml::kXtypUnregister:
      if (OnServiceUnregistered) Raise(frame, OnServiceUnregistered, HszText(hsz1), HszText(hsz2));
      return 0;
    case ddeml::kXtypError:
      Raise(frame, OnError, errXtypError, std::string("DDEML reports low resources"));
      return 0;
    case ddeml::kXtypXactComplete:
      XTypXActComplete(frame, conv, hsz1, hsz2, static_cast<uint32_t>(data1));
      return 0;
    case ddeml::kXtypAdvData:
      // Advise data belongs to client conversations, which are never opened.
      Trace({"XTypeAdvData - start ...."});
      Trace({"XTypeAdvData - End"});
      return ddeml::kDdeFNotProcessed;
    default:
      return 0;
  }
}

}  // namespace dde
