// The project's one DDE client: a DDEML client instance, its string and data
// handles and its conversations, each owned by an object that frees it, with
// synchronous and asynchronous requests and executes. pkdpick, the script
// client of the Wine tests, the platform tests and the round-trip probe all
// talk DDE through it.
//
// Wine's DDEML posts a stray positive WM_DDE_ACK after each request reply;
// still queued when the next transaction starts on the conversation, it is
// taken for that transaction's answer. After every request answered with
// data the conversation waits here for that acknowledgement and lets it go,
// under Wine only: Windows sends none, and waiting for it there would only
// lose time.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <ddeml.h>

#include <functional>
#include <string>
#include <string_view>

namespace dde {

// True under Wine: its ntdll exports wine_get_version.
bool RunningOnWine();
// "DMLERR_NOTPROCESSED" and the like; "none" for 0, "other" for an unknown code.
const char* DdeErrorName(UINT error);

class TDdeClient;

// A string handle of a client's instance.
class TDdeString {
 public:
  TDdeString(const TDdeClient& client, std::string_view text);
  ~TDdeString();
  TDdeString(const TDdeString&) = delete;
  TDdeString& operator=(const TDdeString&) = delete;
  HSZ Get() const { return FHsz; }

 private:
  DWORD FInst = 0;
  HSZ FHsz = nullptr;
};

// A data handle that a transaction returned to the client.
class TDdeData {
 public:
  explicit TDdeData(HDDEDATA handle) : FHandle(handle) {}
  ~TDdeData();
  TDdeData(const TDdeData&) = delete;
  TDdeData& operator=(const TDdeData&) = delete;
  HDDEDATA Get() const { return FHandle; }
  // All the bytes of the data.
  std::string Bytes() const;

 private:
  HDDEDATA FHandle = nullptr;
};

// What a transaction came to.
enum TDdeOutcome {
  doAnswered,           // data for a request; a positive acknowledgement otherwise
  doRefused,            // a negative acknowledgement, or no data
  doBusy,               // refused with the busy flag
  doTimedOut,           // no answer in the time given
  doConversationEnded,  // the partner ended the conversation first
  doServerDied,         // the partner's process ended first
  doStopped,            // the caller's stop event was set first
  doNotSent,            // no conversation, or DDEML refused to start it
};

struct TDdeResult {
  TDdeOutcome Outcome = doNotSent;
  UINT Error = 0;           // DdeGetLastError after a failure
  WORD Flags = 0;           // the acknowledgement's DDE_F* flags (execute, poke)
  std::string Data;         // a request's bytes, as sent
  double Microseconds = 0;  // the transaction itself, without the stray acknowledgement
  bool Ok() const { return Outcome == doAnswered; }
  // The data up to its first zero byte: a text format's text.
  std::string Text() const { return Data.substr(0, Data.find('\0')); }
};

// An ANSI client-only DDEML instance of the calling thread. ANSI: a Unicode
// instance would have DDEML take an execute's bytes for UTF-16 and convert
// them for an ANSI server.
class TDdeClient {
 public:
  TDdeClient();
  ~TDdeClient();
  TDdeClient(const TDdeClient&) = delete;
  TDdeClient& operator=(const TDdeClient&) = delete;

  bool Ok() const { return FInst != 0; }
  DWORD Instance() const { return FInst; }
  UINT LastError() const { return FInst ? DdeGetLastError(FInst) : UINT(DMLERR_DLL_NOT_INITIALIZED); }
  // The text of a string handle.
  std::string Text(HSZ hsz) const;

  // Called with the item and the bytes of each update of a hot link, as sent.
  std::function<void(const std::string& item, const std::string& data)> OnAdvise;
  // Transactions DDEML gave this instance that a client never gets (a
  // connect, a request...): DDEML must route them to the server's instance.
  int ServerCalls = 0;

 private:
  DWORD FInst = 0;
};

// One conversation of a client; ended by its destructor.
class TDdeConversation {
 public:
  explicit TDdeConversation(TDdeClient& client);
  ~TDdeConversation();
  TDdeConversation(const TDdeConversation&) = delete;
  TDdeConversation& operator=(const TDdeConversation&) = delete;

  // Ends the current conversation, then connects; a null name is a wild
  // connect. False when no server accepts.
  bool Connect(const char* service, const char* topic);
  // Ends it; false when there was none or DDEML refused.
  bool Disconnect();
  bool Connected() const { return FConv != nullptr; }
  HCONV Handle() const { return FConv; }
  // Connected, and the partner has not ended it.
  bool Alive() const;
  // The names DDEML tells about the conversation made.
  std::string PartnerService() const;
  std::string Topic() const;
  // The process of the partner's window; 0 when not connected.
  DWORD PartnerProcessId() const;

  // Synchronous: DDEML waits in its own loop for at most timeoutMs.
  TDdeResult Request(std::string_view item, UINT format = CF_TEXT, DWORD timeoutMs = 5000);
  TDdeResult Execute(std::string_view command, DWORD timeoutMs = 5000);
  TDdeResult Poke(std::string_view item, std::string_view data, UINT format = CF_TEXT, DWORD timeoutMs = 5000);
  TDdeResult AdviseStart(std::string_view item, UINT format = CF_TEXT, DWORD timeoutMs = 5000);
  TDdeResult AdviseStop(std::string_view item, UINT format = CF_TEXT, DWORD timeoutMs = 5000);

  // Asynchronous: the answer is waited for while this thread's messages are
  // dispatched, so that other programs' messages (every DDE connect on the
  // desktop asks all windows) are answered meanwhile. The wait ends with the
  // answer, with the conversation or the partner's process, when stop (an
  // event, may be null) is set, or after timeoutMs (INFINITE: never).
  TDdeResult ExecuteAsync(std::string_view command, DWORD timeoutMs = INFINITE, HANDLE stop = nullptr);
  TDdeResult RequestAsync(std::string_view item, UINT format = CF_TEXT, DWORD timeoutMs = INFINITE,
                          HANDLE stop = nullptr);

  // What the callback learns of the asynchronous transaction under way.
  struct TPending {
    bool Done = false;
    bool Answered = false;
    WORD Flags = 0;
    std::string Data;
    bool StrayAck = false;  // Wine's acknowledgement after the reply, already let go
  };

 private:
  friend HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR);
  TDdeResult Sync(UINT type, std::string_view item, const void* data, DWORD size, UINT format, DWORD timeoutMs);
  TDdeResult Async(UINT type, std::string_view item, const void* data, DWORD size, UINT format, DWORD timeoutMs,
                   HANDLE stop);
  void AfterAnswer(TDdeResult& result, UINT type, bool strayAckSeen = false);
  void AwaitStrayAck();
  // The stray acknowledgement: one to this side's conversation window.
  bool IsStrayAck(const MSG& msg);

  TDdeClient& FClient;
  HCONV FConv = nullptr;
  HWND FWindow = nullptr;     // this side's conversation window
  HANDLE FPartner = nullptr;  // the partner's process, when it can be opened
  TPending FPending;
};

// Dispatches this thread's messages for ms milliseconds.
void PumpMessagesFor(DWORD ms);

}  // namespace dde
