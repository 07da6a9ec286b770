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
  TInstanceId id = nextInstance_++;
  instances_[id] = callback;
  instance = id;
  lastInstance_ = id;
  return 0;
}

bool TFakePlatform::Uninitialize(TInstanceId instance) {
  if (!instances_.count(instance)) {
    Error("Uninitialize of an unknown instance " + Hex(instance));
    return false;
  }
  if (!uninitializeResult) return false;
  instances_.erase(instance);
  registered_.erase(instance);
  return true;
}

bool TFakePlatform::NameService(TInstanceId instance, THsz service, uint32_t command) {
  std::string name = atoms_.count(service) ? atoms_[service].text : std::string();
  nameServiceCalls.push_back({instance, name, command});
  if (!instances_.count(instance)) {
    Error("NameService on an unknown instance");
    return false;
  }
  if (!atoms_.count(service)) {
    Error("NameService with an unknown string handle " + Hex(service));
    return false;
  }
  if (!nameServiceResult) return false;
  if (command == dde::ddeml::kDnsRegister) registered_[instance].insert(text::UpperAscii(name));
  else if (command == dde::ddeml::kDnsUnregister) registered_[instance].erase(text::UpperAscii(name));
  return true;
}

THsz TFakePlatform::FindAtom(const std::string& text) const {
  for (const auto& a : atoms_)
    if (text::EqualNoCaseAscii(a.second.text, text)) return a.first;
  return 0;
}

THsz TFakePlatform::CreateStringHandle(TInstanceId instance, const std::string& text) {
  if (!instances_.count(instance)) {
    Error("CreateStringHandle on an unknown instance " + Hex(instance));
    lastError = dde::ddeml::kDmlErrInvalidParameter;
    return 0;
  }
  if (text.empty()) return 0;
  THsz h = FindAtom(text);
  if (h == 0) {
    h = nextAtom_++;
    atoms_[h].text = text;
  }
  ++atoms_[h].refs;
  return h;
}

bool TFakePlatform::FreeStringHandle(TInstanceId instance, THsz hsz) {
  auto it = atoms_.find(hsz);
  if (!instances_.count(instance)) Error("FreeStringHandle on an unknown instance");
  if (it == atoms_.end() || it->second.refs <= 0) {
    Error("FreeStringHandle of a handle not held: " + Hex(hsz));
    return false;
  }
  if (--it->second.refs == 0 && !it->second.pinned) atoms_.erase(it);
  return true;
}

uint32_t TFakePlatform::QueryString(TInstanceId instance, THsz hsz, char* buffer, uint32_t max) {
  if (!instances_.count(instance)) Error("QueryString on an unknown instance");
  auto it = atoms_.find(hsz);
  if (it == atoms_.end()) {
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
  if (!instances_.count(instance)) {
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
  THData h = nextData_++;
  data_[h] = std::move(d);
  return h;
}

TFakePlatform::TDataHandle* TFakePlatform::Live(THData data, const char* op) {
  auto it = data_.find(data);
  if (it == data_.end()) {
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
  if (!instances_.count(instance)) Error("PostAdvise on an unknown instance");
  postAdviseCalls.emplace_back(Text(topic), Text(item));
  if (!postAdviseResult) return false;
  for (const TLink& l : links_)
    if (text::EqualNoCaseAscii(l.topic, Text(topic)) && text::EqualNoCaseAscii(l.item, Text(item)))
      pendingAdvise_.push_back(l);
  return true;
}

bool TFakePlatform::QueryConvInfo(THConv conv, uint32_t, TConvInfo& info) {
  auto it = conversations_.find(conv);
  if (it == conversations_.end()) return false;
  info = TConvInfo();
  info.hszSvcPartner = Hsz(it->second.partner);
  info.hszServiceReq = Hsz(it->second.serviceRequested);
  info.hszTopic = Hsz(it->second.topic);
  info.status = it->second.status;
  return true;
}

bool TFakePlatform::Disconnect(THConv conv) {
  disconnectCalls.push_back(conv);
  if (!conversations_.count(conv)) return false;
  if (!disconnectResult) return false;
  conversations_.erase(conv);
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
  auto it = registered_.find(instance);
  return it == registered_.end() ? std::set<std::string>() : it->second;
}

THsz TFakePlatform::Hsz(const std::string& text) {
  if (text.empty()) return 0;
  THsz h = FindAtom(text);
  if (h == 0) {
    h = nextAtom_++;
    atoms_[h].text = text;
  }
  atoms_[h].pinned = true;
  return h;
}

std::string TFakePlatform::Text(THsz hsz) const {
  auto it = atoms_.find(hsz);
  return it == atoms_.end() ? std::string() : it->second.text;
}

size_t TFakePlatform::LiveStringHandles() const {
  size_t n = 0;
  for (const auto& a : atoms_) n += a.second.refs;
  return n;
}

THData TFakePlatform::ClientData(const std::string& bytes, uint32_t format) {
  return ClientData(std::vector<uint8_t>(bytes.begin(), bytes.end()), format);
}

THData TFakePlatform::ClientData(const std::vector<uint8_t>& bytes, uint32_t format) {
  TDataHandle d;
  d.bytes = bytes;
  d.format = format;
  THData h = nextData_++;
  data_[h] = std::move(d);
  clientData_.insert(h);
  return h;
}

const TFakePlatform::TDataHandle* TFakePlatform::Data(THData data) const {
  auto it = data_.find(data);
  return it == data_.end() ? nullptr : &it->second;
}

std::string TFakePlatform::DataBytes(THData data) const {
  const TDataHandle* d = Data(data);
  return d ? std::string(d->bytes.begin(), d->bytes.end()) : std::string();
}

size_t TFakePlatform::LiveDataHandles() const {
  size_t n = 0;
  for (const auto& d : data_)
    if (!d.second.freed && !clientData_.count(d.first)) ++n;
  return n;
}

size_t TFakePlatform::LiveOwnedDataHandles() const {
  size_t n = 0;
  for (const auto& d : data_)
    if (!d.second.freed && !clientData_.count(d.first) && (d.second.flags & dde::ddeml::kHDataAppOwned))
      ++n;
  return n;
}

void TFakePlatform::AddConversation(THConv conv, const std::string& partner,
                                    const std::string& serviceRequested, const std::string& topic,
                                    uint32_t status) {
  conversations_[conv] = TConversation{partner, serviceRequested, topic, status};
}

void TFakePlatform::ForgetConversation(THConv conv) { conversations_.erase(conv); }

THData TFakePlatform::Call(uint32_t type, uint32_t format, THConv conv, THsz hsz1, THsz hsz2,
                           THData data, uintptr_t data1, uintptr_t data2) {
  lastReplyHandle_ = 0;
  lastReply_.clear();
  if (instances_.empty()) {
    Error("Call with no instance initialised");
    return 0;
  }
  auto inst = instances_.find(lastInstance_);
  if (inst == instances_.end()) inst = instances_.begin();
  THData reply = inst->second(type, format, conv, hsz1, hsz2, data, data1, data2);
  lastReplyHandle_ = reply;
  // Only the data-bearing transactions reply with a data handle.
  bool dataReply = type == dde::ddeml::kXtypRequest || type == dde::ddeml::kXtypAdvReq ||
                   type == dde::ddeml::kXtypWildConnect;
  if (dataReply && reply != 0) {
    TDataHandle* d = Live(reply, "Reply");
    if (d) {
      lastReply_.assign(d->bytes.begin(), d->bytes.end());
      if (d->accessed > 0) Error("Reply handle still accessed");
      // DDEML frees a handle that the application does not own once sent.
      if (!(d->flags & dde::ddeml::kHDataAppOwned)) d->freed = true;
    }
  }
  return reply;
}

THData TFakePlatform::ClientCall(uint32_t type, uint32_t format, THConv conv,
                                 const std::string& item, THData data, uintptr_t data1) {
  auto it = conversations_.find(conv);
  if (it == conversations_.end()) {
    Error("client transaction on an unknown conversation " + Hex(conv));
    return 0;
  }
  return Call(type, format, conv, Hsz(it->second.topic), Hsz(item), data, data1, 0);
}

THConv TFakePlatform::ClientConnect(const std::string& service, const std::string& topic,
                                    const std::string& partner) {
  THsz hszTopic = Hsz(topic), hszService = Hsz(service);
  if (Call(dde::ddeml::kXtypConnect, 0, 0, hszTopic, hszService, 0, 0, 0) == 0) return 0;
  THConv conv = nextConv_++;
  AddConversation(conv, partner, service, topic);
  Call(dde::ddeml::kXtypConnectConfirm, 0, conv, hszTopic, hszService, 0, 0, 0);
  return conv;
}

THData TFakePlatform::ClientRequest(THConv conv, const std::string& item, uint32_t format) {
  return ClientCall(dde::ddeml::kXtypRequest, format, conv, item, 0);
}

uint32_t TFakePlatform::ClientPoke(THConv conv, const std::string& item, const std::string& bytes,
                                   uint32_t format) {
  THData h = ClientData(bytes, format);
  THData ack = ClientCall(dde::ddeml::kXtypPoke, format, conv, item, h);
  if (data_[h].accessed > 0) Error("poked data still accessed after the callback");
  data_[h].freed = true;
  return static_cast<uint32_t>(ack);
}

uint32_t TFakePlatform::ClientExecute(THConv conv, const std::string& command) {
  THData h = ClientData(command + std::string(1, '\0'), 1);
  auto it = conversations_.find(conv);
  if (it == conversations_.end()) {
    Error("client transaction on an unknown conversation " + Hex(conv));
    return 0;
  }
  THData ack = Call(dde::ddeml::kXtypExecute, 0, conv, Hsz(it->second.topic), 0, h, 0, 0);
  if (data_[h].accessed > 0) Error("executed data still accessed after the callback");
  data_[h].freed = true;
  return static_cast<uint32_t>(ack);
}

bool TFakePlatform::ClientAdviseStart(THConv conv, const std::string& item, uint32_t format) {
  if (ClientCall(dde::ddeml::kXtypAdvStart, format, conv, item, 0) == 0) return false;
  links_.push_back(TLink{conv, conversations_[conv].topic, item, format});
  return true;
}

void TFakePlatform::ClientAdviseStop(THConv conv, const std::string& item, uint32_t format) {
  for (auto it = links_.begin(); it != links_.end(); ++it) {
    if (it->conv == conv && text::EqualNoCaseAscii(it->item, item) && it->format == format) {
      links_.erase(it);
      ClientCall(dde::ddeml::kXtypAdvStop, format, conv, item, 0);
      return;
    }
  }
  Error("advise stop without a link");
}

void TFakePlatform::ClientDisconnect(THConv conv) {
  if (!conversations_.count(conv)) {
    Error("disconnect of an unknown conversation " + Hex(conv));
    return;
  }
  Call(dde::ddeml::kXtypDisconnect, 0, conv, 0, 0, 0, 0, 0);
  conversations_.erase(conv);
  for (auto it = links_.begin(); it != links_.end();)
    it = it->conv == conv ? links_.erase(it) : it + 1;
  for (auto it = pendingAdvise_.begin(); it != pendingAdvise_.end();)
    it = it->conv == conv ? pendingAdvise_.erase(it) : it + 1;
}

std::vector<std::string> TFakePlatform::DeliverAdvise() {
  std::vector<TLink> queue;
  queue.swap(pendingAdvise_);
  std::vector<std::string> replies;
  for (size_t i = 0; i < queue.size(); ++i) {
    size_t still = 0;
    for (size_t j = i + 1; j < queue.size(); ++j)
      if (text::EqualNoCaseAscii(queue[j].topic, queue[i].topic) &&
          text::EqualNoCaseAscii(queue[j].item, queue[i].item))
        ++still;
    THData r = ClientCall(dde::ddeml::kXtypAdvReq, queue[i].format, queue[i].conv, queue[i].item, 0,
                          still);
    replies.push_back(r ? lastReply_ : std::string());
  }
  return replies;
}

}  // namespace ddetest
