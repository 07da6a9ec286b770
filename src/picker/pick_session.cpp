#include "picker/pick_session.h"

namespace picker {

bool TPickSession::Execute(const std::string& name, const std::string* params, int count) {
  const TPickCommand command = CommandOf(name);
  if (command == pcNone) return false;
  // The busy mark keeps other clients out first; a command that gets here
  // all the same must not change the pick under way or start one that
  // could not be shown.
  if (Busy()) return false;
  if (command == pcFind) {
    FindPkd(params, count);
    return true;
  }
  return OpenPkd(params, count);
}

void TPickSession::Preset(const std::string* code, const std::string* words) {
  if (code) FView.SetSearchCode(*code);
  if (words) FView.SetSearchWords(*words);
  FView.RunSearches();
}

void TPickSession::FindPkd(const std::string* params, int count) {
  const std::string code = count > 0 ? Unquote(params[0]) : std::string();
  const std::string words = count > 1 ? Unquote(params[1]) : std::string();
  FView.ShowStartCatalogue();
  // An empty parameter leaves its box as it is.
  Preset(count > 0 && !params[0].empty() ? &code : nullptr, count > 1 && !params[1].empty() ? &words : nullptr);
}

bool TPickSession::OpenPkd(const std::string* params, int count) {
  switch (FView.ModalUp()) {
    case muMessageBox:
      return false;  // kept out by the busy mark; never shown under a message
    case muInformational:
      // The About box would keep the window disabled under the pick.
      FView.CloseInformational();
      break;
    case muNone:
      break;
  }
  uintptr_t owner = 0;
  if (count > 0 && !params[0].empty() && !ParseOwnerHandle(params[0], owner)) owner = 0;
  const bool hasCode = count > 1 && !params[1].empty(), hasWords = count > 2 && !params[2].empty();
  const std::string code = hasCode ? Unquote(params[1]) : std::string();
  const std::string words = hasWords ? Unquote(params[2]) : std::string();

  const bool wasBusy = Busy();
  FState = psPicking;
  FResult = prNone;
  UpdateBusy(wasBusy);
  // Pick mode ends on every path: a failing step must not leave the window
  // with its buttons, its owner or the busy mark.
  struct TEnd {
    TPickSession& S;
    ~TEnd() {
      S.FView.EndPick();
      const bool before = S.Busy();
      S.FState = psIdle;
      S.UpdateBusy(before);
      // Its client left while the user chose (killed, or pkdpick
      // interrupted; a dead one says no goodbye): hidden and left, as after
      // a disconnect now. A close asked meanwhile waits the same way, for
      // the client to take its values and go.
      if (S.Deserted(true)) S.FView.EndProgram();
    }
  } end{*this};

  FView.ShowStartCatalogue();
  FView.BeginPick(owner);
  std::exception_ptr failed;
  try {
    Preset(hasCode ? &code : nullptr, hasWords ? &words : nullptr);
  } catch (const std::exception&) {
    failed = std::current_exception();
  }
  FView.ShowPick();
  if (failed) {
    // As a failing handler of the window: shown over it, and the user picks on.
    try {
      std::rethrow_exception(failed);
    } catch (const std::exception& e) {
      FView.ShowError(e);
    }
  }
  FView.WaitUntil([this] { return FResult != prNone; });
  return FResult == prChosen;
}

void TPickSession::Choose(TPickResult result) {
  if (FState == psPicking && FResult == prNone) FResult = result;
}

bool TPickSession::Request(const std::string& topic, const std::string& item, std::string& value) const {
  if (!IsPickTopic(topic)) return false;
  const TPickItem which = ItemOf(item);
  if (which == piNone) return false;
  // Whatever is selected at the moment of the request, confirmed or not.
  const TPickSelection s = FView.Selection();
  value = !s.Any ? std::string() : which == piKod ? s.Code : which == piNazwa ? s.Title : FView.NoteOf(s.Code);
  return true;
}

void TPickSession::Disconnected() {
  // A window left hidden has nobody else to end it, once no client is left:
  // ending it under another client (an ERP program that keeps its
  // conversation all day) would cut that client off. During a pick the
  // window is up, and the rule is applied when the user's button ends the
  // pick.
  if (FState == psIdle && !FView.Visible() && (!Clients || Clients().Live == 0)) FView.EndProgram();
}

void TPickSession::CheckClients() {
  if (Deserted(false)) FView.EndProgram();
}

bool TPickSession::Deserted(bool evenWithoutConversations) const {
  if (FState != psIdle || FView.Visible() || !Clients) return false;
  const TClients c = Clients();
  // Without conversations a hidden picker waits for its first client (as
  // pkdpick --find starts it); after a pick its client was there.
  return c.Live == 0 && (evenWithoutConversations || c.Kept > 0);
}

void TPickSession::SetMessageBoxes(int open) {
  const bool before = Busy();
  FMessageBoxes = open < 0 ? 0 : open;
  UpdateBusy(before);
}

void TPickSession::UpdateBusy(bool before) {
  if (Busy() != before && OnBusyChanged) OnBusyChanged(Busy());
}

}  // namespace picker
