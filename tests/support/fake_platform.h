// In-memory stand-in for DDEML, for the manager's unit tests. String handles
// behave like DDEML's atoms: one handle per text ignoring case, reference
// counted, compared without regard to case. Data handles hold their bytes,
// format, item and owned flag. Misuse (double frees, unknown handles, unbalanced
// access) is recorded in Errors() so that tests can assert there was none.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dde/platform.h"

namespace ddetest {

using dde::TConvInfo;
using dde::TDdeCallback;
using dde::THConv;
using dde::THData;
using dde::THsz;
using dde::TInstanceId;

// Host facts a test sets.
struct TFakeHost : dde::IHostFacts {
  std::string programFileName;
  std::string computerName;
  std::string dateTime = "now";
  std::string ProgramFileName() const override { return programFileName; }
  std::string ComputerName() const override { return computerName; }
  std::string DateTimeText() const override { return dateTime; }
};

class TFakePlatform : public dde::IDdePlatform {
 public:
  struct TDataHandle {
    std::vector<uint8_t> bytes;
    THsz item = 0;
    uint32_t format = 0;
    uint32_t flags = 0;
    bool freed = false;
    int accessed = 0;  // open DdeAccessData calls
  };
  struct TNameServiceCall {
    TInstanceId instance;
    std::string service;
    uint32_t command;
  };
  struct TConversation {
    std::string partner;
    std::string serviceRequested;
    std::string topic;
    uint32_t status = 0;
  };

  // Results the test can set.
  uint32_t initializeResult = 0;   // a DMLERR_ code makes Initialize fail
  bool uninitializeResult = true;
  bool nameServiceResult = true;
  bool createDataFails = false;
  bool postAdviseResult = true;
  bool disconnectResult = true;
  THConv reconnectResult = 0;
  uint32_t lastError = 0;          // what GetLastError gives (and then clears)

  // What the code under test did.
  std::vector<uint32_t> initializeCommands;
  std::vector<TNameServiceCall> nameServiceCalls;
  std::vector<std::pair<std::string, std::string>> postAdviseCalls;  // topic, item
  std::vector<THConv> disconnectCalls;
  std::vector<THConv> reconnectCalls;

  ~TFakePlatform() override;

  // ---- IDdePlatform ----
  uint32_t Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) override;
  bool Uninitialize(TInstanceId instance) override;
  void UninitializeLater(TInstanceId instance) override {
    FLater.push_back([this, instance] { Uninitialize(instance); });
  }
  void RunLater(std::function<void()> work) override { FLater.push_back(std::move(work)); }
  bool NameService(TInstanceId instance, THsz service, uint32_t command) override;
  THsz CreateStringHandle(TInstanceId instance, const std::string& text) override;
  bool FreeStringHandle(TInstanceId instance, THsz hsz) override;
  uint32_t QueryString(TInstanceId instance, THsz hsz, char* buffer, uint32_t max) override;
  int CompareStringHandles(THsz a, THsz b) override;
  THData CreateDataHandle(TInstanceId instance, const void* bytes, uint32_t count, uint32_t offset,
                          THsz item, uint32_t format, uint32_t flags) override;
  const uint8_t* AccessData(THData data, uint32_t& size) override;
  bool UnaccessData(THData data) override;
  uint32_t GetData(THData data, void* buffer, uint32_t max, uint32_t offset) override;
  bool FreeDataHandle(THData data) override;
  bool PostAdvise(TInstanceId instance, THsz topic, THsz item) override;
  bool QueryConvInfo(THConv conv, uint32_t transaction, TConvInfo& info) override;
  bool Disconnect(THConv conv) override;
  THConv Reconnect(THConv conv) override;
  uint32_t GetLastError(TInstanceId instance) override;
  const dde::IHostFacts& Host() const override { return host; }
  TFakeHost host;

  // ---- for tests ----
  // The thread is back in its message loop: what was to be done later is done.
  void RunIdle();
  size_t PendingLater() const { return FLater.size(); }
  // The instance handed out by the last successful Initialize (0 = none).
  TInstanceId Instance() const { return FLastInstance; }
  bool IsInitialized(TInstanceId instance) const { return FInstances.count(instance) != 0; }
  // Service names registered (DNS_REGISTER) and not unregistered, per instance.
  std::set<std::string> RegisteredServices(TInstanceId instance) const;

  // A string handle as DDEML (another party) would make it; the fake owns it.
  THsz Hsz(const std::string& text);
  std::string Text(THsz hsz) const;
  size_t LiveStringHandles() const;  // excluding those made by Hsz()

  // A data handle as a client's poke or execute would bring it.
  THData ClientData(const std::string& bytes, uint32_t format);
  THData ClientData(const std::vector<uint8_t>& bytes, uint32_t format);
  const TDataHandle* Data(THData data) const;
  std::string DataBytes(THData data) const;
  size_t LiveDataHandles() const;   // made by the code under test, not freed
  size_t LiveOwnedDataHandles() const;

  // Conversations known to "DDEML" for QueryConvInfo.
  void AddConversation(THConv conv, const std::string& partner, const std::string& serviceRequested,
                       const std::string& topic, uint32_t status = 0);
  void ForgetConversation(THConv conv);

  // Calls the callback of the last instance initialised, as DDEML would. A data handle that the
  // callback returns without HDATA_APPOWNED is taken over by "DDEML": its bytes
  // go to LastReply() and the handle is freed. A zero reply leaves LastReply
  // empty and LastReplyHandle 0.
  THData Call(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2, THData data,
              uintptr_t data1 = 0, uintptr_t data2 = 0);
  THData LastReplyHandle() const { return FLastReplyHandle; }
  const std::string& LastReply() const { return FLastReply; }

  // ---- a client, as DDEML presents it to the server's callback ----
  // XTYP_CONNECT (hsz1 topic, hsz2 service), unless DDEML's name filter
  // keeps it from the server (a service it has not registered); when accepted, a new
  // conversation known to QueryConvInfo, then XTYP_CONNECT_CONFIRM. Gives the
  // conversation handle, 0 when refused. As Wine's DDEML does, the server
  // side of a conversation gives the service as the partner's service name
  // unless the test names another partner.
  THConv ClientConnect(const std::string& service, const std::string& topic,
                       const std::string& partner = std::string());
  // XTYP_REQUEST (hsz1 topic, hsz2 item); the reply's bytes are in LastReply().
  THData ClientRequest(THConv conv, const std::string& item, uint32_t format = 1);
  // XTYP_POKE / XTYP_EXECUTE with a client data handle, which "DDEML" frees
  // after the callback. Give the acknowledgement flags.
  uint32_t ClientPoke(THConv conv, const std::string& item, const std::string& bytes,
                      uint32_t format = 1);
  uint32_t ClientExecute(THConv conv, const std::string& command);
  // XTYP_ADVSTART; a link is kept when the callback answers 1.
  bool ClientAdviseStart(THConv conv, const std::string& item, uint32_t format = 1);
  // XTYP_ADVSTOP for a kept link.
  void ClientAdviseStop(THConv conv, const std::string& item, uint32_t format = 1);
  // XTYP_DISCONNECT; the conversation and its links are forgotten.
  void ClientDisconnect(THConv conv);
  // XTYP_WILDCONNECT (hsz1 topic, hsz2 service, either may be empty); then,
  // as DDEML does, one conversation and one XTYP_CONNECT_CONFIRM per offered
  // pair. Gives the conversations made.
  std::vector<THConv> ClientWildConnect(const std::string& service, const std::string& topic);
  bool KnowsConversation(THConv conv) const { return FConversations.count(conv) != 0; }
  bool HasLink(THConv conv, const std::string& item, uint32_t format) const;

  // What the linked clients received. As DDEML does, a successful PostAdvise
  // sends XTYP_ADVREQ to the server's callback inside the call, once per link
  // on the topic and item (data word 1 = how many are still to come), and
  // delivers each reply to its link.
  struct TDelivery {
    THConv conv;
    std::string item;
    uint32_t format;
    bool data;           // false when the server answered 0
    bool owned;          // the server kept the handle (HDATA_APPOWNED)
    std::string bytes;
  };
  std::vector<TDelivery> delivered;

  // Misuse seen so far; empty when the code used the fake correctly.
  const std::vector<std::string>& Errors() const { return FErrors; }

 private:
  struct TAtom {
    std::string text;
    int refs = 0;       // references held by the code under test
    bool pinned = false;  // made by Hsz(): lives as long as the fake
  };
  THsz FindAtom(const std::string& text) const;
  TDataHandle* Live(THData data, const char* op);
  void Error(const std::string& what) { FErrors.push_back(what); }

  std::map<TInstanceId, TDdeCallback> FInstances;
  std::vector<std::function<void()>> FLater;
  TInstanceId FNextInstance = 0x101;
  TInstanceId FLastInstance = 0;
  std::map<TInstanceId, std::set<std::string>> FRegistered;
  std::set<TInstanceId> FFilterInits;  // initialised with APPCMD_FILTERINITS
  bool ConnectFiltered(const std::string& service) const;
  std::map<THsz, TAtom> FAtoms;
  THsz FNextAtom = 0xC001;
  std::map<THData, TDataHandle> FData;
  std::set<THData> FClientData;
  THData FNextData = 0x10000;
  std::map<THConv, TConversation> FConversations;
  THConv FNextConv = 0x5001;
  struct TLink {
    THConv conv;
    std::string topic, item;
    uint32_t format;
  };
  std::vector<TLink> FLinks;
  THData ClientCall(uint32_t type, uint32_t format, THConv conv, const std::string& item,
                    THData data, uintptr_t data1 = 0);
  THData FLastReplyHandle = 0;
  std::string FLastReply;
  std::vector<std::string> FErrors;
};

}  // namespace ddetest
