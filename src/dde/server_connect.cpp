// Server transactions that make and end conversations: connect, connect
// confirm, wild connect, disconnect, and the completion notice.
#include <cstring>

#include "dde/manager.h"
#include "text/cp1250.h"

namespace dde {

THData TDDEMLManager::XTypConnect(TCallbackFrame& frame, THsz hszService, THsz hszTopic) {
  Trace({"XTypConnect - start ..."});
  const std::string service = HszText(hszService), topic = HszText(hszTopic);
  THData result = 1;
  if (!service.empty()) {
    TDDEMLService* s = FindServiceByHandle(hszService);
    if (!s || !s->Registered()) {
      result = 0;
      SetError(errUnknownServiceConnect, "Service : " + service + " - not supported");
    } else if (topic.empty() && !AllowNullTopic) {
      result = 0;
      SetError(errNullTopicConnect);
    }
  } else {
    Trace({"XTypConnect - Null Service name"});
    if (!AllowNullService) {
      result = 0;
      SetError(errNullServiceConnect);
    } else if (topic.empty()) {
      Trace({"XTypConnect - Null Topic name"});
      if (!AllowNullTopic) {
        result = 0;
        SetError(errNullTopicConnect);
      }
    }
  }
  if (result == 1) {
    Trace({"XTypConnect - Valid Service/Topic names"});
    bool allow = true;
    bool exists = false;
    for (int i = 0; i < FConvs.Count() && !exists; ++i) exists = FConvs.At(i)->Matches(service, topic);
    if (exists) {
      Trace({"XTypConnect - Conv already exists with these Service/Topic names"});
      if (OneConvPerTopic) {
        allow = false;
        result = 0;
      }
    } else if (OnConnectReceived) {
      Trace({"XTypConnect - Calling OnConnectRequest"});
      allow = false;
      if (!Raise(frame, OnConnectReceived, service, topic, allow)) return 0;
      if (!allow) {
        result = 0;
        SetError(errTopicRejected, service + "/" + topic);
      }
    }
    if (allow) {
      result = CreateServerConv(frame, hszService, hszTopic) ? 1 : 0;
      if (Gone(frame)) return 0;
      if (result == 0) SetError(errCreateServerConv);
    }
  }
  Trace({"XTypConnect - Result = ", result});
  Trace({"XTypConnect - End"});
  return result;
}

TDDEMLConversation* TDDEMLManager::CreateServerConv(TCallbackFrame& frame, THsz hszService, THsz hszTopic) {
  uint64_t made = 0;
  // A topic made for this conversation, by its service and name.
  TDDEMLService* opener = nullptr;
  std::string openedName;
  try {
    auto conv = std::make_unique<TDDEMLConversation>(FPlatform);
    conv->DefaultFormat = static_cast<uint16_t>(DefaultClipFmt);
    conv->CommType = DefaultComm;
    conv->TimeOut = FDefaultTimeOutMs;
    conv->LinkFormat = FLinkFormat;
    conv->ConvId = NextConvId();
    conv->ServerSide = true;
    conv->ErrorRelay = this;

    TDDEMLService* service = hszService ? FindServiceByHandle(hszService) : FServices.At(0);
    if (!service) return nullptr;
    TDDEMLTopic* topic = nullptr;
    bool opened = false;
    const std::string topicName = HszText(hszTopic);
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
    TDDEMLConversation* added = FConvs.Add(std::move(conv));
    made = added->Serial();
    if (!opened) return added;
    // The handler may have ended the manager, or the conversation with it.
    return RaiseOn(frame, RefOf(*added), OnTopicOpened, service->ServiceName(), topic->Name());
  } catch (...) {
    // Any failure frees the record (when the handler has not ended it
    // already), and the topic made for it; the reply is a refusal.
    if (frame.Dead) return nullptr;
    if (made != 0)
      if (TDDEMLConversation* record = ConvBySerial(made)) RemoveConv(record);
    // By name, on a service still in the tree: the handler may have changed
    // either.
    bool listed = false;
    for (int i = 0; opener && i < FServices.Count() && !listed; ++i) listed = FServices.At(i) == opener;
    if (listed)
      if (TDDEMLTopic* t = opener->FindTopic(openedName))
        if (!TopicInUse(t) && !IsSystemTopic(openedName)) opener->RemoveTopic(openedName);
    return nullptr;
  }
}

void TDDEMLManager::XTypConnectConfirm(THConv conv, THsz hszService, THsz hszTopic) {
  Trace({"XTypConnectConfirm - start  ...."});
  TConvInfo info;
  // The query only feeds the trace.
  if (TracingOn() && FPlatform.QueryConvInfo(conv, ddeml::kQidSync, info)) {
    Trace({"hszSvcPartner = ", HszText(info.hszSvcPartner)});
    Trace({"hszServiceReq = ", HszText(info.hszServiceReq)});
    Trace({"hszTopic = ", HszText(info.hszTopic)});
    Trace({"wStatus = ", info.status});
  }
  const std::string service = HszText(hszService), topic = HszText(hszTopic);
  TDDEMLConversation* found = nullptr;
  for (int i = 0; i < FConvs.Count() && !found; ++i) {
    TDDEMLConversation* c = FConvs.At(i);
    if (c->ServerSide && c->Handle() == 0 && c->Matches(service, topic)) found = c;
  }
  if (found) {
    Trace({"XTypConnectConfirm - setting conv Handle"});
    found->Confirm(conv);
  } else {
    SetError(errConvNotFound, service + "/" + topic);
  }
  Trace({"XTypConnectConfirm - End"});
}

THData TDDEMLManager::XTypWildConnect(TCallbackFrame& frame, THsz hszService, THsz hszTopic) {
  Trace({"XTypeWildConnect : start ...."});
  std::string service = HszText(hszService), topic = HszText(hszTopic);
  if (service.empty() && !AllowNullService) {
    Trace({"XTypeWildConnect : Failed. AllowNullService = FALSE and null service name"});
    return 0;
  }
  if (topic.empty() && !AllowNullTopic) {
    Trace({"XTypeWildConnect : Failed. AllowNullTopic = FALSE and null topic name"});
    return 0;
  }
  if (!service.empty() && !FindService(service)) {
    Trace({"XTypeWildConnect : Failed. [", service, "] service name not supported"});
    return 0;
  }
  Trace({"XTypeWildConnect : Ready to set wild connect combinations"});
  ClearWildConnectPairs();
  if (OnWildConnectReceived) {
    Trace({"XTypeWildConnect : Calling OnWildConnectRequest"});
    if (!Raise(frame, OnWildConnectReceived, service, topic)) return 0;
  } else {
    Trace({"XTypeWildConnect : No OnWildConnectRequest event available"});
    if (service.empty()) service = FServices.NameAt(0);
    if (topic.empty()) topic = kSystemTopic;
    Trace({"XTypeWildConnect : Using service [", service, "] with system topic"});
    bool allow = false;
    if (OnConnectReceived) {
      Trace({"XTypeWildConnect : Calling OnConnectRequest"});
      if (!Raise(frame, OnConnectReceived, service, topic, allow)) return 0;
      Trace({"XTypeWildConnect : OnConnectRequest returned Allow = ", allow});
    }
    if (allow) AddWildConnectPair(service, topic);
  }
  if (FWildServices.empty()) return 0;

  Trace({"XTypeWildConnect : WildConnect entry count = ", static_cast<int>(FWildServices.size())});
  // Handlers below may add pairs of their own; the offer is the list as it
  // stands now.
  const std::vector<std::string> services = FWildServices, topics = FWildTopics;
  ClearWildConnectPairs();
  std::vector<THsz> pairs;
  std::vector<uint64_t> made;
  for (std::size_t i = 0; i < services.size(); ++i) {
    TDDEMLService* s = FindService(services[i]);
    if (!s || s->Handle() == 0) continue;  // a service without a name handle cannot be offered
    TDDEMLTopic* t = s->FindTopic(topics[i]);
    if (!t) {
      s->AddTopic(topics[i]);
      t = s->FindTopic(topics[i]);
      if (!t) continue;
      if (OnTopicOpened) {
        const std::string serviceName = s->ServiceName(), topicName = t->Name();
        if (!Raise(frame, OnTopicOpened, serviceName, topicName)) return 0;
        s = FindService(serviceName);
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
  Trace({"XTypeWildConnect : Calling DdeCreateDataHandle"});
  const THData reply = FPlatform.CreateDataHandle(FInstanceId, pairs.data(),
                                                  static_cast<uint32_t>(pairs.size() * sizeof(THsz)), 0, 0, 1, 0);
  if (reply == 0) {
    Trace({"XTypeWildConnect : DdeCreateDataHandle failed!"});
    // No client will confirm these: they would wait for ever.
    for (uint64_t serial : made)
      if (TDDEMLConversation* conv = ConvBySerial(serial)) RemoveConv(conv);
  }
  return reply;
}

void TDDEMLManager::XTypDisconnect(TCallbackFrame& frame, THConv hconv) {
  Trace({"XTypDisconnect - Start  ...."});
  TDDEMLConversation* conv = FindConvByHandle(hconv);
  if (conv) {
    conv->MarkDisconnected();
    // Every conversation is a server conversation: the client role, whose
    // conversations a server can cut and the manager can restart, is not
    // built.
    const std::string service = conv->ServiceName(), topic = conv->TopicName();
    int same = 0;
    for (int i = 0; i < FConvs.Count(); ++i) same += FConvs.At(i)->Matches(service, topic) ? 1 : 0;
    const bool only = same == 1;
    const TConvRef ref = RefOf(*conv);
    // The client's links go with it, as its advise stops would take them:
    // an item that loses its last link tells the application once.
    for (const std::string& name : DropLinks(*conv)) {
      if (!OnAdviseStopReceived) break;
      TDDEMLItem* item = ref.Topic->FindItem(name);
      if (!RaiseFinishing(frame, OnAdviseStopReceived, service, topic, name, item ? item->UserHandle : 0)) return;
      if (!Revalidate(frame, ref)) return;
    }
    // A handler that fails keeps neither the record nor the topic: its
    // failure is reported once both are gone.
    if (!RaiseFinishing(frame, OnDisconnecting, service, topic)) return;
    conv = Revalidate(frame, ref);
    if (!conv) return;  // ended already, by the handler's doing
    RemoveConv(conv);
    if (only) {
      if (!RaiseFinishing(frame, OnTopicClosed, service, topic)) return;
      // By name, and only while no other conversation (one made meanwhile,
      // say) still stands on the topic. The System topic stays: its
      // "Status" is the service's busy mark, which the application sets and
      // which must outlive the clients that come and go.
      if (TDDEMLService* s = FindService(service))
        if (TDDEMLTopic* t = s->FindTopic(topic))
          if (!TopicInUse(t) && !IsSystemTopic(topic)) s->RemoveTopic(topic);
    }
  }
  Trace({"XTypDisconnect - End"});
}

void TDDEMLManager::XTypXActComplete(TCallbackFrame& frame, THConv hconv, THsz hszTopic, THsz hszItem,
                                     uint32_t transId) {
  Trace({"XTypeXActComplete : Start ...."});
  TDDEMLConversation* conv = FindConvByHandle(hconv);
  if (conv && conv->HasTopic(hszTopic)) {
    const std::string service = conv->ServiceName(), topic = conv->TopicName();
    Trace({"XTypeXActComplete : Conv Found :", service, "/", topic});
    // Only client transactions complete, and none is ever started: nothing
    // is pending, so the completion is an unknown one.
    if (!Raise(frame, OnUnknownCompleteResponse, service, topic, HszText(hszItem), transId)) return;
  }
  Trace({"XTypeXActComplete : End"});
}

}  // namespace dde
