// The manager's conversation records: one a conversation a client opened
// with one of its services, owned here, and what is asked of them as a
// whole (by handle, by serial, by names, by topic).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dde/containers.h"
#include "dde/conversation.h"
#include "dde/platform.h"

namespace dde {

class ITraceFailureSink;
class TDDEMLBase;
class TDDEMLTopic;

class TConversationTable {
 public:
  explicit TConversationTable(IDdePlatform& platform) : FPlatform(platform) {}
  TConversationTable(const TConversationTable&) = delete;
  TConversationTable& operator=(const TConversationTable&) = delete;

  int Count() const { return FConvs.Count(); }
  // nullptr for an index outside the table.
  TDDEMLConversation* At(int index) const { return FConvs.At(index); }
  TDDEMLConversation* Add(std::unique_ptr<TDDEMLConversation> conv) { return FConvs.Add(std::move(conv)); }
  // Frees the record when it is in the table.
  void Remove(const TDDEMLConversation* conv) { FConvs.Remove(conv); }

  // The conversation with that handle; else the first one without a handle
  // whose names match what DDEML tells the instance about the conversation,
  // which then takes the handle.
  TDDEMLConversation* FindByHandle(THConv conv, TInstanceId instance);
  TDDEMLConversation* BySerial(uint64_t serial) const;
  // The first record still waiting for its handle on these names (ASCII
  // case ignored); with serverSideOnly, of the server role only.
  TDDEMLConversation* Unconfirmed(const std::string& service, const std::string& topic, bool serverSideOnly) const;
  int CountMatching(const std::string& service, const std::string& topic) const;
  bool TopicInUse(const TDDEMLTopic* topic) const;
  // One above the highest number in use.
  int NextConvId() const;

  // The conversation's advise links, dropped from the items of its topic;
  // gives the names of the items that lost their last link.
  static std::vector<std::string> DropLinks(const TDDEMLConversation& conv);
  // Every record out, its links dropped without a word and its conversation
  // ended; a failure to end one goes to the sink and stops none.
  void EndAll(ITraceFailureSink& failures);
  // The last record on a node that left the tree (as its service or its
  // topic), taken out; it reports no errors any more. Null when none is left.
  std::unique_ptr<TDDEMLConversation> TakeLastOn(const TDDEMLBase* node);

 private:
  IDdePlatform& FPlatform;
  TDDEMLObjectList<TDDEMLConversation> FConvs;
};

}  // namespace dde
