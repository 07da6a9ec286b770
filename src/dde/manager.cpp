#include "dde/manager.h"

#include <cmath>

#include "dde/dispatch.h"
#include "dde/form_reader.h"
#include "dde/host.h"
#include "text/cp1250.h"

namespace dde {

namespace {

constexpr const char* kManagerClass = "TDDEMLManager";

thread_local TDDEMLManager* tCurrentManager = nullptr;

}  // namespace

// ---------------------------------------------------------------------------
// Lifecycle

TDDEMLManager::TDDEMLManager(TComponent* owner, IDdePlatform& platform)
    : TComponent(owner),
      FPlatform(platform),
      FServices(platform),
      FDispatch(std::make_unique<TTransactionDispatch>(*this)) {
  // First, so that a refused second manager leaves nothing behind.
  InsertIntoOwner();
  FServices.SetErrorSink(this);
  FServices.SetKeeper(this);
  FSelf = std::make_shared<TDDEMLManager*>(this);
  FLinkFormat = RegisterClipFormat("Link");
  tCurrentManager = this;
  SetTraceHost(&platform.Host());
}

TDDEMLManager::~TDDEMLManager() {
  // A handler that frees the manager returns into these callbacks: they
  // must leave without touching it. And what DDEML sends while the
  // manager ends (its own unregistering, say) reaches no half-destroyed
  // manager.
  FDispatch->Abandon();
  const bool current = tCurrentManager == this;
  if (current) tCurrentManager = nullptr;
  FSelf.reset();
  // Callbacks still running keep tracing after this manager is gone; and a
  // log that cannot be written must not keep the instance alive.
  DetachTraceFailureSink(*this);
  TTraceFailureScope quietLog(*this);
  try {
    EndAllConversations();
    // Services can only be registered while initialised, so shutting them
    // down is part of terminating.
    if (Initialized()) TerminateDDEML();
  } catch (const std::exception& e) {
    NoteTraceFailure(e);
  }
  FDispatch->Forget();
  FServices.SetErrorSink(nullptr);
  FServices.SetKeeper(nullptr);
  ReleaseDebugWindow(this);
  // The trace must not outlive the platform it reads the time from.
  if (current) SetTraceHost(nullptr);
}

TDDEMLManager* TDDEMLManager::CurrentManager() { return tCurrentManager; }

THData DDE_CALLBACK TDDEMLManager::CallBack(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                                            THData data, uintptr_t data1, uintptr_t data2) {
  TDDEMLManager* manager = CurrentManager();
  if (!manager || !manager->Initialized()) return 0;
  return manager->FDispatch->Dispatch(type, format, conv, hsz1, hsz2, data, data1, data2);
}

bool TDDEMLManager::InCallback() const { return FDispatch->InCallback(); }

void TDDEMLManager::Trace(TTracePieces pieces) const {
  if (!Designing()) WriteTracePrefixed(kManagerClass, pieces);
}

void TDDEMLManager::Notification(TComponent& component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opInsert && &component != this && dynamic_cast<TDDEMLManager*>(&component))
    throw text::Exception("Only one instance of TDDEMLManager is allowed per form");
}

void TDDEMLManager::Loaded() {
  TComponent::Loaded();
  if (Designing()) return;
  ApplyDebugSettings(this, FDebugState, DebugStayOnTop, DebugFileName);
  if (AutoInit && !Initialized()) InitDDEML();
  if (NetworkDDE) {
    FComputerName = FPlatform.Host().ComputerName();
    // Network DDE is gone from the systems this runs on: no share is
    // installed, and none can be made.
    if (ShareProcess == sptSharesMustMatch && !FShares.empty())
      throw EMorviaShareDefError(ErrorText(errSharesMismatch));
    if (ShareProcess == sptAutoCreateShares && !FShares.empty()) SetError(errNetDdeUnavailable);
  }
}

void TDDEMLManager::ReadStoredForm(std::string_view text) { TManagerFormReader(*this).Read(text); }

bool TDDEMLManager::StoredEventSlot(std::string_view eventName, TEventSlot& slot) {
  return TManagerFormReader::EventSlot(eventName, slot);
}

void TDDEMLManager::BindStoredEvents(const std::vector<TStoredHandler>& handlers) {
  TManagerFormReader(*this).BindEvents(handlers);
}

bool TDDEMLManager::CompareServerItemData() const { return dde::CompareServerItemData(); }

void TDDEMLManager::SetCompareServerItemData(bool on) { dde::SetCompareServerItemData(on); }

void TDDEMLManager::SetDebugState(TDDEMLDebugState state) {
  FDebugState = state;
  if (Designing()) return;
  SetDebugSettingsQuietly(state, DebugFileName);
  if ((state == dbForm || state == dbFile) && !Loading())
    ApplyDebugSettings(this, state, DebugStayOnTop, DebugFileName);
}

void TDDEMLManager::SetDefaultTimeOut(double seconds) {
  // Whole milliseconds, rounded to the nearest (halves to even).
  double ms = std::nearbyint(seconds * 1000.0);
  if (!(ms >= 0)) ms = 0;  // negative or not a number
  if (ms > 4294967295.0) ms = 4294967295.0;
  FDefaultTimeOutMs = static_cast<uint32_t>(ms);
}

void TDDEMLManager::SetServices(const TDDEMLServicesList& services) {
  if (&services == &FServices) return;
  ReplaceServices(services);
}

void TDDEMLManager::ReplaceServices(const TDDEMLServicesList& services) {
  TTraceFailureScope quietLog(*this);
  // Conversations point into the services they were made on; a name this
  // instance registered is given back before its service goes, and the new
  // services are served as InitDDEML would serve them. Inside a callback
  // the services that leave take their records with them and the names
  // change later (Retire, Settle).
  const bool serving = Initialized() && IsServerScope();
  if (!InCallback()) {
    EndAllConversations();
    if (serving)
      for (int i = 0; i < FServices.Count(); ++i)
        if (FServices.At(i)->Registered()) FServices.At(i)->Register(FInstanceId, false);
  }
  FServices.Assign(services);
  // What the copied services claim about registration is the source's.
  for (int i = 0; i < FServices.Count(); ++i) FServices.At(i)->ForgetRegistration();
  if (serving && FServices.Count() > 0) {
    if (InCallback()) {
      FRegisterDue = true;
      SettleLater();
    } else {
      FServices.RegisterAll(FInstanceId, true);
    }
  }
}

void TDDEMLManager::SetSharesList(const std::vector<std::string>& shares) {
  if (!Designing() && !(NetworkDDE && IsServerScope())) throw EMorviaScopeError(ErrorText(errNetDdeOff));
  FShares = shares;
}

// ---------------------------------------------------------------------------
// Initialisation

bool TDDEMLManager::InitDDEML() {
  TTraceFailureScope quietLog(*this);
  Trace({"InitDDEML : start  ...."});
  int code = errOk;
  if (Initialized()) {
    code = errAlreadyInitialized;
  } else if (Scope == ddeNone) {
    code = errNullScope;
  } else {
    Trace({"InitDDEML : Calling DdeInitialize"});
    FInstanceId = 0;
    uint32_t flags = Scope == ddeClientOnly ? ddeml::kAppCmdClientOnly
                     : Scope == ddeServerOnly ? ddeml::kAppCmdFilterInits
                                              : 0;
    flags |= FailFlags(FailOptions) | SkipFlags(SkipOptions);
    TInstanceId id = 0;
    if (FPlatform.Initialize(id, &TDDEMLManager::CallBack, flags) != 0 || id == 0) {
      code = errDdeInitialize;
    } else {
      FInstanceId = id;
      const bool result = IsServerScope() ? SetupServices() : true;
      Trace({"InitDDEML : End"});
      return result;
    }
  }
  SetError(code);
  Trace({"InitDDEML : End"});
  return false;
}

bool TDDEMLManager::TerminateDDEML() {
  // A log that cannot be written must not leave the instance behind.
  TTraceFailureScope quietLog(*this);
  Trace({"TerminateDDEML : Start ...."});
  if (!Initialized()) {
    Trace({"TerminateDDEML : End"});
    return false;
  }
  // In every case the manager is uninitialised afterwards.
  struct TDrop {
    TInstanceId& id;
    ~TDrop() { id = 0; }
  } drop{FInstanceId};
  // Ended by a handler, DDEML is still inside the transaction it called
  // back for: unregistering or uninitialising now would free its
  // conversation under it. The instance goes once the thread is back in
  // its message loop, and its names with it.
  const bool inCallback = InCallback();
  EndAllConversations();
  if (IsServerScope() && !inCallback) ShutDownServices();
  // The instance ends what was left for Settle to tell it.
  FConvsToEnd.clear();
  FNamesToDrop.clear();
  FRegisterDue = false;
  Trace({"TerminateDDEML : Calling DdeUnInitialize"});
  FServices.ReleaseHandles();
  for (auto& node : FRetired) node->ReleaseHandles();
  bool ok = false;
  try {
    if (inCallback) {
      FPlatform.UninitializeLater(FInstanceId);
      ok = true;
    } else {
      ok = FPlatform.Uninitialize(FInstanceId);
    }
  } catch (...) {
    throw EMorviaError("Error in DdeUnInitialise API call");
  }
  // Whatever the unregistering did, no name outlives the instance.
  for (int i = 0; i < FServices.Count(); ++i) FServices.At(i)->ForgetRegistration();
  if (!ok) SetError(errDdeUninitialize);
  FInstanceId = 0;
  Trace({"TerminateDDEML : End"});
  return ok;
}

void TDDEMLManager::CheckServerScope() const {
  if (!IsServerScope()) throw EMorviaScopeError(ErrorText(errNotServerScope));
}

void TDDEMLManager::AddService(const std::string& name) {
  CheckServerScope();
  CheckDdeName(name);
  FServices.Add(name);
}

void TDDEMLManager::AddExeNameService() {
  CheckServerScope();
  const std::string name = ExeServiceName(FPlatform.Host().ProgramFileName());
  if (name.empty() || !IsValidDdeName(name)) return;
  FServices.Add(name);
  if (TDDEMLService* service = FServices.Find(name)) service->Enabled = true;
}

bool TDDEMLManager::SetupServices() {
  CheckServerScope();
  TTraceFailureScope quietLog(*this);
  Trace({"SetupServices - start"});
  if (FServices.Count() == 0 && ExeNameAsService) AddExeNameService();
  bool result = true;
  if (FServices.Count() > 0) result = FServices.RegisterAll(FInstanceId, true);
  Trace({"SetupServices - end"});
  return result;
}

void TDDEMLManager::ShutDownServices() {
  CheckServerScope();
  TTraceFailureScope quietLog(*this);
  Trace({"ShutDownServices - start"});
  if (FServices.Count() > 0) FServices.RegisterAll(FInstanceId, false);
  Trace({"ShutdownServices - end"});
}

// ---------------------------------------------------------------------------
// Conversations

void TDDEMLManager::EndAllConversations() {
  for (int n = FConvs.Count(); n > 0 && FConvs.Count() > 0; --n) {
    // Out of the list first: a disconnect that DDEML reports back while the
    // conversation ends must not find it.
    std::unique_ptr<TDDEMLConversation> conv = FConvs.Extract(FConvs.At(0));
    conv->ErrorRelay = nullptr;
    // Its links go with it; the manager is ending, so no event is raised.
    DropLinks(*conv);
    try {
      conv->EndConversation();
    } catch (const std::exception& e) {
      NoteTraceFailure(e);
    }
  }
}

void TDDEMLManager::RemoveConv(TDDEMLConversation* conv) { FConvs.Remove(conv); }

std::vector<std::string> TDDEMLManager::DropLinks(const TDDEMLConversation& conv) {
  std::vector<std::string> stopped;
  if (!conv.Topic) return stopped;
  for (int i = 0; i < conv.Topic->ItemCount(); ++i) {
    TDDEMLItem* item = conv.Topic->ItemAt(i);
    if (item->DropAdviseLinks(conv.Serial()) > 0 && item->LinkState() == 0) stopped.push_back(item->Name());
  }
  return stopped;
}

void TDDEMLManager::Retire(std::unique_ptr<TDDEMLBase> node) {
  TTraceFailureScope quietLog(*this);
  // No record may point at a node that has left the tree.
  for (int i = FConvs.Count() - 1; i >= 0; --i) {
    TDDEMLConversation* c = FConvs.At(i);
    if (c->Service != node.get() && c->Topic != node.get()) continue;
    std::unique_ptr<TDDEMLConversation> record = FConvs.Extract(c);
    record->ErrorRelay = nullptr;
    if (record->Handle() == 0) continue;
    if (InCallback()) {
      FConvsToEnd.push_back(record->Handle());
      SettleLater();
    } else {
      try {
        record->EndConversation();
      } catch (const std::exception& e) {
        NoteTraceFailure(e);
      }
    }
  }
  // A name this instance registered is given back with its service.
  auto* service = dynamic_cast<TDDEMLService*>(node.get());
  if (service && service->Registered() && Initialized()) {
    if (InCallback()) {
      FNamesToDrop.push_back(service->ServiceName());
      SettleLater();
    } else {
      service->Register(FInstanceId, false);
    }
  }
  if (InCallback()) FRetired.push_back(std::move(node));
}

void TDDEMLManager::SettleLater() {
  if (FSettlePosted) return;
  FSettlePosted = true;
  std::weak_ptr<TDDEMLManager*> self = FSelf;
  FPlatform.RunLater([self] {
    if (std::shared_ptr<TDDEMLManager*> manager = self.lock()) (*manager)->Settle();
  });
}

void TDDEMLManager::Settle() {
  FSettlePosted = false;
  TTraceFailureScope quietLog(*this);
  const std::vector<THConv> convs = std::move(FConvsToEnd);
  const std::vector<std::string> names = std::move(FNamesToDrop);
  FConvsToEnd.clear();
  FNamesToDrop.clear();
  const bool registerDue = FRegisterDue;
  FRegisterDue = false;
  if (!Initialized()) return;
  for (THConv conv : convs) {
    TConvInfo info;
    if (FPlatform.QueryConvInfo(conv, ddeml::kQidSync, info)) FPlatform.Disconnect(conv);
  }
  for (const std::string& name : names) {
    // Taken again meanwhile by a service of the tree: that one stays.
    const TDDEMLService* now = FServices.Find(name);
    if (now && now->Registered()) continue;
    const THsz hsz = FPlatform.CreateStringHandle(FInstanceId, name);
    if (hsz == 0) continue;
    if (!FPlatform.NameService(FInstanceId, hsz, ddeml::kDnsUnregister)) SetError(errNameServiceRegister, name);
    FPlatform.FreeStringHandle(FInstanceId, hsz);
  }
  bool registered = false;
  for (int i = 0; i < FServices.Count(); ++i) registered = registered || FServices.At(i)->Registered();
  // Unless the services were registered meanwhile, outside a callback.
  if (registerDue && !registered && IsServerScope() && FServices.Count() > 0) FServices.RegisterAll(FInstanceId, true);
}

int TDDEMLManager::NextConvId() const {
  int32_t highest = 0;
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->ConvId > highest) highest = FConvs.At(i)->ConvId;
  return highest + 1;
}

TDDEMLConversation* TDDEMLManager::ConvBySerial(uint64_t serial) const {
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->Serial() == serial) return FConvs.At(i);
  return nullptr;
}

bool TDDEMLManager::TopicInUse(const TDDEMLTopic* topic) const {
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->Topic == topic) return true;
  return false;
}

TDDEMLConversation* TDDEMLManager::FindConvByHandle(THConv conv) {
  if (conv == 0) return nullptr;
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->Handle() == conv) return FConvs.At(i);
  // Not confirmed yet (or confirmations skipped): adopt a waiting record of
  // the same names.
  TConvInfo info;
  if (!FPlatform.QueryConvInfo(conv, ddeml::kQidSync, info)) return nullptr;
  const std::string service = HszText(info.hszSvcPartner), topic = HszText(info.hszTopic);
  for (int i = 0; i < FConvs.Count(); ++i) {
    TDDEMLConversation* c = FConvs.At(i);
    if (c->Handle() == 0 && c->Matches(service, topic)) {
      c->Confirm(conv);
      return c;
    }
  }
  return nullptr;
}

std::string TDDEMLManager::HszText(THsz hsz) const {
  return hsz ? FPlatform.QueryStringText(FInstanceId, hsz) : std::string();
}

// ---------------------------------------------------------------------------
// Server data. Each change may post advises: a log that cannot be written
// stops none of them.

TDDEMLService* TDDEMLManager::DataService(const std::string& service,
                                         std::initializer_list<std::string_view> names) const {
  CheckServerScope();
  // A name DDE cannot carry could never be asked for, and a NUL would cut
  // the tab-separated lists short.
  for (std::string_view name : names) CheckDdeName(name);
  return FindService(service);
}

void TDDEMLManager::AddToFormatList(const std::string& service, const std::string& topic,
                                    TDDEMLClipFmtType format) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic})) s->AddToFormatList(topic, format);
}

void TDDEMLManager::ClearFormatList(const std::string& service, const std::string& topic) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic})) s->ClearFormatList(topic);
}

void TDDEMLManager::AddToItemList(const std::string& service, const std::string& topic, const std::string& item) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic, item})) s->AddToItemList(topic, item);
}

void TDDEMLManager::ClearItemList(const std::string& service, const std::string& topic) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic})) s->ClearItemList(topic);
}

void TDDEMLManager::AddToTopicList(const std::string& service, const std::string& topic) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic})) s->AddToTopicList(topic);
}

void TDDEMLManager::ClearTopicList(const std::string& service) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {})) s->ClearTopicList();
}

void TDDEMLManager::SetItemText(const std::string& service, const std::string& topic, const std::string& item,
                                std::string_view text) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic, item})) s->SetItemText(topic, item, text);
}

void TDDEMLManager::SetItemData(const std::string& service, const std::string& topic, const std::string& item,
                                THData data, uint16_t format) {
  TTraceFailureScope quietLog(*this);
  if (TDDEMLService* s = DataService(service, {topic, item})) s->SetItemData(topic, item, format, data);
}

void TDDEMLManager::AddWildConnectPair(const std::string& service, const std::string& topic) {
  CheckServerScope();
  if (topic.empty() || !FindService(service)) return;
  for (std::size_t i = 0; i < FWildServices.size(); ++i)
    if (text::EqualNoCaseAscii(FWildServices[i], service) && text::EqualNoCaseAscii(FWildTopics[i], topic)) return;
  FWildServices.push_back(service);
  FWildTopics.push_back(topic);
}

void TDDEMLManager::ClearWildConnectPairs() {
  FWildServices.clear();
  FWildTopics.clear();
}

// ---------------------------------------------------------------------------
// Errors

bool TDDEMLManager::SetError(int code, const std::string& message) {
  if (TracingOn()) {
    try {
      const uint32_t last = Initialized() ? FPlatform.GetLastError(FInstanceId) : 0;
      TraceSetError(code, last, message);
    } catch (const std::exception& e) {
      // The error sink never raises: a log that cannot be written is noted.
      NoteTraceFailure(e);
    }
  }
  return code == errOk;
}

void TDDEMLManager::NoteTraceFailure(const std::exception& e) noexcept {
  try {
    FTraceFailure = e.what();
  } catch (...) {
    FTraceFailure.clear();
  }
  ++FTraceFailures;
}

}  // namespace dde
