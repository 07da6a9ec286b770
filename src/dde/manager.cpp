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
      FConvs(platform),
      FDispatch(std::make_unique<TTransactionDispatch>(*this)),
      FTreeChanges(platform, FServices, FConvs, *this, *this, *this) {
  // First, so that a refused second manager leaves nothing behind.
  InsertIntoOwner();
  FServices.SetErrorSink(this);
  FServices.SetKeeper(&FTreeChanges);
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
  FTreeChanges.Detach();
  // Callbacks still running keep tracing after this manager is gone; and a
  // log that cannot be written must not keep the instance alive.
  DetachTraceFailureSink(*this);
  TTraceFailureScope quietLog(*this);
  try {
    FConvs.EndAll(*this);
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
  if (&services != &FServices) FTreeChanges.ReplaceTree(services);
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
  FConvs.EndAll(*this);
  if (IsServerScope() && !inCallback) ShutDownServices();
  Trace({"TerminateDDEML : Calling DdeUnInitialize"});
  FServices.ReleaseHandles();
  FTreeChanges.ForgetInstance();
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
