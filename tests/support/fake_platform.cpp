#include "support/fake_platform.h"

#include <cstdio>
#include <cstring>

#include "text/cp1250.h"

namespace ddetest {

namespace {
std::string Hex(uintptr_t v) {
  char b[32];
  std::snprintf(b, sizeof b, "0x%llx", static_cast<unsigned long long>(v));
  return b;
}
}  // namespace

TFakePlatform::~TFakePlatform() = default;

uint32_t TFakePlatform::Initialize(TInstanceId& instance, TDdeCallback callback, uint32_t command) {
  initializeCommands.push_back(command);
  if (instance != 0) {
    Error("Initialize with a non-zero instance");
    return dde::ddeml::kDmlErrInvalidParameter;
  }
  if (initializeResult != 0) return initializeResult;
  TInstanceId id = FNextInstance++;
  FInstances[id] = callback;
  if (command & dde::ddeml::kAppCmdFilterInits) FFilterInits.insert(id);
  instance = id;
  FLastInstance = id;
  return 0;
}

bool TFakePlatform::Uninitialize(TInstanceId instance) {
  if (!FInstances.count(instance)) {
    Error("Uninitialize of an unknown instance " + Hex(instance));
    return false;
  }
  if (!uninitializeResult) return false;
  FInstances.erase(instance);
  FRegistered.erase(instance);
  FFilterInits.erase(instance);
  // DDEML ends the server's conversations with its instance.
  if (instance == FLastInstance) {
    FConversations.clear();
    FLinks.clear();
  }
  return true;
}

void TFakePlatform::RunIdle() {
  // What the work posts again waits for the next round, as a posted
  // message would.
  std::vector<std::function<void()>> later;
  later.swap(FLater);
  for (auto& work : later) work();
}

bool TFakePlatform::NameService(TInstanceId instance, THsz service, uint32_t command) {
  std::string name = FAtoms.count(service) ? FAtoms[service].text : std::string();
  nameServiceCalls.push_back({instance, name, command});
  if (!FInstances.count(instance)) {
    Error("NameService on an unknown instance");
    return false;
  }
  if (!FAtoms.count(service)) {
    Error("NameService with an unknown string handle " + Hex(service));
    lastError = dde::ddeml::kDmlErrInvalidParameter;
    return false;
  }
  if (!nameServiceResult) return false;
  if (command == dde::ddeml::kDnsRegister) FRegistered[instance].insert(text::UpperAscii(name));
  else if (command == dde::ddeml::kDnsUnregister) FRegistered[instance].erase(text::UpperAscii(name));
  return true;
}

THsz TFakePlatform::FindAtom(const std::string& text) const {
  for (const auto& a : FAtoms)
    if (text::EqualNoCaseAscii(a.second.text, text)) return a.first;
  return 0;
}

THsz TFakePlatform::CreateStringHandle(TInstanceId instance, const std::string& text) {
  if (!FInstances.count(instance)) {
    Error("CreateStringHandle on an unknown instance " + Hex(instance));
    lastError = dde::ddeml::kDmlErrInvalidParameter;
    return 0;
  }
  if (text.empty()) return 0;
  THsz h = FindAtom(text);
  if (h == 0) {
    h = FNextAtom++;
    FAtoms[h].text = text;
  }
  ++FAtoms[h].refs;
  return h;
}

bool TFakePlatform::FreeStringHandle(TInstanceId instance, THsz hsz) {
  auto it = FAtoms.find(hsz);
  if (!FInstances.count(instance)) Error("FreeStringHandle on an unknown instance");
  if (it == FAtoms.end() || it->second.refs <= 0) {
    Error("FreeStringHandle of a handle not held: " + Hex(hsz));
    return false;
  }
  if (--it->second.refs == 0 && !it->second.pinned) FAtoms.erase(it);
  return true;
}

uint32_t TFakePlatform::QueryString(TInstanceId instance, THsz hsz, char* buffer, uint32_t max) {
  if (!FInstances.count(instance)) Error("QueryString on an unknown instance");
  auto it = FAtoms.find(hsz);
  if (it == FAtoms.end()) {
    if (buffer && max) buffer[0] = '\0';
    return 0;
  }
  const std::string& t = it->second.text;
  if (!buffer || max == 0) return static_cast<uint32_t>(t.size());
  uint32_t n = static_cast<uint32_t>(t.size()) < max - 1 ? static_cast<uint32_t>(t.size()) : max - 1;
  std::memcpy(buffer, t.data(), n);
  buffer[n] = '\0';
  return n;
}

int TFakePlatform::CompareStringHandles(THsz a, THsz b) {
  if (a == b) return 0;
  std::string ta = Text(a), tb = Text(b);
  int c = text::CompareNoCaseAscii(ta, tb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

THData TFakePlatform::CreateDataHandle(TInstanceId instance, const void* bytes, uint32_t count,
                                       uint32_t offset, THsz item, uint32_t format,
                                       uint32_t flags) {
  if (!FInstances.count(instance)) {
    Error("CreateDataHandle on an unknown instance " + Hex(instance));
    return 0;
  }
  if (createDataFails) return 0;
  if (count > 0 && bytes == nullptr) Error("CreateDataHandle with bytes missing");
  TDataHandle d;
  d.bytes.assign(offset, 0);
  if (bytes && count) {
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    d.bytes.insert(d.bytes.end(), p, p + count);
  }
  d.item = item;
  d.format = format;
  d.flags = flags;
  THData h = FNextData++;
  FData[h] = std::move(d);
  return h;
}

TFakePlatform::TDataHandle* TFakePlatform::Live(THData data, const char* op) {
  auto it = FData.find(data);
  if (it == FData.end()) {
    Error(std::string(op) + " of an unknown data handle " + Hex(data));
    return nullptr;
  }
  if (it->second.freed) {
    Error(std::string(op) + " of a freed data handle " + Hex(data));
    return nullptr;
  }
  return &it->second;
}

const uint8_t* TFakePlatform::AccessData(THData data, uint32_t& size) {
  TDataHandle* d = Live(data, "AccessData");
  size = 0;
  if (!d) return nullptr;
  ++d->accessed;
  size = static_cast<uint32_t>(d->bytes.size());
  static const uint8_t kEmpty = 0;
  return d->bytes.empty() ? &kEmpty : d->bytes.data();
}

bool TFakePlatform::UnaccessData(THData data) {
  TDataHandle* d = Live(data, "UnaccessData");
  if (!d) return false;
  if (d->accessed <= 0) {
    Error("UnaccessData without AccessData");
    return false;
  }
  --d->accessed;
  return true;
}

uint32_t TFakePlatform::GetData(THData data, void* buffer, uint32_t max, uint32_t offset) {
  TDataHandle* d = Live(data, "GetData");
  if (!d) return 0;
  if (offset >= d->bytes.size()) return 0;
  uint32_t n = static_cast<uint32_t>(d->bytes.size()) - offset;
  if (n > max) n = max;
  if (buffer) std::memcpy(buffer, d->bytes.data() + offset, n);
  return n;
}

bool TFakePlatform::FreeDataHandle(THData data) {
  TDataHandle* d = Live(data, "FreeDataHandle");
  if (!d) return false;
  if (d->accessed > 0) Error("FreeDataHandle of data still accessed");
  d->freed = true;
  return true;
}

bool TFakePlatform::PostAdvise(TInstanceId instance, THsz topic, THsz item) {
  auto inst = FInstances.find(instance);
  if (inst == FInstances.end()) {
    Error("PostAdvise on an unknown instance");
    return false;
  }
  postAdviseCalls.emplace_back(Text(topic), Text(item));
  // DDEML cannot turn a null handle into an atom: the call fails.
  if (topic == 0 || item == 0) {
    Error("PostAdvise with a null string handle");
    return false;
  }
  if (!postAdviseResult) return false;
  // DDEML finds the links by their item alone, whatever their topic.
  std::vector<TLink> links;
  for (const TLink& l : FLinks)
    if (text::EqualNoCaseAscii(l.item, Text(item))) links.push_back(l);
  uintptr_t still = links.size();
  for (const TLink& l : links) {
    // The callback may end the conversation or the instance on the way.
    if (!FInstances.count(instance) || !FConversations.count(l.conv)) break;
    THData r = Call(dde::ddeml::kXtypAdvReq, l.format, l.conv, topic, item, 0, --still, 0);
    const TDataHandle* d = r ? Data(r) : nullptr;
    delivered.push_back(TDelivery{l.conv, l.item, l.format, r != 0,
                                  d && (d->flags & dde::ddeml::kHDataAppOwned) != 0, FLastReply});
  }
  return true;
}

bool TFakePlatform::QueryConvInfo(THConv conv, uint32_t, TConvInfo& info) {
  auto it = FConversations.find(conv);
  if (it == FConversations.end()) return false;
  info = TConvInfo();
  info.hszSvcPartner = Hsz(it->second.partner);
  info.hszServiceReq = Hsz(it->second.serviceRequested);
  info.hszTopic = Hsz(it->second.topic);
  info.status = it->second.status;
  return true;
}

bool TFakePlatform::Disconnect(THConv conv) {
  disconnectCalls.push_back(conv);
  if (!FConversations.count(conv)) return false;
  if (!disconnectResult) return false;
  FConversations.erase(conv);
  for (auto it = FLinks.begin(); it != FLinks.end();)
    it = it->conv == conv ? FLinks.erase(it) : it + 1;
  return true;
}

THConv TFakePlatform::Reconnect(THConv conv) {
  reconnectCalls.push_back(conv);
  return reconnectResult;
}

uint32_t TFakePlatform::GetLastError(TInstanceId) {
  uint32_t e = lastError;
  lastError = 0;
  return e;
}

std::set<std::string> TFakePlatform::RegisteredServices(TInstanceId instance) const {
  auto it = FRegistered.find(instance);
  return it == FRegistered.end() ? std::set<std::string>() : it->second;
}

THsz TFakePlatform::Hsz(const std::string& text) {
  if (text.empty()) return 0;
  THsz h = FindAtom(text);
  if (h == 0) {
    h = FNextAtom++;
    FAtoms[h].text = text;
  }
  FAtoms[h].pinned = true;
  return h;
}

std::string TFakePlatform::Text(THsz hsz) const {
  auto it = FAtoms.find(hsz);
  return it == FAtoms.end() ? std::string() : it->second.text;
}

size_t TFakePlatform::LiveStringHandles() const {
  size_t n = 0;
  for (const auto& a : FAtoms) n += a.second.refs;
  return n;
}

THData TFakePlatform::ClientData(const std::string& bytes, uint32_t format) {
  return ClientData(std::vector<uint8_t>(bytes.begin(), bytes.end()), format);
}

THData TFakePlatform::ClientData(const std::vector<uint8_t>& bytes, uint32_t format) {
  TDataHandle d;
  d.bytes = bytes;
  d.format = format;
  THData h = FNextData++;
  FData[h] = std::move(d);
  FClientData.insert(h);
  return h;
}

const TFakePlatform::TDataHandle* TFakePlatform::Data(THData data) const {
  auto it = FData.find(data);
  return it == FData.end() ? nullptr : &it->second;
}

std::string TFakePlatform::DataBytes(THData data) const {
  const TDataHandle* d = Data(data);
  return d ? std::string(d->bytes.begin(), d->bytes.end()) : std::string();
}

size_t TFakePlatform::LiveDataHandles() const {
  size_t n = 0;
  for (const auto& d : FData)
    if (!d.second.freed && !FClientData.count(d.first)) ++n;
  return n;
}

size_t TFakePlatform::LiveOwnedDataHandles() const {
  size_t n = 0;
  for (const auto& d : FData)
    if (!d.second.freed && !FClientData.count(d.first) && (d.second.flags & dde::ddeml::kHDataAppOwned))
      ++n;
  return n;
}

void TFakePlatform::AddConversation(THConv conv, const std::string& partner,
                                    const std::string& serviceRequested, const std::string& topic,
                                    uint32_t status) {
  FConversations[conv] = TConversation{partner, serviceRequested, topic, status};
}

void TFakePlatform::ForgetConversation(THConv conv) { FConversations.erase(conv); }

THData TFakePlatform::Call(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                           THData data, uintptr_t data1, uintptr_t data2) {
  FLastReplyHandle = 0;
  FLastReply.clear();
  if (FInstances.empty()) {
    Error("Call with no instance initialised");
    return 0;
  }
  auto inst = FInstances.find(FLastInstance);
  if (inst == FInstances.end()) inst = FInstances.begin();
  THData reply = inst->second(type, format, conv, hsz1, hsz2, data, data1, data2);
  FLastReplyHandle = reply;
  // Only the data-bearing transactions reply with a data handle.
  bool dataReply = type == dde::ddeml::kXtypRequest || type == dde::ddeml::kXtypAdvReq ||
                   type == dde::ddeml::kXtypWildConnect;
  if (dataReply && reply != 0) {
    TDataHandle* d = Live(reply, "Reply");
    if (d) {
      FLastReply.assign(d->bytes.begin(), d->bytes.end());
      if (d->accessed > 0) Error("Reply handle still accessed");
      // DDEML frees a handle that the application does not own once sent.
      if (!(d->flags & dde::ddeml::kHDataAppOwned)) d->freed = true;
    }
  }
  return reply;
}

THData TFakePlatform::ClientCall(uint32_t type, uint32_t format, THConv conv,
                                 const std::string& item, THData data, uintptr_t data1) {
  auto it = FConversations.find(conv);
  if (it == FConversations.end()) {
    Error("client transaction on an unknown conversation " + Hex(conv));
    return 0;
  }
  return Call(type, format, conv, Hsz(it->second.topic), Hsz(item), data, data1, 0);
}

THConv TFakePlatform::ClientConnect(const std::string& service, const std::string& topic,
                                    const std::string& partner) {
  if (ConnectFiltered(service)) return 0;
  if (service.empty() || topic.empty()) {
    // DDEML turns a connect without a service or topic name into a wild
    // connect, and
    // the client keeps the first conversation offered, ending the others.
    std::vector<THConv> offered = ClientWildConnect(service, topic);
    if (offered.empty()) return 0;
    for (std::size_t i = 1; i < offered.size(); ++i) ClientDisconnect(offered[i]);
    return offered[0];
  }
  THsz hszTopic = Hsz(topic), hszService = Hsz(service);
  if (Call(dde::ddeml::kXtypConnect, 0, 0, hszTopic, hszService, 0, 0, 0) == 0) return 0;
  THConv conv = FNextConv++;
  AddConversation(conv, partner.empty() ? service : partner, service, topic);
  Call(dde::ddeml::kXtypConnectConfirm, 0, conv, hszTopic, hszService, 0, 0, 0);
  return conv;
}

bool TFakePlatform::ConnectFiltered(const std::string& service) const {
  // A server that registered names gets connects for those only (the
  // name-service filter is on by default); with APPCMD_FILTERINITS it gets
  // none before it registers one.
  auto names = FRegistered.find(FLastInstance);
  if (names == FRegistered.end() || names->second.empty()) return FFilterInits.count(FLastInstance) != 0;
  return !service.empty() && names->second.count(text::UpperAscii(service)) == 0;
}

THData TFakePlatform::ClientRequest(THConv conv, const std::string& item, uint32_t format) {
  return ClientCall(dde::ddeml::kXtypRequest, format, conv, item, 0);
}

uint32_t TFakePlatform::ClientPoke(THConv conv, const std::string& item, const std::string& bytes,
                                   uint32_t format) {
  THData h = ClientData(bytes, format);
  THData ack = ClientCall(dde::ddeml::kXtypPoke, format, conv, item, h);
  if (FData[h].accessed > 0) Error("poked data still accessed after the callback");
  FData[h].freed = true;
  return static_cast<uint32_t>(ack);
}

uint32_t TFakePlatform::ClientExecute(THConv conv, const std::string& command) {
  THData h = ClientData(command + std::string(1, '\0'), 1);
  auto it = FConversations.find(conv);
  if (it == FConversations.end()) {
    Error("client transaction on an unknown conversation " + Hex(conv));
    return 0;
  }
  THData ack = Call(dde::ddeml::kXtypExecute, 0, conv, Hsz(it->second.topic), 0, h, 0, 0);
  if (FData[h].accessed > 0) Error("executed data still accessed after the callback");
  FData[h].freed = true;
  return static_cast<uint32_t>(ack);
}

bool TFakePlatform::ClientAdviseStart(THConv conv, const std::string& item, uint32_t format) {
  if (ClientCall(dde::ddeml::kXtypAdvStart, format, conv, item, 0) == 0) return false;
  // Started again, a link stays one link.
  if (!HasLink(conv, item, format)) FLinks.push_back(TLink{conv, FConversations[conv].topic, item, format});
  return true;
}

void TFakePlatform::ClientAdviseStop(THConv conv, const std::string& item, uint32_t format) {
  for (auto it = FLinks.begin(); it != FLinks.end(); ++it) {
    if (it->conv == conv && text::EqualNoCaseAscii(it->item, item) && it->format == format) {
      FLinks.erase(it);
      ClientCall(dde::ddeml::kXtypAdvStop, format, conv, item, 0);
      return;
    }
  }
  Error("advise stop without a link");
}

bool TFakePlatform::HasLink(THConv conv, const std::string& item, uint32_t format) const {
  for (const TLink& l : FLinks)
    if (l.conv == conv && text::EqualNoCaseAscii(l.item, item) && l.format == format) return true;
  return false;
}

void TFakePlatform::ClientDisconnect(THConv conv) {
  if (!FConversations.count(conv)) {
    Error("disconnect of an unknown conversation " + Hex(conv));
    return;
  }
  Call(dde::ddeml::kXtypDisconnect, 0, conv, 0, 0, 0, 0, 0);
  FConversations.erase(conv);
  for (auto it = FLinks.begin(); it != FLinks.end();)
    it = it->conv == conv ? FLinks.erase(it) : it + 1;
}

std::vector<THConv> TFakePlatform::ClientWildConnect(const std::string& service, const std::string& topic) {
  std::vector<THConv> made;
  if (Call(dde::ddeml::kXtypWildConnect, 0, 0, Hsz(topic), Hsz(service), 0, 0, 0) == 0) return made;
  // An array of (service, topic) handle pairs closed by a (0, 0) pair.
  const std::string pairs = FLastReply;
  const size_t step = 2 * sizeof(THsz);
  for (size_t at = 0; at + step <= pairs.size(); at += step) {
    THsz svc = 0, top = 0;
    std::memcpy(&svc, pairs.data() + at, sizeof svc);
    std::memcpy(&top, pairs.data() + at + sizeof svc, sizeof top);
    if (svc == 0 || top == 0) break;
    THConv conv = FNextConv++;
    AddConversation(conv, Text(svc), Text(svc), Text(top));
    made.push_back(conv);
    Call(dde::ddeml::kXtypConnectConfirm, 0, conv, top, svc, 0, 0, 0);
  }
  return made;
}

}  // namespace ddetest
