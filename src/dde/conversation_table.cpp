#include "dde/conversation_table.h"

#include <exception>

#include "dde/services.h"
#include "dde/trace.h"

namespace dde {

TDDEMLConversation* TConversationTable::FindByHandle(THConv conv, TInstanceId instance) {
  if (conv == 0) return nullptr;
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->Handle() == conv) return FConvs.At(i);
  // Not confirmed yet (or confirmations skipped): adopt a waiting record of
  // the same names.
  TConvInfo info;
  if (!FPlatform.QueryConvInfo(conv, ddeml::kQidSync, info)) return nullptr;
  auto text = [&](THsz hsz) { return hsz ? FPlatform.QueryStringText(instance, hsz) : std::string(); };
  TDDEMLConversation* waiting = Unconfirmed(text(info.hszSvcPartner), text(info.hszTopic), false);
  if (waiting) waiting->Confirm(conv);
  return waiting;
}

TDDEMLConversation* TConversationTable::BySerial(uint64_t serial) const {
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->Serial() == serial) return FConvs.At(i);
  return nullptr;
}

TDDEMLConversation* TConversationTable::Unconfirmed(const std::string& service, const std::string& topic,
                                                    bool serverSideOnly) const {
  for (int i = 0; i < FConvs.Count(); ++i) {
    TDDEMLConversation* c = FConvs.At(i);
    if ((c->ServerSide || !serverSideOnly) && c->Handle() == 0 && c->Matches(service, topic)) return c;
  }
  return nullptr;
}

int TConversationTable::CountMatching(const std::string& service, const std::string& topic) const {
  int same = 0;
  for (int i = 0; i < FConvs.Count(); ++i) same += FConvs.At(i)->Matches(service, topic) ? 1 : 0;
  return same;
}

bool TConversationTable::TopicInUse(const TDDEMLTopic* topic) const {
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->Topic == topic) return true;
  return false;
}

int TConversationTable::NextConvId() const {
  int32_t highest = 0;
  for (int i = 0; i < FConvs.Count(); ++i)
    if (FConvs.At(i)->ConvId > highest) highest = FConvs.At(i)->ConvId;
  return highest + 1;
}

std::vector<std::string> TConversationTable::DropLinks(const TDDEMLConversation& conv) {
  std::vector<std::string> stopped;
  if (!conv.Topic) return stopped;
  for (int i = 0; i < conv.Topic->ItemCount(); ++i) {
    TDDEMLItem* item = conv.Topic->ItemAt(i);
    if (item->DropAdviseLinks(conv.Serial()) > 0 && item->LinkState() == 0) stopped.push_back(item->Name());
  }
  return stopped;
}

void TConversationTable::EndAll(ITraceFailureSink& failures) {
  for (int n = FConvs.Count(); n > 0 && FConvs.Count() > 0; --n) {
    // Out of the table first: a disconnect that DDEML reports back while the
    // conversation ends must not find it.
    std::unique_ptr<TDDEMLConversation> conv = FConvs.Extract(FConvs.At(0));
    conv->ErrorRelay = nullptr;
    // Its links go with it; the manager is ending, so no event is raised.
    DropLinks(*conv);
    try {
      conv->EndConversation();
    } catch (const std::exception& e) {
      failures.NoteTraceFailure(e);
    }
  }
}

std::unique_ptr<TDDEMLConversation> TConversationTable::TakeLastOn(const TDDEMLBase* node) {
  for (int i = FConvs.Count() - 1; i >= 0; --i) {
    TDDEMLConversation* c = FConvs.At(i);
    if (c->Service != node && c->Topic != node) continue;
    std::unique_ptr<TDDEMLConversation> record = FConvs.Extract(c);
    record->ErrorRelay = nullptr;
    return record;
  }
  return nullptr;
}

}  // namespace dde
