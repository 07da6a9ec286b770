// The small types of the manager's interface: its option enumerations and
// sets, its event signatures, and the binding of a stored form's event names
// to handlers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <variant>

#include "dde/commands.h"
#include "dde/formats.h"

namespace dde {

enum TDDEMLScopeType : int { ddeNone, ddeClientOnly, ddeServerOnly, ddeClientAndServer };
enum TDDEMLFormatConflictType : int { fctException, fctIgnore, fctNullResponse };
enum TShareProcessType : int { sptNone, sptAutoCreateShares, sptSharesMustMatch };
enum TDDEMLFailType : int {
  cbfFailSelfConnections,
  cbfFailConnections,
  cbfFailAdvises,
  cbfFailExecutes,
  cbfFailPokes,
  cbfFailRequests,
  cbfFailAllSvrXActions,
};
enum TDDEMLSkipType : int {
  cbfSkipConnectConfirms,
  cbfSkipRegistrations,
  cbfSkipUnregistrations,
  cbfSkipDisconnects,
  cbfSkipAllNotifications,
};

// A set of enumeration values, as the stored form writes it: [a, b].
template <class E>
class TEnumSet {
 public:
  TEnumSet() = default;
  TEnumSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }
  void Include(E v) { FBits |= 1u << static_cast<int>(v); }
  void Exclude(E v) { FBits &= ~(1u << static_cast<int>(v)); }
  bool Contains(E v) const { return (FBits & (1u << static_cast<int>(v))) != 0; }
  bool Empty() const { return FBits == 0; }
  bool operator==(const TEnumSet& o) const { return FBits == o.FBits; }

 private:
  uint32_t FBits = 0;
};
using TDDEMLFailOptions = TEnumSet<TDDEMLFailType>;
using TDDEMLSkipOptions = TEnumSet<TDDEMLSkipType>;

// The DdeInitialize flags of the sets (CBF_FAIL_* and CBF_SKIP_*).
uint32_t FailFlags(const TDDEMLFailOptions& options);
uint32_t SkipFlags(const TDDEMLSkipOptions& options);

struct TAboutInfo {
  std::string Version = "Version 3.36";
};

// The parameters of one parsed command, as OnExecuteReceived gets them.
using TParamArray = std::array<std::string, kMaxCmdParams>;

class TDDEMLManager;

// Events. Strings are the names as DDEML gives them; a bool& is the
// handler's answer, with the starting value each raising site documents.
using TDDEMLConnectEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServiceName, const std::string& ATopicName, bool& Allow)>;
using TDDEMLSEvent = std::function<void(TDDEMLManager& Sender, const std::string& AServerName)>;
using TDDEMLSTEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName)>;
using TDDEMLExecuteEvent = std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                                              const std::string& ATopicName, const std::string& ACmdName,
                                              const TParamArray& ACmdParams, int AParamCount, bool& Succeed)>;
using TDDEMLRawExecuteEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
                       const char* ACmdBuffer, uint16_t ACmdLen, bool& Succeed, bool& Proceed)>;
using TDDEMLPokeEvent = std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                                           const std::string& ATopicName, const std::string& AnItemName,
                                           int32_t AnItemUserHandle, bool& Allow)>;
// OnRequestReceived (answer ValidItem) and OnAdviseStartReceived (Allow).
using TDDEMLReqReceivedEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServiceName, const std::string& ATopicName,
    const std::string& AnItemName, int32_t AnItemUserHandle, TDDEMLClipFmtType AFormatType,
    uint16_t AFormatNumber, bool& ValidItem)>;
using TDDEMLAdviseStopEvent = std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                                                 const std::string& ATopicName, const std::string& AnItemName,
                                                 int32_t AnItemUserHandle)>;
using TDDEMLServiceEvent = std::function<void(TDDEMLManager& Sender, const std::string& ABaseServiceName,
                                              const std::string& AnInstServiceName)>;
using TDDEMLErrorEvent = std::function<void(TDDEMLManager& Sender, int AMngrError, const std::string& AMsg)>;
using TDDEMLUnknownCompleteEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
                       const std::string& AnItemName, uint32_t ATransId)>;

// An event of the manager as a stored form names it: which member it is,
// typed by its handler's signature. The client role's events, which forms
// may store, have no member here (monostate). TDDEMLServiceEvent is the
// same signature as TDDEMLSTEvent and shares its alternative.
using TEventSlot = std::variant<std::monostate, TDDEMLConnectEvent TDDEMLManager::*, TDDEMLSEvent TDDEMLManager::*,
                                TDDEMLSTEvent TDDEMLManager::*, TDDEMLExecuteEvent TDDEMLManager::*,
                                TDDEMLRawExecuteEvent TDDEMLManager::*, TDDEMLPokeEvent TDDEMLManager::*,
                                TDDEMLReqReceivedEvent TDDEMLManager::*, TDDEMLAdviseStopEvent TDDEMLManager::*,
                                TDDEMLErrorEvent TDDEMLManager::*,
                                TDDEMLUnknownCompleteEvent TDDEMLManager::*>;

// A handler a window offers under the name its stored form gives it; it
// binds to any event of its own signature. Made with StoredHandler.
struct TStoredHandler {
  std::string Name;
  // Whether the event is of the handler's signature.
  std::function<bool(const TEventSlot&)> Fits;
  // Sets the event (one that fits) to the handler.
  std::function<void(TDDEMLManager&, const TEventSlot&)> Bind;
};

// A handler offered under name for the events of its signature.
template <class Event>
TStoredHandler StoredHandler(std::string name, Event code) {
  using TMember = Event TDDEMLManager::*;
  return TStoredHandler{std::move(name),
                        [](const TEventSlot& slot) { return std::holds_alternative<TMember>(slot); },
                        [code = std::move(code)](TDDEMLManager& m, const TEventSlot& slot) {
                          m.*std::get<TMember>(slot) = code;
                        }};
}

}  // namespace dde
