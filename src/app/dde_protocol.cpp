#include "app/dde_protocol.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "app/tree_kodow.h"
#include "catalogue/entry_text.h"
#include "picker/pick_protocol.h"
#include "text/cp1250.h"
#include "text/errors.h"
#include "ui/dispatch.h"
#include "ui/message_box.h"

namespace app {

TPickerDde::TPickerDde(Tform_TreeKodow& form) : FForm(form), FManager(nullptr, FPlatform) {
  FManager.ReadStoredForm(picker::PickerStoredForm());
  BindStoredEvents();
}

TPickerDde::~TPickerDde() {
  // The manager ends its conversations as it goes; nothing of this side
  // is to be called for them any more.
  FManager.OnDisconnecting = nullptr;
}

void TPickerDde::BindStoredEvents() {
  dde::TDDEMLManager& m = FManager;
  for (const auto& [event, handler] : m.StoredEvents()) {
    auto is = [&event = event, &handler = handler](const char* e, const char* h) { return event == e && handler == h; };
    if (is("OnTopicReceived", "DDEMan1TopicReceived"))
      m.OnTopicReceived = [this](auto&&... a) { DDEMan1TopicReceived(std::forward<decltype(a)>(a)...); };
    else if (is("OnFormatReceived", "DDEMan1FormatReceived"))
      m.OnFormatReceived = [this](auto&&... a) { DDEMan1FormatReceived(std::forward<decltype(a)>(a)...); };
    else if (is("OnTopicFormatReceived", "DDEMan1TopicFormatReceived"))
      m.OnTopicFormatReceived = [this](auto&&... a) { DDEMan1TopicFormatReceived(std::forward<decltype(a)>(a)...); };
    else if (is("OnItemReceived", "DDEMan1ItemReceived"))
      m.OnItemReceived = [this](auto&&... a) { DDEMan1ItemReceived(std::forward<decltype(a)>(a)...); };
    else if (is("OnExecuteReceived", "DDEMan1ExecuteReceived"))
      m.OnExecuteReceived = [this](auto&&... a) { DDEMan1ExecuteReceived(std::forward<decltype(a)>(a)...); };
    else if (is("OnRequestReceived", "DDEMan1RequestReceived"))
      m.OnRequestReceived = [this](auto&&... a) { DDEMan1RequestReceived(std::forward<decltype(a)>(a)...); };
    else if (is("OnDisconnecting", "DDEMan1Disconnecting"))
      m.OnDisconnecting = [this](auto&&... a) { DDEMan1Disconnecting(std::forward<decltype(a)>(a)...); };
    else
      throw text::Exception("DDEMan1: no handler " + handler + " for " + event);
  }
}

void TPickerDde::StartService() {
  FManager.AddService(picker::kPickService);
  if (dde::TDDEMLService* service = FManager.FindService(picker::kPickService)) service->Enabled = true;
  FManager.InitDDEML();  // not examined: without DDE the picker still works
}

void TPickerDde::DDEMan1TopicReceived(dde::TDDEMLManager& Sender, const std::string& AServerName) {
  Sender.ClearTopicList(AServerName);
  Sender.AddToTopicList(AServerName, picker::kPickTopic);
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
  if (!text::EqualNoCaseAscii(ATopicName, picker::kPickTopic)) return;
  Sender.ClearItemList(AServerName, ATopicName);
  for (const char* item : picker::kPickItems) Sender.AddToItemList(AServerName, ATopicName, item);
}

void TPickerDde::DDEMan1ExecuteReceived(dde::TDDEMLManager&, const std::string&, const std::string&,
                                        const std::string& ACmdName, const dde::TParamArray& ACmdParams,
                                        int AParamCount, bool& Succeed) {
  Succeed = false;
  const bool open = text::EqualNoCaseAscii(ACmdName, "OPEN_PKD");
  if (!open && !text::EqualNoCaseAscii(ACmdName, "FIND_PKD")) return;
  if (FPicking) {
    // Another client's command while a pick waits (the busy mark gone with
    // a System conversation that ended): it must not change the pick.
    SetBusy(true);
    return;
  }
  if (open) {
    Succeed = OpenPkd(ACmdParams, AParamCount);
  } else {
    FindPkd(ACmdParams, AParamCount);
    Succeed = true;
  }
}

bool TPickerDde::OpenPkd(const dde::TParamArray& params, int count) {
  Tform_TreeKodow& form = FForm;
  // Pick mode ends on every path: a failing step must not leave the
  // window with its buttons, its owner or the busy mark.
  struct TPickEnd {
    TPickerDde& Dde;
    ~TPickEnd() {
      Tform_TreeKodow& f = Dde.FForm;
      if (f.Handle()) {
        f.SetOwner(nullptr);
        // Its drop-down list would stay on the screen without it.
        f.HideResultList();
        f.SetButtonRowVisible(false);
        SetWindowPos(f.Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        f.Hide();
      }
      Dde.SetBusy(false);
      Dde.FPicking = false;
    }
  } end{*this};
  // A pick shows the catalogue the program was started with.
  form.ShowStartRevision();
  FPicking = true;
  SetBusy(true);

  form.Show();
  form.SetButtonRowVisible(true);
  uintptr_t bits = 0;
  HWND owner = nullptr;
  if (count > 0 && !params[0].empty() && picker::ParseOwnerHandle(params[0], bits) &&
      (owner = reinterpret_cast<HWND>(bits)) != form.Handle() &&
      (!owner || IsWindow(owner)))
    form.SetOwner(owner);
  try {
    if (count > 1 && !params[1].empty()) form.SetSearchCode(picker::Unquote(params[1]));
    if (count > 2 && !params[2].empty()) form.SetSearchWords(picker::Unquote(params[2]));
    form.RunSearches();
  } catch (const std::exception& e) {
    // As a failing handler of the window: shown, and the user picks on.
    ui::ShowException(e);
  }
  form.FDone = false;
  form.ModalResult = ui::mrNone;
  // Only a quit message ends the wait otherwise; a close request waits
  // for the buttons, and the main loop carries it out afterwards.
  ui::PumpUntil([&form] { return form.FDone || !form.Handle(); });
  return form.FDone && form.ModalResult == ui::mrOk;
}

void TPickerDde::FindPkd(const dde::TParamArray& params, int count) {
  // Clients speak the codes of the catalogue the program was started with.
  FForm.ShowStartRevision();
  if (count > 0 && !params[0].empty()) FForm.SetSearchCode(picker::Unquote(params[0]));
  if (count > 1 && !params[1].empty()) FForm.SetSearchWords(picker::Unquote(params[1]));
  FForm.RunSearches();
}

void TPickerDde::SetBusy(bool busy) {
  if (busy) {
    FManager.SetItemText(picker::kPickService, dde::kSystemTopic, dde::kItemStatus, "BUSY");
    return;
  }
  // Back to no status item at all, as before the pick.
  if (dde::TDDEMLService* service = FManager.FindService(picker::kPickService))
    if (dde::TDDEMLTopic* system = service->FindTopic(dde::kSystemTopic)) system->RemoveItem(dde::kItemStatus);
}

void TPickerDde::DDEMan1RequestReceived(dde::TDDEMLManager& Sender, const std::string& AServiceName,
                                        const std::string& ATopicName, const std::string& AnItemName, int32_t,
                                        dde::TDDEMLClipFmtType, uint16_t, bool& ValidItem) {
  ValidItem = false;
  if (!text::EqualNoCaseAscii(ATopicName, picker::kPickTopic)) return;
  for (int n = 1; n <= 3; ++n) {
    if (!text::EqualNoCaseAscii(AnItemName, picker::kPickItems[n - 1])) continue;
    Sender.SetItemText(AServiceName, ATopicName, AnItemName, ItemValue(n));
    ValidItem = true;
    return;
  }
}

std::string TPickerDde::ItemValue(int n) const {
  const std::string selected = FForm.SelectedText();
  if (selected.empty()) return std::string();
  switch (n) {
    case 1:
      return catalogue::CodeOf(selected);
    case 2:
      return catalogue::TitleOf(selected);
    case 3:
      // As stored: the line marks stay 0xFF bytes.
      return FForm.Baza() ? FForm.Baza()->Opisy().Opis(catalogue::CodeOf(selected)) : std::string();
  }
  return std::string();
}

void TPickerDde::DDEMan1Disconnecting(dde::TDDEMLManager&, const std::string&, const std::string&) {
  if (!FForm.Visible()) FForm.Close();
}

// The start-up step of the main window.
void Tform_TreeKodow::StartDdeService() {
  if (FDde) FDde->StartService();
}

}  // namespace app
