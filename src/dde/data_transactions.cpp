#include "dde/data_transactions.h"

#include <cstring>

#include "dde/manager.h"
#include "text/cp1250.h"

namespace dde {

namespace {

bool Is(const std::string& name, const char* wanted) { return text::EqualNoCaseAscii(name, wanted); }

// A data handle made for a reply, freed unless it is handed to DDEML: an
// exception between making and returning it would otherwise leak it.
class TReplyGuard {
 public:
  TReplyGuard(IDdePlatform& platform, THData& handle, bool owned)
      : FPlatform(platform), FHandle(handle), FOwned(owned) {}
  ~TReplyGuard() {
    if (FHandle != 0 && !FReleased && !FOwned) FPlatform.FreeDataHandle(FHandle);
  }
  THData Release() {
    FReleased = true;
    return FHandle;
  }

 private:
  IDdePlatform& FPlatform;
  THData& FHandle;
  bool FOwned;
  bool FReleased = false;
};

// A format number above the standard ones whose registered name cannot be
// read (CF_UNICODETEXT and the other later standard formats) reaches the
// advise-start handler as text.
uint32_t AdviseFormatShown(uint32_t format) { return format > 12 && ClipFormatName(format).empty() ? kCfText : format; }

std::string FormatConflictMessage(const char* transaction, uint32_t requested, uint32_t held) {
  return std::string(transaction) + " - incorrect data format being returned. " + "Client requested " +
         ClipFormatName(requested) + ", server is returning " + ClipFormatName(held);
}

}  // namespace

// ---------------------------------------------------------------------------
// Request

THData TDataTransactions::XTypRequest(TCallbackFrame& frame, THConv hconv, THsz hszTopic, uint32_t format,
                                      THsz hszItem) {
  FManager.Trace({"XTypeRequest : Start ...."});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (!conv) return 0;
  FManager.Trace({"XTypeRequest : Valid Conv"});
  const std::string item = FManager.HszText(hszItem);
  const bool system = FManager.IsSystemTopic(FManager.HszText(hszTopic));
  // System "Status" answers even then: it is how a client learns why it is
  // refused.
  if (conv->Service->IsBusy() && !(system && Is(item, kItemStatus))) {
    FManager.Trace({"XTypeRequest : Service Busy"});
    return 0;
  }
  FManager.Trace({"XTypeRequest : Service not Busy"});
  const TConvRef ref = FDispatch.RefOf(*conv);
  const THData reply = system ? SystemRequest(frame, ref, item, format) : TopicRequest(frame, ref, item, format);
  if (!frame.Dead) FManager.Trace({"XTypeRequest : End"});
  return reply;
}

THData TDataTransactions::SystemRequest(TCallbackFrame& frame, const TConvRef& ref, const std::string& item,
                                        uint32_t format) {
  const std::string service = ref.Service->ServiceName();
  TDDEMLSEvent* first = nullptr;
  if (Is(item, kItemTopics))
    first = &FManager.OnTopicReceived;
  else if (Is(item, kItemFormats))
    first = &FManager.OnFormatReceived;
  else if (Is(item, kItemHelp))
    first = &FManager.OnSysHelpReceived;
  if (first) {
    if (!FDispatch.RaiseOn(frame, ref, *first, service)) return 0;
    return ListItemData(frame, ref, kSystemTopic, item);
  }
  if (Is(item, kItemSysItems) || Is(item, kItemTopicItemList)) {
    // The list names what this server answers itself.
    std::string list = kItemStatus;
    if (FManager.OnTopicReceived) list += std::string("\t") + kItemTopics;
    if (FManager.OnSysHelpReceived) list += std::string("\t") + kItemHelp;
    if (FManager.OnFormatReceived) list += std::string("\t") + kItemFormats;
    ref.Service->SetItemText(kSystemTopic, kItemSysItems, list);
    if (!FDispatch.Revalidate(frame, ref)) return 0;  // an advise on the way may have ended it
    ref.Service->SetItemText(kSystemTopic, kItemTopicItemList, list);
    if (!FDispatch.Revalidate(frame, ref)) return 0;
    if (!FDispatch.RaiseOn(frame, ref, FManager.OnSysItemReceived, service)) return 0;
    return ListItemData(frame, ref, kSystemTopic, item);
  }
  if (Is(item, kItemStatus)) return ListItemData(frame, ref, kSystemTopic, item);
  return ItemRequest(frame, ref, item, format);
}

THData TDataTransactions::TopicRequest(TCallbackFrame& frame, const TConvRef& ref, const std::string& item,
                                       uint32_t format) {
  const std::string service = ref.Service->ServiceName(), topic = ref.Topic->Name();
  TDDEMLSTEvent* first = nullptr;
  if (Is(item, kItemTopicItemList))
    first = &FManager.OnItemReceived;
  else if (Is(item, kItemFormats))
    first = &FManager.OnTopicFormatReceived;
  if (!first) return ItemRequest(frame, ref, item, format);
  if (!FDispatch.RaiseOn(frame, ref, *first, service, topic)) return 0;
  return ListItemData(frame, ref, topic, item);
}

// The list items the manager keeps answer in their own format.
THData TDataTransactions::ListItemData(TCallbackFrame& frame, const TConvRef& ref, const std::string& topic,
                                       const std::string& item) {
  if (!FDispatch.Revalidate(frame, ref)) return 0;
  return ref.Service->ItemDataHandle(topic, item, false);
}

THData TDataTransactions::ItemRequest(TCallbackFrame& frame, const TConvRef& ref, const std::string& itemName,
                                      uint32_t format) {
  const std::string service = ref.Service->ServiceName(), topic = ref.Topic->Name();
  bool valid = true;
  TDDEMLItem* item = ref.Service->FindItem(topic, itemName);
  if (FManager.OnRequestReceived) {
    if (!FDispatch.RaiseOn(frame, ref, FManager.OnRequestReceived, service, topic, itemName,
                           item ? item->UserHandle : 0, ClipFmtTypeOf(format), static_cast<uint16_t>(format), valid))
      return 0;
    if (!valid) return 0;
  }
  // Again in every case: the handler may have made the item (SetItemText)
  // or changed the tree.
  item = ref.Service->FindItem(topic, itemName);
  if (!item) return 0;
  THData reply = 0;
  TReplyGuard guard(FManager.FPlatform, reply, false);
  if (item->Data().Format() == format)
    reply = item->Data().CreateHandle(FManager.FInstanceId, item->Handle(), static_cast<uint16_t>(format), false);
  else if (FManager.FormatConflict == fctException)
    throw EMorviaError(FormatConflictMessage("XTypRequest", format, item->Data().Format()));
  if (!FManager.StoreServerItemData) item->ClearData();
  return guard.Release();
}

// ---------------------------------------------------------------------------
// Poke and execute

uint32_t TDataTransactions::XTypPoke(TCallbackFrame& frame, THConv hconv, THData data, uint32_t format, THsz hszItem) {
  FManager.Trace({"XTypPoke - Start  ...."});
  uint32_t reply = ddeml::kDdeFNotProcessed;
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (!conv) return reply;
  if (conv->Service->IsBusy()) {
    FManager.Trace({"XTypPoke - Server busy"});
    return ddeml::kDdeFBusy;
  }
  const std::string item = FManager.HszText(hszItem);
  if (item.empty()) return reply;
  const TConvRef ref = FDispatch.RefOf(*conv);
  const std::string service = ref.Service->ServiceName(), topic = ref.Topic->Name();
  // A client's data never changes the service's own state: the System
  // items (the busy mark among them) are the application's, and data that
  // no handler accepts is not kept.
  if (FManager.IsSystemTopic(topic) || !FManager.OnPokeReceived) {
    FManager.Trace({"XTypPoke - End"});
    return reply;
  }
  TDDEMLItem* existing = ref.Topic->FindItem(item);
  const int32_t userHandle = existing ? existing->UserHandle : 0;
  TDDEMLItem* target = existing ? existing : ref.Topic->FindOrAddItem(item);
  if (!target) return reply;
  // The handler sees the poked value in the item; the old one is kept
  // beside it until the handler has answered, and no advise goes out before.
  TDDEMLRWData previous(FManager.FPlatform);
  previous.Swap(target->Data());
  // The handler may have removed the item, or the topic (then kept, out of
  // the tree, until the callback ends); a freed manager took both along.
  auto still = [&] { return !frame.Dead && ref.Topic->FindItem(item) == target; };
  auto undo = [&] {
    if (!still()) return;
    if (existing)
      target->Data().Swap(previous);
    else
      ref.Topic->RemoveItem(item);
  };
  bool allow = true;
  bool alive = false;
  try {
    target->Data().SetFromHandle(static_cast<uint16_t>(format), data);
    FManager.Trace({"XTypPoke - Calling FManager.OnPokeReceived"});
    alive = FDispatch.Raise(frame, FManager.OnPokeReceived, service, topic, item, userHandle, allow);
  } catch (...) {
    undo();
    throw;
  }
  if (!allow) {
    undo();
    return reply;
  }
  if (frame.Dead) return ddeml::kDdeFAck;
  if (alive && still() && FDispatch.Revalidate(frame, ref)) target->Notify();
  FManager.Trace({"XTypPoke - End"});
  return ddeml::kDdeFAck;
}

namespace {

// The command text of an execute: the bytes up to the first zero. False
// when there is no data or the text is too long for the command buffer,
// which answers the execute as not processed.
bool ReadCommandText(IDdePlatform& platform, THData data, std::string& text) {
  text.clear();
  if (data == 0) return true;
  uint32_t size = 0;
  const uint8_t* bytes = platform.AccessData(data, size);
  if (!bytes) return true;
  const void* zero = std::memchr(bytes, 0, size);
  const std::size_t n = zero ? static_cast<const uint8_t*>(zero) - bytes : size;
  const bool fits = n <= kMaxCmdLineLength;
  if (fits) text.assign(reinterpret_cast<const char*>(bytes), n);
  platform.UnaccessData(data);
  return fits;
}

}  // namespace

uint32_t TDataTransactions::XTypExecute(TCallbackFrame& frame, THConv hconv, THData data) {
  FManager.Trace({"XTypExecute function - start"});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (!conv) {
    FManager.SetError(errConvNotFound, "ConvObj not found with this handle");
    return ddeml::kDdeFNotProcessed;
  }
  if (conv->Service->IsBusy()) {
    FManager.Trace({"XTypExecute function - server busy"});
    return ddeml::kDdeFBusy;
  }
  const TConvRef ref = FDispatch.RefOf(*conv);
  const std::string service = ref.Service->ServiceName(), topic = ref.Topic->Name();
  uint32_t reply = ddeml::kDdeFNotProcessed;
  std::string text;
  if (!ReadCommandText(FManager.FPlatform, data, text)) {
    FManager.Trace({"XTypExecute function - End"});
    return reply;
  }
  bool proceed = true;
  if (FManager.OnRawExecuteReceived) {
    proceed = false;
    bool succeed = true;
    if (!text.empty()) {
      if (!FDispatch.Raise(frame, FManager.OnRawExecuteReceived, service, topic, text.data(),
                           static_cast<uint16_t>(text.size()), succeed, proceed))
        return succeed ? ddeml::kDdeFAck : reply;
    }
    if (succeed) reply = ddeml::kDdeFAck;
  }
  if (proceed && FManager.OnExecuteReceived && !text.empty()) {
    TParsedCmdList cmds;
    if (FManager.FExecCmds.ValidCmdLine(text, &cmds)) {
      bool succeed = true;
      std::string failed;
      TParamArray params;
      for (int i = 0; i < cmds.Count() && succeed; ++i) {
        const TDDEMLParsedCmd& cmd = *cmds.At(i);
        params.fill(std::string());
        for (int p = 0; p < cmd.ParamCount() && p < kMaxCmdParams; ++p)
          params[static_cast<std::size_t>(p)] = cmd.ParamList[static_cast<std::size_t>(p)];
        // A handler that pumps messages may see the manager or the
        // conversation end; the client still gets the answer.
        if (!FDispatch.RaiseOn(frame, ref, FManager.OnExecuteReceived, service, topic, cmd.CmdName, params,
                               cmd.ParamCount(), succeed))
          return succeed ? ddeml::kDdeFAck : ddeml::kDdeFNotProcessed;
        if (!succeed) failed = cmd.CmdName;
      }
      if (succeed) {
        reply = ddeml::kDdeFAck;
      } else {
        FManager.SetError(errExecCmd, service + "/" + topic + " : Cmd = " + failed);
        reply = ddeml::kDdeFNotProcessed;
      }
    } else {
      reply = ddeml::kDdeFNotProcessed;
    }
  }
  FManager.Trace({"XTypExecute function - End"});
  return reply;
}

// ---------------------------------------------------------------------------
// Advise links

uint32_t TDataTransactions::XTypAdvStart(TCallbackFrame& frame, THConv hconv, uint32_t format, THsz hszItem) {
  FManager.Trace({"XTypAdvStart : Start"});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (!conv) return 0;
  FManager.Trace({"XTypAdvStart : Conv Found"});
  if (conv->Service->IsBusy()) {
    FManager.Trace({"XTypAdvStart : Service Busy"});
    return 0;
  }
  const std::string item = FManager.HszText(hszItem);
  if (item.empty()) return 0;
  const TConvRef ref = FDispatch.RefOf(*conv);
  const std::string service = ref.Service->ServiceName(), topic = ref.Topic->Name();
  bool allow = false;
  if (FManager.OnAdviseStartReceived) {
    const uint32_t shown = AdviseFormatShown(format);
    FManager.Trace({"XTypAdvStart : Calling FManager.OnAdviseStartReceived"});
    TDDEMLItem* existing = ref.Service->FindItem(topic, item);
    if (!FDispatch.RaiseOn(frame, ref, FManager.OnAdviseStartReceived, service, topic, item,
                           existing ? existing->UserHandle : 0, ClipFmtTypeOf(shown), static_cast<uint16_t>(shown),
                           allow))
      return 0;
    if (!allow) FManager.SetError(errAdviseStartRefused, service + "/" + topic + "/" + item);
  }
  uint32_t reply = 0;
  if (allow) {
    FManager.Trace({"XTypAdvStart : Set Item Advise Link"});
    // One link per conversation and format, however often it is started.
    ref.Service->StartAdvise(topic, item, static_cast<uint16_t>(format), ref.Serial);
    reply = 1;
  }
  FManager.Trace({"XTypAdvStart : End"});
  return reply;
}

THData TDataTransactions::XTypAdvReq(TCallbackFrame&, THConv hconv, uint32_t format, uint32_t pending, THsz hszItem) {
  FManager.Trace({"XTypeAdvReq - AdvReqCount Lo word = ", pending});
  FManager.Trace({"XTypeAdvReq - Start"});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (!conv) return 0;
  FManager.Trace({"AdvReqCount - AConvObj found"});
  TDDEMLItem* item = conv->Service->FindItem(conv->TopicName(), FManager.HszText(hszItem));
  if (!item) return 0;  // the link's item is gone
  // Each link is served in its own format, which the request carries: links
  // in several formats may share one item.
  const uint32_t advised = format;
  const uint16_t held = item->Data().Format();
  // A link made for a format shown to the handler as text (CF_UNICODETEXT,
  // say) is served from a text item, converted.
  if (advised != 0 && advised != held && AdviseFormatShown(advised) != held) {
    if (FManager.FormatConflict == fctException) throw EMorviaError(FormatConflictMessage("XTypAdvReq", advised, held));
    if (FManager.FormatConflict == fctNullResponse) return 0;
  }
  FManager.Trace({"XTypeAdvReq - Returning Item Dde Data Handle"});
  THData reply = 0;
  bool owned = pending != 0;
  if (!owned) {
    FManager.Trace({"XTypeAdvReq - Returning unowned DataH"});
    reply = item->Data().CreateHandle(FManager.FInstanceId, item->Handle(), static_cast<uint16_t>(format), false);
  } else if (item->Data().OwnedHandle(reply)) {
    // The same handle goes to every link still waiting for this change.
    FManager.Trace({"XTypeAdvReq - Returning Prev owned DataH"});
  } else {
    FManager.Trace({"XTypeAdvReq - Returning New owned DataH"});
    reply = item->Data().CreateHandle(FManager.FInstanceId, item->Handle(), static_cast<uint16_t>(format), true);
  }
  TReplyGuard guard(FManager.FPlatform, reply, owned);
  // Cleared once the last waiting link has its data: clearing frees the
  // owned handle that the others are still to be given.
  if (!FManager.StoreServerItemData && !owned) item->ClearData();
  FManager.Trace({"XTypeAdvReq - Result = ", reply});
  FManager.Trace({"XTypeAdvReq - End"});
  return guard.Release();
}

void TDataTransactions::XTypAdvStop(TCallbackFrame& frame, THConv hconv, uint32_t format, THsz hszItem) {
  FManager.Trace({"XTypeAdvStop - Start  ...."});
  TDDEMLConversation* conv = FManager.FindConvByHandle(hconv);
  if (conv) {
    const std::string service = conv->ServiceName(), topic = conv->TopicName(), name = FManager.HszText(hszItem);
    TDDEMLItem* item = conv->Service->FindItem(topic, name);
    // Only this conversation's link in that format stops.
    if (item && item->DropAdviseLink(conv->Serial(), static_cast<uint16_t>(format))) {
      if (item->LinkState() == 0 && FManager.OnAdviseStopReceived) {
        FManager.Trace({"XTypeAdvStop - calling FManager.OnAdviseStopReceived"});
        if (!FDispatch.Raise(frame, FManager.OnAdviseStopReceived, service, topic, name, item->UserHandle)) return;
      }
    }
  }
  FManager.Trace({"XTypeAdvStop - End"});
}

}  // namespace dde
