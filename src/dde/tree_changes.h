// Changing the tree from inside an event handler. A service, topic or item
// that leaves the tree, however it leaves (RemoveTopic, RemoveItem,
// Services().Clear(), Assign, SetServices, ReadStoredForm, the manager's own
// closing of a topic), is handed here, and every conversation record on it
// is dropped at once: no record ever points at a removed node. While a
// callback runs, the node itself stays alive, out of the tree, until the
// outermost callback returns (the transaction up the stack may still hold
// it), and what DDEML must be told about the change (ending the
// conversations whose records went, unregistering a registered name that
// left, registering the services that replaced it) waits until the thread
// is back in its message loop, as TerminateDDEML's uninitialise does: DDEML
// is still inside the transaction and would free its conversation under it.
// Outside a callback all of it happens at once. Replacing the whole tree is
// one such change.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dde/platform.h"
#include "dde/services.h"

namespace dde {

class IErrorSink;
class ITraceFailureSink;
class TConversationTable;

// What the tree changes read of the manager that holds them.
class ITreeChangeOwner {
 public:
  virtual bool InCallback() const = 0;
  // The DDEML instance; 0 when not initialised.
  virtual TInstanceId Instance() const = 0;
  // The scope serves, so the tree's services hold registered names.
  virtual bool ServesNames() const = 0;

 protected:
  ~ITreeChangeOwner() = default;
};

class TDeferredTreeChanges final : public ITreeKeeper {
 public:
  // Every reference must outlive this object: they are the manager's
  // platform, tree and records, and the manager itself.
  TDeferredTreeChanges(IDdePlatform& platform, TDDEMLServicesList& tree, TConversationTable& convs,
                       ITreeChangeOwner& owner, IErrorSink& errors, ITraceFailureSink& failures);
  TDeferredTreeChanges(const TDeferredTreeChanges&) = delete;
  TDeferredTreeChanges& operator=(const TDeferredTreeChanges&) = delete;

  void Retire(std::unique_ptr<TDDEMLBase> node) override;
  // The tree becomes a copy of the list, its registered names given back
  // and the copy served as InitDDEML would serve it.
  void ReplaceTree(const TDDEMLServicesList& services);
  // The outermost callback has returned: no transaction holds them now.
  void FreeRetired() { FRetired.clear(); }
  // The instance is ending, and ends what was left to tell it; the retired
  // nodes' name handles go with it.
  void ForgetInstance();
  // The owner is ending: work already posted does nothing from now on.
  void Detach() { FSelf.reset(); }

 private:
  void SettleLater();
  void Settle();

  IDdePlatform& FPlatform;
  TDDEMLServicesList& FTree;
  TConversationTable& FConvs;
  ITreeChangeOwner& FOwner;
  IErrorSink& FErrors;
  ITraceFailureSink& FFailures;
  // Nodes that left the tree during the callback in progress.
  std::vector<std::unique_ptr<TDDEMLBase>> FRetired;
  // What Settle is to tell DDEML.
  std::vector<THConv> FConvsToEnd;
  std::vector<std::string> FNamesToDrop;
  bool FRegisterDue = false;
  bool FSettlePosted = false;
  // Work run later finds this object through it, and nothing once it is
  // detached or gone.
  std::shared_ptr<TDeferredTreeChanges*> FSelf;
};

}  // namespace dde
