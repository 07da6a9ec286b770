#include "picker/picker_dde.h"

#include <utility>

#include "dde/conversation.h"
#include "dde/data.h"
#include "dde/formats.h"
#include "dde/services.h"

namespace picker {

TPickerDde::TPickerDde(dde::IDdePlatform& platform, TPickView& view)
    : FSession(view), FManager(nullptr, platform) {
  FManager.ReadStoredForm(PickerStoredForm());
  BindStoredEvents();
  FSession.OnBusyChanged = [this](bool) { SetStatus(); };
  FSession.Clients = [this] {
    // A client that died sends no goodbye: it counts only while DDEML
    // still knows its conversation and its partner lives.
    TPickSession::TClients c;
    c.Kept = FManager.ConvCount();
    for (int i = 0; i < c.Kept; ++i) {
      dde::TConvInfo info;
      const dde::THConv handle = FManager.Conv(i)->Handle();
      // One that is being disconnected has said its goodbye.
      if (handle && FManager.Conv(i)->Connected() && FManager.Platform().QueryConvInfo(handle, dde::ddeml::kQidSync, info) &&
          !(info.status & dde::ddeml::kStTerminated))
        ++c.Live;
    }
    return c;
  };
}

TPickerDde::~TPickerDde() {
  // The manager ends its conversations as it goes; the session is not to
  // hear of them any more.
  FManager.OnDisconnecting = nullptr;
  FSession.OnBusyChanged = nullptr;
  FSession.Clients = nullptr;
}

void TPickerDde::BindStoredEvents() {
  using M = dde::TDDEMLManager;
  using dde::StoredHandler;
  // The handlers the stored form may name; the manager binds each to the
  // event that names it, refusing a missing or mismatched one.
  FManager.BindStoredEvents({
      StoredHandler("DDEMan1TopicReceived",
                    dde::TDDEMLSEvent([this](M& s, const std::string& a) { DDEMan1TopicReceived(s, a); })),
      StoredHandler("DDEMan1FormatReceived",
                    dde::TDDEMLSEvent([this](M& s, const std::string& a) { DDEMan1FormatReceived(s, a); })),
      StoredHandler("DDEMan1TopicFormatReceived",
                    dde::TDDEMLSTEvent([this](M& s, const std::string& a, const std::string& t) {
                      DDEMan1TopicFormatReceived(s, a, t);
                    })),
      StoredHandler("DDEMan1ItemReceived", dde::TDDEMLSTEvent([this](M& s, const std::string& a,
                                                                     const std::string& t) {
                      DDEMan1ItemReceived(s, a, t);
                    })),
      StoredHandler("DDEMan1ExecuteReceived", dde::TDDEMLExecuteEvent([this](auto&&... a) {
                      DDEMan1ExecuteReceived(std::forward<decltype(a)>(a)...);
                    })),
      StoredHandler("DDEMan1RequestReceived", dde::TDDEMLReqReceivedEvent([this](auto&&... a) {
                      DDEMan1RequestReceived(std::forward<decltype(a)>(a)...);
                    })),
      StoredHandler("DDEMan1Disconnecting", dde::TDDEMLSTEvent([this](M& s, const std::string& a,
                                                                      const std::string& t) {
                      DDEMan1Disconnecting(s, a, t);
                    })),
  });
}

void TPickerDde::RegisterService() {
  FManager.AddService(kPickService);
  if (dde::TDDEMLService* service = FManager.FindService(kPickService)) service->Enabled = true;
  FManager.InitDDEML();  // not examined: without DDE the picker still works
  SetStatus();
}

void TPickerDde::SetStatus() {
  if (FManager.FindService(kPickService))
    FManager.SetItemText(kPickService, dde::kSystemTopic, dde::kItemStatus, FSession.Status());
}

void TPickerDde::DDEMan1TopicReceived(dde::TDDEMLManager& Sender, const std::string& AServerName) {
  Sender.ClearTopicList(AServerName);
  Sender.AddToTopicList(AServerName, kPickTopic);
}

void TPickerDde::DDEMan1FormatReceived(dde::TDDEMLManager& Sender, const std::string& AServerName) {
  Sender.ClearFormatList(AServerName, "");
  Sender.AddToFormatList(AServerName, "", dde::cfText);
}

void TPickerDde::DDEMan1TopicFormatReceived(dde::TDDEMLManager& Sender, const std::string& AServerName,
                                            const std::string& ATopicName) {
  Sender.ClearFormatList(AServerName, ATopicName);
  Sender.AddToFormatList(AServerName, ATopicName, dde::cfText);
}

void TPickerDde::DDEMan1ItemReceived(dde::TDDEMLManager& Sender, const std::string& AServerName,
                                     const std::string& ATopicName) {
  if (!IsPickTopic(ATopicName)) return;
  Sender.ClearItemList(AServerName, ATopicName);
  for (const char* item : kPickItems) Sender.AddToItemList(AServerName, ATopicName, item);
}

void TPickerDde::DDEMan1ExecuteReceived(dde::TDDEMLManager&, const std::string&, const std::string&,
                                        const std::string& ACmdName, const dde::TParamArray& ACmdParams,
                                        int AParamCount, bool& Succeed) {
  Succeed = false;  // kept when the session throws
  Succeed = FSession.Execute(ACmdName, ACmdParams.data(), AParamCount);
}

void TPickerDde::DDEMan1RequestReceived(dde::TDDEMLManager& Sender, const std::string& AServiceName,
                                        const std::string& ATopicName, const std::string& AnItemName, int32_t,
                                        dde::TDDEMLClipFmtType, uint16_t AFormatNumber, bool& ValidItem) {
  ValidItem = false;
  std::string value;
  if (!FSession.Request(ATopicName, AnItemName, value)) return;
  if (AFormatNumber == dde::kCfUnicodeText) {
    // A Unicode client reads CF_TEXT in its own code page: the same text,
    // in UTF-16 by the manager's own conversion, for one that asks for
    // CF_UNICODETEXT.
    dde::TDDEMLRWData holder(Sender.Platform());
    holder.SetText(value);
    const dde::THData data = holder.CreateHandle(Sender.InstanceId(), 0, dde::kCfUnicodeText, false);
    if (!data) return;
    struct TFree {
      dde::IDdePlatform& P;
      dde::THData D;
      ~TFree() { P.FreeDataHandle(D); }
    } free{Sender.Platform(), data};
    Sender.SetItemData(AServiceName, ATopicName, AnItemName, data, dde::kCfUnicodeText);
  } else {
    Sender.SetItemText(AServiceName, ATopicName, AnItemName, value);
  }
  ValidItem = true;
}

void TPickerDde::DDEMan1Disconnecting(dde::TDDEMLManager&, const std::string&, const std::string&) {
  FSession.Disconnected();
}

}  // namespace picker
