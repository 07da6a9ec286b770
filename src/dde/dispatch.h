// The manager's answer to DDEML: the one callback, traced and kept from
// throwing back into DDEML, handed to the transaction's handler. The
// connection transactions are answered here; the data transactions by
// TDataTransactions. Every event is raised through Raise and its kin, so
// that no transaction goes on without looking again at what the handler may
// have ended.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "dde/platform.h"

namespace dde {

class TDDEMLManager;
class TDDEMLConversation;
class TDDEMLService;
class TDDEMLTopic;

class TTransactionDispatch {
 public:
  // One DDEML callback in progress. Frames nest while handlers pump
  // messages; Abandon marks them all dead, so that a handler that ends the
  // manager leaves the callback without touching it again.
  struct TCallbackFrame {
    explicit TCallbackFrame(TTransactionDispatch& dispatch);
    ~TCallbackFrame();
    TCallbackFrame(const TCallbackFrame&) = delete;
    TCallbackFrame& operator=(const TCallbackFrame&) = delete;
    TTransactionDispatch& Dispatch;
    TDDEMLManager& Manager;
    TCallbackFrame* Outer;
    bool Dead = false;
    // A handler's failure kept while the work after its event is finished;
    // reported when the callback ends.
    std::exception_ptr Deferred;
  };
  // A conversation seen by a handler before an event: whether it is still
  // there afterwards (the manager alive, the record not freed, its service
  // and topic still in the tree).
  struct TConvRef {
    uint64_t Serial;
    TDDEMLService* Service;
    TDDEMLTopic* Topic;
  };

  explicit TTransactionDispatch(TDDEMLManager& manager) : FManager(manager) {}
  TTransactionDispatch(const TTransactionDispatch&) = delete;
  TTransactionDispatch& operator=(const TTransactionDispatch&) = delete;

  // One callback of DDEML. Never throws.
  THData Dispatch(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2, THData data, uintptr_t data1,
                  uintptr_t data2) noexcept;
  bool InCallback() const { return FFrame != nullptr; }
  // The manager is ending: every callback in progress leaves without
  // touching it again.
  void Abandon();
  void Forget() { FFrame = nullptr; }

  static TConvRef RefOf(const TDDEMLConversation& conv);
  static TDDEMLConversation* Revalidate(const TCallbackFrame& frame, const TConvRef& ref);
  // After an event: the manager freed, or terminated, by the handler.
  static bool Gone(const TCallbackFrame& frame);

  // Raise: true while the manager is still there and initialised.
  template <class Event, class... Args>
  bool Raise(TCallbackFrame& frame, const Event& event, Args&&... args) {
    if (event) event(FManager, std::forward<Args>(args)...);
    return !Gone(frame);
  }
  // RaiseOn: the conversation when it is still whole after the event, else
  // null.
  template <class Event, class... Args>
  TDDEMLConversation* RaiseOn(TCallbackFrame& frame, const TConvRef& ref, const Event& event, Args&&... args) {
    if (event) event(FManager, std::forward<Args>(args)...);
    return Revalidate(frame, ref);
  }
  // RaiseFinishing: as Raise, but a handler that fails does not stop the
  // work after the event (freeing a record, closing a topic); its failure
  // is reported when the callback ends.
  template <class Event, class... Args>
  bool RaiseFinishing(TCallbackFrame& frame, const Event& event, Args&&... args) {
    try {
      if (event) event(FManager, std::forward<Args>(args)...);
    } catch (...) {
      if (!frame.Dead && !frame.Deferred) frame.Deferred = std::current_exception();
    }
    return !Gone(frame);
  }

  TDDEMLConversation* CreateServerConv(TCallbackFrame& frame, THsz service, THsz topic);

 private:
  THData Handle(TCallbackFrame& frame, uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2, THData data,
                uintptr_t data1, uintptr_t data2);
  void ReportCallbackFailure(const std::string& message) noexcept;

  THData XTypConnect(TCallbackFrame& frame, THsz service, THsz topic);
  void XTypConnectConfirm(THConv conv, THsz service, THsz topic);
  THData XTypWildConnect(TCallbackFrame& frame, THsz service, THsz topic);
  void XTypDisconnect(TCallbackFrame& frame, THConv conv);
  void XTypXActComplete(TCallbackFrame& frame, THConv conv, THsz topic, THsz item, uint32_t transId);

  TDDEMLManager& FManager;
  TCallbackFrame* FFrame = nullptr;
};

}  // namespace dde
