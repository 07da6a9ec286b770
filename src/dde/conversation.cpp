#include "dde/conversation.h"

#include <atomic>

#include "dde/services.h"
#include "dde/trace.h"
#include "text/cp1250.h"

namespace dde {

namespace {
constexpr const char* kConversationClass = "TDDEMLConversation";
std::atomic<uint64_t> gNextSerial{1};
}  // namespace

TDDEMLConversation::TDDEMLConversation(IDdePlatform& platform)
    : FPlatform(platform), FSerial(gNextSerial.fetch_add(1)) {}

void TDDEMLConversation::Confirm(THConv handle) {
  FHandle = handle;
  FConnected = true;
}

std::string TDDEMLConversation::ServiceName() const { return Service ? Service->ServiceName() : std::string(); }

std::string TDDEMLConversation::TopicName() const { return Topic ? Topic->Name() : std::string(); }

bool TDDEMLConversation::Matches(const std::string& service, const std::string& topic) const {
  return text::EqualNoCaseAscii(ServiceName(), service) && text::EqualNoCaseAscii(TopicName(), topic);
}

bool TDDEMLConversation::HasTopic(THsz hsz) const { return Topic && Topic->Atom().SameHandle(hsz); }

bool TDDEMLConversation::ReportError(int code, const std::string& text) {
  if (ErrorRelay) ErrorRelay->SetError(code, text);
  return code == errOk;
}

bool TDDEMLConversation::EndConversation() {
  WriteTracePrefixed(kConversationClass, {"EndConversation - start ...."});
  bool result = false;
  if (FHandle != 0) {
    TConvInfo info;
    // A conversation DDEML no longer knows is only forgotten: disconnecting
    // a stale handle could hit a conversation that reused it.
    if (FPlatform.QueryConvInfo(FHandle, ddeml::kQidSync, info)) {
      WriteTracePrefixed(kConversationClass, {"EndConversation - Calling DdeDisconnect"});
      if (FPlatform.Disconnect(FHandle))
        result = true;
      else
        ReportError(errDdeDisconnect, ServiceName() + "/" + TopicName());
    }
    FHandle = 0;
    FConnected = false;
  }
  WriteTracePrefixed(kConversationClass, {"EndConversation - End"});
  return result;
}

}  // namespace dde
