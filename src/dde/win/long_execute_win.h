// A server's execute that waits for its user (the picker's pick) and the
// messages around it. DDEML frees a conversation when its client's
// WM_DDE_TERMINATE is dispatched, also under an execute still to be answered
// (Wine's DDEML then crashes): that terminate is held until the wait ends.
// A menu loop running when such an execute arrives would dispatch it
// itself and keep the mouse for the menu while the execute waits: the
// execute is kept out of the loop, the menu is ended, and the execute is
// handled once the loop has returned.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>

namespace dde {

class TLongExecutes {
 public:
  // Executes that reach a menu loop of this thread are kept out of it while
  // wanted() holds (a server that would answer at once, busy, needs not).
  explicit TLongExecutes(std::function<bool()> wanted);
  ~TLongExecutes();
  TLongExecutes(const TLongExecutes&) = delete;
  TLongExecutes& operator=(const TLongExecutes&) = delete;

  // Handles window messages until done() holds. The conversation whose
  // execute is being dispatched now keeps its client's terminate until
  // then; the client is answered at once, so that it need not wait.
  static void WaitUntil(const std::function<bool()>& done);

 private:
  static LRESULT CALLBACK MenuFilter(int code, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool Defer(const MSG& msg);
  void HandleNext();

  std::function<bool()> FWanted;
  // Message-only: what is posted to it runs once the menu loop has ended.
  HWND FWindow = nullptr;
  std::deque<MSG> FDeferred;
};

}  // namespace dde
