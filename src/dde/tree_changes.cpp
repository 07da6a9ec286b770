#include "dde/tree_changes.h"

#include <exception>

#include "dde/conversation_table.h"
#include "dde/errors.h"
#include "dde/trace.h"

namespace dde {

TDeferredTreeChanges::TDeferredTreeChanges(IDdePlatform& platform, TDDEMLServicesList& tree,
                                           TConversationTable& convs, ITreeChangeOwner& owner, IErrorSink& errors,
                                           ITraceFailureSink& failures)
    : FPlatform(platform),
      FTree(tree),
      FConvs(convs),
      FOwner(owner),
      FErrors(errors),
      FFailures(failures),
      FSelf(std::make_shared<TDeferredTreeChanges*>(this)) {}

void TDeferredTreeChanges::Retire(std::unique_ptr<TDDEMLBase> node) {
  TTraceFailureScope quietLog(FFailures);
  const bool later = FOwner.InCallback();
  // No record may point at a node that has left the tree.
  while (std::unique_ptr<TDDEMLConversation> record = FConvs.TakeLastOn(node.get())) {
    if (record->Handle() == 0) continue;
    if (later) {
      FConvsToEnd.push_back(record->Handle());
      SettleLater();
    } else {
      try {
        record->EndConversation();
      } catch (const std::exception& e) {
        FFailures.NoteTraceFailure(e);
      }
    }
  }
  // A name this instance registered is given back with its service.
  auto* service = dynamic_cast<TDDEMLService*>(node.get());
  if (service && service->Registered() && FOwner.Instance() != 0) {
    if (later) {
      FNamesToDrop.push_back(service->ServiceName());
      SettleLater();
    } else {
      service->Register(FOwner.Instance(), false);
    }
  }
  if (later) FRetired.push_back(std::move(node));
}

void TDeferredTreeChanges::ReplaceTree(const TDDEMLServicesList& services) {
  TTraceFailureScope quietLog(FFailures);
  // Conversations point into the services they were made on; a name this
  // instance registered is given back before its service goes. Inside a
  // callback the services that leave take their records with them and the
  // names change later (Retire, Settle).
  const bool serving = FOwner.Instance() != 0 && FOwner.ServesNames();
  if (!FOwner.InCallback()) {
    FConvs.EndAll(FFailures);
    if (serving)
      for (int i = 0; i < FTree.Count(); ++i)
        if (FTree.At(i)->Registered()) FTree.At(i)->Register(FOwner.Instance(), false);
  }
  FTree.Assign(services);
  // What the copied services claim about registration is the source's.
  for (int i = 0; i < FTree.Count(); ++i) FTree.At(i)->ForgetRegistration();
  if (serving && FTree.Count() > 0) {
    if (FOwner.InCallback()) {
      FRegisterDue = true;
      SettleLater();
    } else {
      FTree.RegisterAll(FOwner.Instance(), true);
    }
  }
}

void TDeferredTreeChanges::ForgetInstance() {
  FConvsToEnd.clear();
  FNamesToDrop.clear();
  FRegisterDue = false;
  for (auto& node : FRetired) node->ReleaseHandles();
}

void TDeferredTreeChanges::SettleLater() {
  if (FSettlePosted) return;
  FSettlePosted = true;
  std::weak_ptr<TDeferredTreeChanges*> self = FSelf;
  FPlatform.RunLater([self] {
    if (std::shared_ptr<TDeferredTreeChanges*> changes = self.lock()) (*changes)->Settle();
  });
}

void TDeferredTreeChanges::Settle() {
  FSettlePosted = false;
  TTraceFailureScope quietLog(FFailures);
  const std::vector<THConv> convs = std::move(FConvsToEnd);
  const std::vector<std::string> names = std::move(FNamesToDrop);
  FConvsToEnd.clear();
  FNamesToDrop.clear();
  const bool registerDue = FRegisterDue;
  FRegisterDue = false;
  if (FOwner.Instance() == 0) return;
  for (THConv conv : convs) {
    TConvInfo info;
    if (FPlatform.QueryConvInfo(conv, ddeml::kQidSync, info)) FPlatform.Disconnect(conv);
  }
  for (const std::string& name : names) {
    // Taken again meanwhile by a service of the tree: that one stays.
    const TDDEMLService* now = FTree.Find(name);
    if (now && now->Registered()) continue;
    const THsz hsz = FPlatform.CreateStringHandle(FOwner.Instance(), name);
    if (hsz == 0) continue;
    if (!FPlatform.NameService(FOwner.Instance(), hsz, ddeml::kDnsUnregister)) FErrors.SetError(errNameServiceRegister, name);
    FPlatform.FreeStringHandle(FOwner.Instance(), hsz);
  }
  bool registered = false;
  for (int i = 0; i < FTree.Count(); ++i) registered = registered || FTree.At(i)->Registered();
  // Unless the services were registered meanwhile, outside a callback.
  if (registerDue && !registered && FOwner.ServesNames() && FTree.Count() > 0) FTree.RegisterAll(FOwner.Instance(), true);
}

}  // namespace dde
