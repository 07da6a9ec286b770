// The DDE conversation manager: the component a window holds to serve DDE
// through DDEML. It owns the DDEML instance, the services it offers, the
// live conversations, the declared execute commands and the trace settings,
// and answers every DDEML callback of its thread through CallBack (the work
// is its TTransactionDispatch's, dispatch.h).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dde/commands.h"
#include "dde/component.h"
#include "dde/containers.h"
#include "dde/conversation.h"
#include "dde/conversation_table.h"
#include "dde/errors.h"
#include "dde/formats.h"
#include "dde/manager_types.h"
#include "dde/platform.h"
#include "dde/services.h"
#include "dde/trace.h"
#include "dde/tree_changes.h"

namespace dde {

class TTransactionDispatch;

// A service, topic or item that leaves the tree inside an event handler
// takes its conversation records with it at once; the rest of the change
// waits as TDeferredTreeChanges (tree_changes.h) tells.
class TDDEMLManager : public TComponent, public IErrorSink, private ITraceFailureSink, private ITreeChangeOwner {
 public:
  // The platform must outlive the manager. The manager becomes the current
  // manager of the calling thread. Joining an owner that holds another
  // manager raises text::Exception.
  TDDEMLManager(TComponent* owner, IDdePlatform& platform);
  ~TDDEMLManager() override;

  // ---- published properties ----
  const TAboutInfo& About() const { return FAbout; }
  bool AllowNullPokes = false;      // stored only
  bool AllowNullService = false;
  bool AllowNullTopic = false;
  bool AutoInit = false;
  std::string DebugFileName = kDefaultDebugFileName;
  bool DebugStayOnTop = true;
  TDDEMLClipFmtType DefaultClipFmt = cfText;
  TDDEMLCommType DefaultComm = dcSync;
  bool DefaultUseBusy = false;      // stored only
  bool ExeNameAsService = true;
  TDDEMLFailOptions FailOptions;
  TDDEMLSkipOptions SkipOptions;
  bool OneConvPerTopic = false;
  bool PokeDataAsHandle = true;     // client role
  bool RetainClientItems = true;    // client role
  bool RetainClientItemData = true; // client role
  TDDEMLScopeType Scope = ddeNone;
  TDDEMLFormatConflictType FormatConflict = fctException;
  bool StoreServerItemData = true;
  bool NetworkDDE = false;
  TShareProcessType ShareProcess = sptNone;

  // The process-wide comparison option of the item store.
  bool CompareServerItemData() const;
  void SetCompareServerItemData(bool on);
  // The delimiters of the execute language, kept by ExecCmds.
  char CmdFirstCh() const { return FExecCmds.CmdFirstCh; }
  void SetCmdFirstCh(char c) { FExecCmds.CmdFirstCh = c; }
  char CmdLastCh() const { return FExecCmds.CmdLastCh; }
  void SetCmdLastCh(char c) { FExecCmds.CmdLastCh = c; }
  char CmdParamFirstCh() const { return FExecCmds.CmdParamFirstCh; }
  void SetCmdParamFirstCh(char c) { FExecCmds.CmdParamFirstCh = c; }
  char CmdParamLastCh() const { return FExecCmds.CmdParamLastCh; }
  void SetCmdParamLastCh(char c) { FExecCmds.CmdParamLastCh = c; }
  char CmdParamSep() const { return FExecCmds.CmdParamSep; }
  void SetCmdParamSep(char c) { FExecCmds.CmdParamSep = c; }
  TDDEMLCmdsList& ExecCmds() { return FExecCmds; }
  // Copies the commands (not the delimiters).
  void SetExecCmds(const TDDEMLCmdsList& cmds) { FExecCmds.Assign(cmds); }
  TDDEMLDebugState DebugState() const { return FDebugState; }
  // Outside loading, a change to dbForm or dbFile applies the trace
  // settings at once; dbNone stops tracing.
  void SetDebugState(TDDEMLDebugState state);
  // Seconds, held as whole milliseconds (rounded to the nearest).
  double DefaultTimeOut() const { return FDefaultTimeOutMs / 1000.0; }
  void SetDefaultTimeOut(double seconds);
  uint32_t DefaultTimeOutMs() const { return FDefaultTimeOutMs; }
  TDDEMLServicesList& Services() { return FServices; }
  // Copies the list. Conversations point into the services they were made
  // on, so they are ended first (inside a callback, as tree_changes.h
  // says).
  void SetServices(const TDDEMLServicesList& services);
  const std::vector<std::string>& SharesList() const { return FShares; }
  // The computer's name, taken at Loaded when NetworkDDE is on.
  const std::string& NetComputerName() const { return FComputerName; }
  // EMorviaScopeError (-44 text) unless designing, or NetworkDDE is on and
  // the scope serves.
  void SetSharesList(const std::vector<std::string>& shares);

  // ---- events ----
  TDDEMLConnectEvent OnConnectReceived;
  TDDEMLSTEvent OnWildConnectReceived;
  TDDEMLSTEvent OnTopicOpened;
  TDDEMLSTEvent OnTopicClosed;
  TDDEMLSTEvent OnDisconnecting;
  TDDEMLExecuteEvent OnExecuteReceived;
  TDDEMLRawExecuteEvent OnRawExecuteReceived;
  TDDEMLPokeEvent OnPokeReceived;
  TDDEMLReqReceivedEvent OnRequestReceived;
  TDDEMLReqReceivedEvent OnAdviseStartReceived;
  TDDEMLAdviseStopEvent OnAdviseStopReceived;
  TDDEMLSEvent OnTopicReceived;
  TDDEMLSEvent OnSysItemReceived;
  TDDEMLSEvent OnFormatReceived;
  TDDEMLSEvent OnSysHelpReceived;
  TDDEMLSTEvent OnItemReceived;
  TDDEMLSTEvent OnTopicFormatReceived;
  TDDEMLServiceEvent OnServiceRegistered;
  TDDEMLServiceEvent OnServiceUnregistered;
  TDDEMLErrorEvent OnError;
  TDDEMLUnknownCompleteEvent OnUnknownCompleteResponse;

  // ---- lifecycle ----
  // Applies the trace settings, initialises when AutoInit, handles the
  // network shares. Nothing while designing.
  void Loaded() override;
  void Notification(TComponent& component, TOperation operation) override;
  // Reads the manager's properties from the stored text form, as a form
  // file lists them (see form_reader.cpp), then calls Loaded.
  // Bad text raises EStoredFormError.
  void ReadStoredForm(std::string_view text);
  // The event handlers the stored form names, as (event, handler) pairs in
  // their order; the window binds them in code.
  const std::vector<std::pair<std::string, std::string>>& StoredEvents() const { return FStoredEvents; }
  // The member a stored event name stands for (ASCII case ignored); false
  // for a name that is no event of the component.
  static bool StoredEventSlot(std::string_view eventName, TEventSlot& slot);
  // Binds every event the stored form named to the offered handler of that
  // name. A handler not offered, one of another signature, or an event of
  // the client role raise EStoredFormError; nothing is bound then.
  void BindStoredEvents(const std::vector<TStoredHandler>& handlers);
  bool InitDDEML();
  bool TerminateDDEML();
  TInstanceId InstanceId() const { return FInstanceId; }
  bool Initialized() const { return FInstanceId != 0; }
  bool IsServerScope() const { return Scope == ddeServerOnly || Scope == ddeClientAndServer; }
  // The number of the clipboard format "Link", given to new conversations.
  uint16_t LinkFormat() const { return FLinkFormat; }

  // ---- services (EMorviaScopeError when the scope does not serve) ----
  void AddService(const std::string& name);
  void AddExeNameService();
  bool SetupServices();
  void ShutDownServices();

  // ---- server data; a service name not in the list does nothing; a topic
  // or item name DDE cannot carry (over 255 characters, or a NUL) raises
  // EMorviaError and changes nothing ----
  void AddToFormatList(const std::string& service, const std::string& topic, TDDEMLClipFmtType format);
  void ClearFormatList(const std::string& service, const std::string& topic);
  void AddToItemList(const std::string& service, const std::string& topic, const std::string& item);
  void ClearItemList(const std::string& service, const std::string& topic);
  void AddToTopicList(const std::string& service, const std::string& topic);
  void ClearTopicList(const std::string& service);
  void SetItemText(const std::string& service, const std::string& topic, const std::string& item,
                   std::string_view text);
  void SetItemData(const std::string& service, const std::string& topic, const std::string& item, THData data,
                   uint16_t format);
  // The pairs a wild connect offers; see the wild-connect handler.
  void AddWildConnectPair(const std::string& service, const std::string& topic);
  void ClearWildConnectPairs();
  int WildConnectPairCount() const { return static_cast<int>(FWildServices.size()); }

  // ---- look-ups ----
  TDDEMLService* FindService(const std::string& name) const { return FServices.Find(name); }
  TDDEMLService* FindServiceByHandle(THsz hsz) const { return FServices.FindByHandle(hsz); }
  // The conversation with that handle; else the first one without a handle
  // whose names match what DDEML tells about the conversation, which then
  // takes the handle.
  TDDEMLConversation* FindConvByHandle(THConv conv) { return FConvs.FindByHandle(conv, FInstanceId); }
  static bool IsSystemTopic(std::string_view name) { return IsSystemTopicName(name); }
  int ConvCount() const { return FConvs.Count(); }
  TDDEMLConversation* Conv(int index) const { return FConvs.At(index); }

  // The error sink: traces the code, DDEML's last error and the message
  // while tracing is on. Raises nothing and calls no event; gives true only
  // for errOk. A trace file that cannot be written does not stop it: the
  // failure is kept in LastTraceFailure.
  bool SetError(int code, const std::string& message = std::string()) override;
  // The message of the latest trace file error met by SetError or CallBack
  // (empty when none), and how many there were.
  const std::string& LastTraceFailure() const { return FTraceFailure; }
  int TraceFailureCount() const { return FTraceFailures; }

  // The manager the callback serves: the most recently created on this
  // thread, none once it is destroyed.
  static TDDEMLManager* CurrentManager();
  // The one DDEML callback. Never throws.
  static THData DDE_CALLBACK CallBack(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                                      THData data, uintptr_t data1, uintptr_t data2);

  IDdePlatform& Platform() const { return FPlatform; }

 private:
  void Trace(TTracePieces pieces) const;
  void CheckServerScope() const;
  // The service a server-data call works on (null when not listed), once
  // the scope serves and the names check.
  TDDEMLService* DataService(const std::string& service, std::initializer_list<std::string_view> names) const;
  std::string HszText(THsz hsz) const;

  void NoteTraceFailure(const std::exception& e) noexcept override;
  bool InCallback() const override;
  TInstanceId Instance() const override { return FInstanceId; }
  bool ServesNames() const override { return IsServerScope(); }

  // The callback's work, and the transactions it answers, read and change
  // the manager's state as its own.
  friend class TTransactionDispatch;
  friend class TDataTransactions;
  friend class TManagerFormReader;

  IDdePlatform& FPlatform;
  TAboutInfo FAbout;
  TInstanceId FInstanceId = 0;
  uint16_t FLinkFormat = 0;
  uint32_t FDefaultTimeOutMs = 5000;
  TDDEMLDebugState FDebugState = dbNone;
  TDDEMLCmdsList FExecCmds;
  TDDEMLServicesList FServices;
  TConversationTable FConvs;
  std::vector<std::string> FWildServices, FWildTopics;
  std::vector<std::string> FShares;
  std::string FComputerName;
  std::vector<std::pair<std::string, std::string>> FStoredEvents;
  std::unique_ptr<TTransactionDispatch> FDispatch;
  TDeferredTreeChanges FTreeChanges;
  std::string FTraceFailure;
  int FTraceFailures = 0;
};

}  // namespace dde
