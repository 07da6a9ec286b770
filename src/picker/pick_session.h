// The picker as a DDE server: idle, or picking for one client (its owner
// window and presets), and every decision of the protocol — what Open_PKD,
// Find_PKD, a request and a disconnect do in each state, when the program
// ends, and when other clients are answered busy. It drives the window
// through TPickView and holds no window of its own, so all of it is tested
// without one.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "picker/pick_protocol.h"

namespace picker {

// What the request items answer: the entry selected in the tree, from the
// catalogue's model (never read back from a control's text).
struct TPickSelection {
  bool Any = false;
  std::string Code;
  std::string Title;
};

// What stands over the main window when a pick arrives.
enum TModalUp {
  muNone,
  muInformational,  // the About box, the psalm: closed to make room for the pick
  muMessageBox,     // a message the user has not read yet: the pick must wait
};

class TPickView {
 public:
  virtual ~TPickView() = default;
  // A client speaks the codes of the catalogue the program was started
  // with: the window goes back to it before a command touches anything. A
  // failure is the view's to show; the command goes on with what is shown.
  virtual void ShowStartCatalogue() = 0;
  // Pick mode begins: the button row is laid out and the window owned by
  // the window owner (0: none; a value that is no window is ignored). A
  // hidden window stays hidden until ShowPick: its presets go in unseen and
  // it is drawn once, as the user is to see it.
  virtual void BeginPick(uintptr_t owner) = 0;
  // The presets give the focus to their box when the window shows, as they
  // would have done on a window already shown.
  virtual void SetSearchCode(const std::string& code) = 0;
  virtual void SetSearchWords(const std::string& words) = 0;
  // Runs the code search and the words search at once, on the boxes' texts.
  virtual void RunSearches() = 0;
  // The window in front, shown with its button row, the presets' focus and
  // the result list their searches found.
  virtual void ShowPick() = 0;
  // Handles window messages (input, timers, DDE) until done() holds or the
  // window is gone.
  virtual void WaitUntil(const std::function<bool()>& done) = 0;
  // Pick mode ends: no owner, no button row or result list, sent to the
  // back and hidden. Also on a failing pick, and with the window gone.
  virtual void EndPick() = 0;
  virtual bool Visible() const = 0;
  virtual TPickSelection Selection() const = 0;
  // The note of a code as stored (0xFF line marks kept); empty without a
  // catalogue.
  virtual std::string NoteOf(const std::string& code) const = 0;
  virtual TModalUp ModalUp() const = 0;
  virtual void CloseInformational() = 0;
  // A failure while presetting a pick, shown as the program shows errors.
  virtual void ShowError(const std::exception& e) = 0;
  // Closes the main window, which ends the program.
  virtual void EndProgram() = 0;
};

enum TPickState { psIdle, psPicking };
enum TPickResult { prNone, prChosen, prCancelled };

class TPickSession {
 public:
  explicit TPickSession(TPickView& view) : FView(view) {}
  TPickSession(const TPickSession&) = delete;
  TPickSession& operator=(const TPickSession&) = delete;

  // Called with the new value whenever Busy() changes.
  std::function<void(bool busy)> OnBusyChanged;
  // The conversations the server keeps, and how many of them have a live
  // client: one that died says no goodbye, so its conversation stays.
  struct TClients {
    int Kept = 0;
    int Live = 0;
  };
  // A hidden picker left by all its clients ends (unset: never).
  std::function<TClients()> Clients;

  // One execute command as the manager hands it over (its name in any case,
  // its first `count` parameters as written, quotes kept); gives Succeed.
  // Open_PKD returns only once the user has pressed a button.
  bool Execute(const std::string& name, const std::string* params, int count);
  // The value of a request item on a topic; false when the request fails.
  bool Request(const std::string& topic, const std::string& item, std::string& value) const;
  // A conversation ended: a hidden picker ends (its client has had its
  // chance to ask for the values).
  void Disconnected();
  // The clients may have changed without a word (a client killed), so the
  // window asks now and then: a hidden picker whose kept conversations all
  // lost their clients ends.
  void CheckClients();
  // The window is asked to close: true to close now. During a pick the
  // window stays until the user has answered it; hidden then, the program
  // ends as a hidden picker does, once the client has left, so that the
  // client can still ask for the values.
  bool CloseAsked() const { return FState == psIdle; }
  // "Wybierz" and "Anuluj"; outside a pick they do nothing here.
  void Choose(TPickResult result);
  // A message box opened or closed: while one is up, every client is
  // answered busy (a pick could not be shown over it).
  void SetMessageBoxes(int open);

  bool Picking() const { return FState == psPicking; }
  bool Busy() const { return FState == psPicking || FMessageBoxes > 0; }
  const char* Status() const { return Busy() ? kStatusBusy : kStatusReady; }

 private:
  bool OpenPkd(const std::string* params, int count);
  void FindPkd(const std::string* params, int count);
  void Preset(const std::string* code, const std::string* words);
  void UpdateBusy(bool before);
  // Idle, hidden and left by every client.
  bool Deserted(bool evenWithoutConversations) const;

  TPickView& FView;
  TPickState FState = psIdle;
  TPickResult FResult = prNone;
  int FMessageBoxes = 0;
};

}  // namespace picker
