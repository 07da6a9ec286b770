#include "dde/dispatch.h"

#include <cstring>
#include <exception>

#include "dde/data_transactions.h"
#include "dde/manager.h"
#include "text/cp1250.h"

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

TTransactionDispatch::TCallbackFrame::TCallbackFrame(TTransactionDispatch& dispatch)
    : Dispatch(dispatch), Manager(dispatch.FManager), Outer(dispatch.FFrame) {
  dispatch.FFrame = this;
}

TTransactionDispatch::TCallbackFrame::~TCallbackFrame() {
  if (Dead) return;
  Dispatch.FFrame = Outer;
  // No transaction holds them any more.
  if (!Outer) Manager.FTreeChanges.FreeRetired();
}

void TTransactionDispatch::Abandon() {
  for (TCallbackFrame* f = FFrame; f; f = f->Outer) f->Dead = true;
}

bool TTransactionDispatch::Gone(const TCallbackFrame& frame) { return frame.Dead || !frame.Manager.Initialized(); }

TTransactionDispatch::TConvRef TTransactionDispatch::RefOf(const TDDEMLConversation& conv) {
  return TConvRef{conv.Serial(), conv.Service, conv.Topic};
}

TDDEMLConversation* TTransactionDispatch::Revalidate(const TCallbackFrame& frame, const TConvRef& ref) {
  if (Gone(frame)) return nullptr;
  const TDDEMLManager& m = frame.Manager;
  TDDEMLConversation* conv = m.FConvs.BySerial(ref.Serial);
  if (!conv || conv->Service != ref.Service || conv->Topic != ref.Topic) return nullptr;
  bool listed = false;
  for (int i = 0; i < m.FServices.Count() && !listed; ++i) listed = m.FServices.At(i) == ref.Service;
  if (!listed) return nullptr;
  for (int i = 0; i < ref.Service->TopicCount(); ++i)
    if (ref.Service->TopicAt(i) == ref.Topic) return conv;
  return nullptr;
}

THData TTransactionDispatch::Dispatch(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2, THData data,
                                      uintptr_t data1, uintptr_t data2) noexcept {
  TCallbackFrame frame(*this);
  // A log that cannot be written is noted, never the reason for an answer.
  TTraceFailureScope quietLog(FManager);
  THData reply = 0;
  try {
    if (TracingOn()) {
      WriteTrace({"CallBack start ..."});
      WriteTrace({"      MsgType = ", TransactionName(type)});
      WriteTrace({"      Format  = ", format, " (", RegisteredFormatName(format), ")"});
      WriteTrace({"      ConvH   = ", conv});
      WriteTrace({"      Atom1   = ", FManager.HszText(hsz1)});
      WriteTrace({"      Atom2   = ", FManager.HszText(hsz2)});
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

void TTransactionDispatch::ReportCallbackFailure(const std::string& message) noexcept {
  try {
    FManager.SetError(errFalse, message);
  } catch (...) {
    // An overridden sink that raises changes nothing here.
  }
  if (!FManager.OnError) return;
  try {
    FManager.OnError(FManager, errFalse, message);
  } catch (...) {
    // Nothing may go back into DDEML, not even from the error event.
  }
}

THData TTransactionDispatch::Handle(TCallbackFrame& frame, uint32_t type, uint32_t format, THConv conv, THsz hsz1,
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
      return TDataTransactions(*this, FManager).XTypRequest(frame, conv, hsz1, format, hsz2);
    case ddeml::kXtypAdvStart:
      return TDataTransactions(*this, FManager).XTypAdvStart(frame, conv, format, hsz2);
    case ddeml::kXtypAdvReq:
      return TDataTransactions(*this, FManager)
          .XTypAdvReq(frame, conv, format, static_cast<uint32_t>(data1 & 0xFFFF), hsz2);
    case ddeml::kXtypAdvStop:
      TDataTransactions(*this, FManager).XTypAdvStop(frame, conv, format, hsz2);
      return 0;
    case ddeml::kXtypPoke:
      return TDataTransactions(*this, FManager).XTypPoke(frame, conv, data, format, hsz2);
    case ddeml::kXtypExecute:
      return TDataTransactions(*this, FManager).XTypExecute(frame, conv, data);
    case ddeml::kXtypDisconnect:
      XTypDisconnect(frame, conv);
      return 0;
    case ddeml::kXtypRegister:
      if (FManager.OnServiceRegistered)
        Raise(frame, FManager.OnServiceRegistered, FManager.HszText(hsz1), FManager.HszText(hsz2));
      return 0;
    case ddeml::kXtypUnregister:
      if (FManager.OnServiceUnregistered)
        Raise(frame, FManager.OnServiceUnregistered, FManager.HszText(hsz1), FManager.HszText(hsz2));
      return 0;
    case ddeml::kXtypError:
      Raise(frame, FManager.OnError, errXtypError, std::string("DDEML reports low resources"));
      return 0;
    case ddeml::kXtypXactComplete:
      XTypXActComplete(frame, conv, hsz1, hsz2, static_cast<uint32_t>(data1));
      return 0;
    case ddeml::kXtypAdvData:
      // Advise data belongs to client conversations, which are never opened.
      FManager.Trace({"XTypeAdvData - start ...."});
      FManager.Trace({"XTypeAdvData - End"});
      return ddeml::kDdeFNotProcessed;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------
// Connections: connect, connect confirm, wild connect, disconnect, and the
// completion notice.
THData TTransactionDispatch::XTypConnect(TCallbackFrame& frame, THsz hszService, THsz hszTopic) {
  FManager.Trace({"XTypConnect - start ..."});
  const std::string service = FManager.HszText(hszService), topic = FManager.HszText(hszTopic);
  THData result = 1;
  if (!service.empty()) {
    TDDEMLService* s = FManager.FindServiceByHandle(hszService);
    if (!s || !s->Registered()) {
      result = 0;
      FManager.SetError(errUnknownServiceConnect, "Service : " + service + " - not supported");
    } else if (topic.empty() && !FManager.AllowNullTopic) {
      result = 0;
      FManager.SetError(errNullTopicConnect);
    }
  } else {
    FManager.Trace({"XTypConnect - Null Service name"});
    if (!FManager.AllowNullService) {
      result = 0;
      FManager.SetError(errNullServiceConnect);
    } else if (topic.empty()) {
      FManager.Trace({"XTypConnect - Null Topic name"});
      if (!FManager.AllowNullTopic) {
        result = 0;
        FManager.SetError(errNullTopicConnect);
      }
    }
  }
  if (result == 1) {
    FManager.Trace({"XTypConnect - Valid Service/Topic names"});
    bool allow = true;
    if (FManager.FConvs.CountMatching(service, topic) > 0) {
      FManager.Trace({"XTypConnect - Conv already exists with these Service/Topic names"});
      if (FManager.OneConvPerTopic) {
        allow = false;
        result = 0;
      }
    } else if (FManager.OnConnectReceived) {
      FManager.Trace({"XTypConnect - Calling OnConnectRequest"});
      allow = false;
      if (!Raise(frame, FManager.OnConnectReceived, service, topic, allow)) return 0;
      if (!allow) {
        result = 0;
        FManager.SetError(errTopicRejected, service + "/" + topic);
      }
    }
    if (allow) {
      result = CreateServerConv(frame, hszService, hszTopic) ? 1 : 0;
      if (Gone(frame)) return 0;
      if (result == 0) FManager.SetError(errCreateServerConv);
    }
  }
  FManager.Trace({"XTypConnect - Result = ", result});
  FManager.Trace({"XTypConnect - End"});
  return result;
}

TDDEMLConversation* TTransactionDispatch::CreateServerConv(TCallbackFrame& frame, THsz hszService, THsz hszTopic) {
  uint64_t made = 0;
  // A topic made for this conversation, by its service and name.
  TDDEMLService* opener = nullptr;
  std::string openedName;
  try {
    auto conv = std::make_unique<TDDEMLConversation>(FManager.FPlatform);
    conv->DefaultFormat = static_cast<uint16_t>(FManager.DefaultClipFmt);
    conv->CommType = FManager.DefaultComm;
    conv->TimeOut = FManager.FDefaultTimeOutMs;
    conv->LinkFormat = FManager.FLinkFormat;
    conv->ConvId = FManager.FConvs.NextConvId();
    conv->ServerSide = true;
    conv->ErrorRelay = &FManager;

    TDDEMLService* service = hszService ? FManager.FindServiceByHandle(hszService) : FManager.FServices.At(0);
    if (!service) return nullptr;
    TDDEMLTopic* topic = nullptr;
    bool opened = false;
    const std::string topicName = FManager.HszText(hszTopic);
    if (!topicName.empty()) {
      topic = service->FindTopic(topicName);
      if (!topic) {
        // By the name read with the manager's instance: a service that is
        // not registered (the first one, for a null service name) has none.
        service->AddTopic(topicName);
        topic = service->FindTopic(topicName);
        opened = topic != nullptr;
        if (opened) {
          opener = service;
          openedName = topicName;
        }
      }
    } else {
      topic = service->FindOrAddTopic(kSystemTopic);
    }
    if (!topic) return nullptr;
    conv->Service = service;
    conv->Topic = topic;
    TDDEMLConversation* added = FManager.FConvs.Add(std::move(conv));
    made = added->Serial();
    if (!opened) return added;
    // The handler may have ended the manager, or the conversation with it.
    return RaiseOn(frame, RefOf(*added), FManager.OnTopicOpened, service->ServiceName(), topic->Name());
  } catch (...) {
    // Any failure frees the record (when the handler has not ended it
    // already), and the topic made for it; the reply is a refusal.
    if (frame.Dead) return nullptr;
    if (made != 0)
      FManager.FConvs.Remove(FManager.FConvs.BySerial(made));
    // By name, on a service still in the tree: the handler may have changed
    // either.
    bool listed = false;
    for (int i = 0; opener && i < FManager.FServices.Count() && !listed; ++i)
      listed = FManager.FServices.At(i) == opener;
    if (listed)
      if (TDDEMLTopic* t = opener->FindTopic(openedName))
        if (!FManager.FConvs.TopicInUse(t) && !FManager.IsSystemTopic(openedName)) opener->RemoveTopic(openedName);
    return nullptr;
  }
}

void TTransactionDispatch::XTypConnectConfirm(THConv conv, THsz hszService, THsz hszTopic) {
  FManager.Trace({"XTypConnectConfirm - start  ...."});
  TConvInfo info;
  // The query only feeds the trace.
  if (TracingOn() && FManager.FPlatform.QueryConvInfo(conv, ddeml::kQidSync, info)) {
    FManager.Trace({"hszSvcPartner = ", FManager.HszText(info.hszSvcPartner)});
    FManager.Trace({"hszServiceReq = ", FManager.HszText(info.hszServiceReq)});
    FManager.Trace({"hszTopic = ", FManager.HszText(info.hszTopic)});
    FManager.Trace({"wStatus = ", info.status});
  }
  const std::string service = FManager.HszText(hszService), topic = FManager.HszText(hszTopic);
  if (TDDEMLConversation* found = FManager.FConvs.Unconfirmed(service, topic, true)) {
    FManager.Trace({"XTypConnectConfirm - setting conv Handle"});
    found->Confirm(conv);
  } else {
    FManager.SetError(errConvNotFound, service + "/" + topic);
  }
  FManager.Trace({"XTypConnectConfirm - End"});
}

THData TTransactionDispatch::XTypWildConnect(TCallbackFrame& frame, THsz hszService, THsz hszTopic) {
  FManager.Trace({"XTypeWildConnect : start ...."});
  std::string service = FManager.HszText(hszService), topic = FManager.HszText(hszTopic);
  if (service.empty() && !FManager.AllowNullService) {
    FManager.Trace({"XTypeWildConnect : Failed. FManager.AllowNullService = FALSE and null service name"});
    return 0;
  }
  if (topic.empty() && !FManager.AllowNullTopic) {
    FManager.Trace({"XTypeWildConnect : Failed. FManager.AllowNullTopic = FALSE and null topic name"});
    return 0;
  }
  if (!service.empty() && !FManager.FindService(service)) {
    FManager.Trace({"XTypeWildConnect : Failed. [", service, "] service name not supported"});
    return 0;
  }
  FManager.Trace({"XTypeWildConnect : Ready to set wild connect combinations"});
  FManager.ClearWildConnectPairs();
  if (FManager.OnWildConnectReceived) {
    FManager.Trace({"XTypeWildConnect : Calling OnWildConnectRequest"});
    if (!Raise(frame, FManager.OnWildConnectReceived, service, topic)) return 0;
  } else {
    FManager.Trace({"XTypeWildConnect : No OnWildConnectRequest event available"});
    if (service.empty()) service = FManager.FServices.NameAt(0);
    if (topic.empty()) topic = kSystemTopic;
    FManager.Trace({"XTypeWildConnect : Using service [", service, "] with system topic"});
    bool allow = false;
    if (FManager.OnConnectReceived) {
      FManager.Trace({"XTypeWildConnect : Calling OnConnectRequest"});
      if (!Raise(frame, FManager.OnConnectReceived, service, topic, allow)) return 0;
      FManager.Trace({"XTypeWildConnect : OnConnectRequest returned Allow = ", allow});
    }
    if (allow) FManager.AddWildConnectPair(service, topic);
  }
  if (FManager.FWildServices.empty()) return 0;

  FManager.Trace({"XTypeWildConnect : WildConnect entry count = ", static_cast<int>(FManager.FWildServices.size())});
  // Handlers below may add pairs of their own; the offer is the list as it
  // stands now.
  const std::vector<std::string> services = FManager.FWildServices, topics = FManager.FWildTopics;
  FManager.ClearWildConnectPairs();
  std::vector<THsz> pairs;
  std::vector<uint64_t> made;
  for (std::size_t i = 0; i < services.size(); ++i) {
    TDDEMLService* s = FManager.FindService(services[i]);
    if (!s || s->Handle() == 0) continue;  // a service without a name handle cannot be offered
    TDDEMLTopic* t = s->FindTopic(topics[i]);
    if (!t) {
      s->AddTopic(topics[i]);
      t = s->FindTopic(topics[i]);
      if (!t) continue;
      if (FManager.OnTopicOpened) {
        const std::string serviceName = s->ServiceName(), topicName = t->Name();
        if (!Raise(frame, FManager.OnTopicOpened, serviceName, topicName)) return 0;
        s = FManager.FindService(serviceName);
        t = s ? s->FindTopic(topicName) : nullptr;
        if (!t) continue;
      }
    }
    const THsz serviceHandle = s->Handle(), topicHandle = t->Handle();
    if (serviceHandle == 0 || topicHandle == 0) continue;
    TDDEMLConversation* conv = CreateServerConv(frame, serviceHandle, topicHandle);
    if (Gone(frame)) return 0;
    if (!conv) continue;
    made.push_back(conv->Serial());
    pairs.push_back(serviceHandle);
    pairs.push_back(topicHandle);
  }
  if (pairs.empty()) return 0;
  pairs.push_back(0);
  pairs.push_back(0);
  FManager.Trace({"XTypeWildConnect : Calling DdeCreateDataHandle"});
  const THData reply = FManager.FPlatform.CreateDataHandle(
      FManager.FInstanceId, pairs.data(), static_cast<uint32_t>(pairs.size() * sizeof(THsz)), 0, 0, 1, 0);
  if (reply == 0) {
    FManager.Trace({"XTypeWildConnect : DdeCreateDataHandle failed!"});
    // No client will confirm these: they would wait for ever.
    for (uint64_t serial : made)
      FManager.FConvs.Remove(FManager.FConvs.BySerial(serial));
  }
  return reply;
}

void TTransactionDispatch::XTypDisconnect(TCallbackFrame& frame, THConv hconv) {
  FManager.Trace({"XTypDisconnect - Start  ...."});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (conv) {
    conv->MarkDisconnected();
    // Every conversation is a server conversation: the client role, whose
    // conversations a server can cut and the manager can restart, is not
    // built.
    const std::string service = conv->ServiceName(), topic = conv->TopicName();
    const bool only = FManager.FConvs.CountMatching(service, topic) == 1;
    const TConvRef ref = RefOf(*conv);
    // The client's links go with it, as its advise stops would take them:
    // an item that loses its last link tells the application once.
    for (const std::string& name : TConversationTable::DropLinks(*conv)) {
      if (!FManager.OnAdviseStopReceived) break;
      TDDEMLItem* item = ref.Topic->FindItem(name);
      if (!RaiseFinishing(frame, FManager.OnAdviseStopReceived, service, topic, name, item ? item->UserHandle : 0))
        return;
      if (!Revalidate(frame, ref)) return;
    }
    // A handler that fails keeps neither the record nor the topic: its
    // failure is reported once both are gone.
    if (!RaiseFinishing(frame, FManager.OnDisconnecting, service, topic)) return;
    conv = Revalidate(frame, ref);
    if (!conv) return;  // ended already, by the handler's doing
    FManager.FConvs.Remove(conv);
    if (only) {
      if (!RaiseFinishing(frame, FManager.OnTopicClosed, service, topic)) return;
      // By name, and only while no other conversation (one made meanwhile,
      // say) still stands on the topic. The System topic stays: its
      // "Status" is the service's busy mark, which the application sets and
      // which must outlive the clients that come and go.
      if (TDDEMLService* s = FManager.FindService(service))
        if (TDDEMLTopic* t = s->FindTopic(topic))
          if (!FManager.FConvs.TopicInUse(t) && !FManager.IsSystemTopic(topic)) s->RemoveTopic(topic);
    }
  }
  FManager.Trace({"XTypDisconnect - End"});
}

void TTransactionDispatch::XTypXActComplete(TCallbackFrame& frame, THConv hconv, THsz hszTopic, THsz hszItem,
                                            uint32_t transId) {
  FManager.Trace({"XTypeXActComplete : Start ...."});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (conv && conv->HasTopic(hszTopic)) {
    const std::string service = conv->ServiceName(), topic = conv->TopicName();
    FManager.Trace({"XTypeXActComplete : Conv Found :", service, "/", topic});
    // Only client transactions complete, and none is ever started: nothing
    // is pending, so the completion is an unknown one.
    if (!Raise(frame, FManager.OnUnknownCompleteResponse, service, topic, FManager.HszText(hszItem), transId)) return;
  }
  FManager.Trace({"XTypeXActComplete : End"});
}

}  // namespace dde
