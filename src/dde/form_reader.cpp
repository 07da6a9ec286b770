// The manager's properties read from the stored text form, as a form file
// lists them, so that a window definition configures its manager:
//   object DDEMan1: TDDEMLManager
//     Scope = ddeServerOnly
//     DefaultTimeOut = 1.000000000000000000
//     ExecCmds.CmdList = (True 'NSS' 'Open_PKD' True 'SS' 'Find_PKD')
//     OnExecuteReceived = DDEMan1ExecuteReceived
//   end
#include "dde/form_reader.h"

#include "dde/manager.h"
#include "dde/storedform.h"
#include "text/cp1250.h"

namespace dde {

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& what) {
  throw EStoredFormError("Invalid stored value of " + path + ": " + what);
}

// The position of name in names (ASCII case ignored).
template <std::size_t N>
int EnumValue(const std::string& path, const std::string& name, const char* const (&names)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    if (text::EqualNoCaseAscii(name, names[i])) return static_cast<int>(i);
  Refuse(path, "unknown value " + name.substr(0, 40));
}

const char* const kScopeNames[] = {"ddeNone", "ddeClientOnly", "ddeServerOnly", "ddeClientAndServer"};
const char* const kConflictNames[] = {"fctException", "fctIgnore", "fctNullResponse"};
const char* const kDebugNames[] = {"dbNone", "dbForm", "dbFile"};
const char* const kClipFmtNames[] = {"cfNone",    "cfText", "cfBitmap",  "cfMetaFilePict", "cfSYLK",
                                     "cfDIF",     "cfTIFF", "cfOEMText", "cfDIB",          "cfPalette",
                                     "cfPenData", "cfRIFF", "cfWave",    "cfCustom"};
const char* const kCommNames[] = {"dcASync", "dcSync"};
const char* const kShareNames[] = {"sptNone", "sptAutoCreateShares", "sptSharesMustMatch"};
const char* const kFailNames[] = {"cbfFailSelfConnections", "cbfFailConnections", "cbfFailAdvises",
                                  "cbfFailExecutes",        "cbfFailPokes",       "cbfFailRequests",
                                  "cbfFailAllSvrXActions"};
const char* const kSkipNames[] = {"cbfSkipConnectConfirms", "cbfSkipRegistrations", "cbfSkipUnregistrations",
                                  "cbfSkipDisconnects", "cbfSkipAllNotifications"};

// Events a form may name a handler for, and the members they bind to. The
// client role's events are stored like any other but have no member.
using M = TDDEMLManager;
struct TStoredEvent {
  const char* name;
  TEventSlot slot;
};
const TStoredEvent kStoredEvents[] = {
    {"OnConnectReceived", &M::OnConnectReceived},
    {"OnWildConnectReceived", &M::OnWildConnectReceived},
    {"OnTopicOpened", &M::OnTopicOpened},
    {"OnTopicClosed", &M::OnTopicClosed},
    {"OnDisconnecting", &M::OnDisconnecting},
    {"OnServerDisconnecting", std::monostate()},
    {"OnExecuteReceived", &M::OnExecuteReceived},
    {"OnRawExecuteReceived", &M::OnRawExecuteReceived},
    {"OnPokeReceived", &M::OnPokeReceived},
    {"OnRequestReceived", &M::OnRequestReceived},
    {"OnAdviseStartReceived", &M::OnAdviseStartReceived},
    {"OnAdviseStopReceived", &M::OnAdviseStopReceived},
    {"OnTopicReceived", &M::OnTopicReceived},
    {"OnSysItemReceived", &M::OnSysItemReceived},
    {"OnFormatReceived", &M::OnFormatReceived},
    {"OnSysHelpReceived", &M::OnSysHelpReceived},
    {"OnItemReceived", &M::OnItemReceived},
    {"OnTopicFormatReceived", &M::OnTopicFormatReceived},
    {"OnServiceRegistered", &M::OnServiceRegistered},
    {"OnServiceUnregistered", &M::OnServiceUnregistered},
    {"OnError", &M::OnError},
    {"OnHotLinkResponse", std::monostate()},
    {"OnRequestResponse", std::monostate()},
    {"OnWarmLinkResponse", std::monostate()},
    {"OnAsyncResponse", std::monostate()},
    {"OnUnknownAdviseResponse", std::monostate()},
    {"OnUnknownCompleteResponse", &M::OnUnknownCompleteResponse},
};

const TStoredEvent* FindStoredEvent(std::string_view name) {
  for (const TStoredEvent& e : kStoredEvents)
    if (text::EqualNoCaseAscii(name, e.name)) return &e;
  return nullptr;
}

char ReadChar(const std::string& path, const std::string& value) {
  const std::string s = ReadStoredString(value);
  if (s.size() != 1) Refuse(path, "one character expected");
  return s[0];
}

}  // namespace

void TManagerFormReader::Read(std::string_view text) {
  const TStoredObject object = SplitStoredObject(text);
  if (!object.ClassName.empty() && !text::EqualNoCaseAscii(object.ClassName, "TDDEMLManager"))
    throw EStoredFormError("Stored object of class " + object.ClassName + " is no TDDEMLManager");
  FManager.BeginLoading();
  if (!object.Name.empty()) FManager.Name = object.Name;
  for (const TStoredProperty& p : object.Properties) {
    const std::string& path = p.Path;
    const std::string& v = p.Value;
    auto is = [&path](const char* name) { return text::EqualNoCaseAscii(path, name); };
    struct TFlag {
      const char* name;
      bool* field;
    };
    const TFlag flags[] = {{"AllowNullPokes", &FManager.AllowNullPokes},
                           {"AllowNullService", &FManager.AllowNullService},
                           {"AllowNullTopic", &FManager.AllowNullTopic},
                           {"AutoInit", &FManager.AutoInit},
                           {"DebugStayOnTop", &FManager.DebugStayOnTop},
                           {"DefaultUseBusy", &FManager.DefaultUseBusy},
                           {"ExeNameAsService", &FManager.ExeNameAsService},
                           {"OneConvPerTopic", &FManager.OneConvPerTopic},
                           {"PokeDataAsHandle", &FManager.PokeDataAsHandle},
                           {"RetainClientItems", &FManager.RetainClientItems},
                           {"RetainClientItemData", &FManager.RetainClientItemData},
                           {"StoreServerItemData", &FManager.StoreServerItemData},
                           {"NetworkDDE", &FManager.NetworkDDE}};
    bool done = false;
    for (const TFlag& f : flags)
      if (is(f.name)) *f.field = ReadStoredBoolean(v), done = true;
    if (done) continue;
    if (is("CompareServerItemData")) {
      FManager.SetCompareServerItemData(ReadStoredBoolean(v));
    } else if (is("CmdFirstCh")) {
      FManager.SetCmdFirstCh(ReadChar(path, v));
    } else if (is("CmdLastCh")) {
      FManager.SetCmdLastCh(ReadChar(path, v));
    } else if (is("CmdParamFirstCh")) {
      FManager.SetCmdParamFirstCh(ReadChar(path, v));
    } else if (is("CmdParamLastCh")) {
      FManager.SetCmdParamLastCh(ReadChar(path, v));
    } else if (is("CmdParamSep")) {
      FManager.SetCmdParamSep(ReadChar(path, v));
    } else if (is(kCmdListProperty)) {
      ReadCmdList(v, FManager.FExecCmds);
    } else if (is(kServicesListProperty)) {
      TDDEMLServicesList read(FManager.FPlatform);
      ReadServicesList(v, read);
      FManager.FTreeChanges.ReplaceTree(read);
    } else if (is("DebugState")) {
      FManager.SetDebugState(static_cast<TDDEMLDebugState>(EnumValue(path, ReadStoredIdent(v), kDebugNames)));
    } else if (is("DebugFileName")) {
      FManager.DebugFileName = ReadStoredString(v);
    } else if (is("DefaultClipFmt")) {
      FManager.DefaultClipFmt = static_cast<TDDEMLClipFmtType>(EnumValue(path, ReadStoredIdent(v), kClipFmtNames));
    } else if (is("DefaultComm")) {
      FManager.DefaultComm = static_cast<TDDEMLCommType>(EnumValue(path, ReadStoredIdent(v), kCommNames));
    } else if (is("DefaultTimeOut")) {
      FManager.SetDefaultTimeOut(ReadStoredFloat(v));
    } else if (is("FailOptions")) {
      FManager.FailOptions = TDDEMLFailOptions();
      for (const std::string& name : ReadStoredSet(v))
        FManager.FailOptions.Include(static_cast<TDDEMLFailType>(EnumValue(path, name, kFailNames)));
    } else if (is("SkipOptions")) {
      FManager.SkipOptions = TDDEMLSkipOptions();
      for (const std::string& name : ReadStoredSet(v))
        FManager.SkipOptions.Include(static_cast<TDDEMLSkipType>(EnumValue(path, name, kSkipNames)));
    } else if (is("Scope")) {
      FManager.Scope = static_cast<TDDEMLScopeType>(EnumValue(path, ReadStoredIdent(v), kScopeNames));
    } else if (is("FormatConflict")) {
      FManager.FormatConflict =
          static_cast<TDDEMLFormatConflictType>(EnumValue(path, ReadStoredIdent(v), kConflictNames));
    } else if (is("ShareProcess")) {
      FManager.ShareProcess = static_cast<TShareProcessType>(EnumValue(path, ReadStoredIdent(v), kShareNames));
    } else if (is("Left") || is("Top")) {
      ReadStoredInteger(v);  // where the designer showed the component
    } else {
      const TStoredEvent* event = FindStoredEvent(path);
      if (!event) throw EStoredFormError("Property " + path + " does not exist");
      FManager.FStoredEvents.emplace_back(event->name, ReadStoredIdent(v));
    }
  }
  FManager.Loaded();
}

bool TManagerFormReader::EventSlot(std::string_view eventName, TEventSlot& slot) {
  const TStoredEvent* event = FindStoredEvent(eventName);
  if (!event) return false;
  slot = event->slot;
  return true;
}

void TManagerFormReader::BindEvents(const std::vector<TStoredHandler>& handlers) {
  // All checked first: a form half bound would serve some events only.
  std::vector<std::pair<const TStoredHandler*, TEventSlot>> bindings;
  for (const auto& [eventName, handlerName] : FManager.FStoredEvents) {
    const TStoredHandler* handler = nullptr;
    for (const TStoredHandler& h : handlers)
      if (text::EqualNoCaseAscii(h.Name, handlerName)) handler = &h;
    TEventSlot slot;
    if (!handler || !EventSlot(eventName, slot) || !handler->Fits(slot))
      throw EStoredFormError(FManager.Name + ": no handler " + handlerName + " for " + eventName);
    bindings.emplace_back(handler, slot);
  }
  for (const auto& [handler, slot] : bindings) handler->Bind(FManager, slot);
}

}  // namespace dde
