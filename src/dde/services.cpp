#include "dde/services.h"

#include <type_traits>

#include "dde/trace.h"
#include "text/cp1250.h"

namespace dde {

namespace {

constexpr const char* kServiceClass = "TDDEMLService";

// The node of list named name. The search key is a temporary node that
// carries only the name: a service as its name, the others in their atom.
template <class T>
T* FindNamed(const TObjectContainer<T>& list, IDdePlatform& platform, const std::string& name) {
  if (list.Count() == 0) return nullptr;
  int position = 0;
  if constexpr (std::is_same_v<T, TDDEMLService>) {
    const T key(platform, name);
    if (!list.Find(key, position)) return nullptr;
  } else {
    T key(platform);
    key.Atom().SetKeyName(name);
    if (!list.Find(key, position)) return nullptr;
  }
  return list.At(position);
}

unsigned char FoldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; }

int CompareByName(const TDDEMLBase& a, const TDDEMLBase& b) { return CompareDdeNames(a.Name(), b.Name()); }

void Retire(ITreeKeeper* keeper, std::unique_ptr<TDDEMLBase> node) {
  if (node && keeper) keeper->Retire(std::move(node));
}

}  // namespace

int CompareDdeNames(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    int d = FoldAscii(static_cast<unsigned char>(a[i])) - FoldAscii(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool IsSystemTopicName(std::string_view name) { return text::EqualNoCaseAscii(name, kSystemTopic); }

// ---------------------------------------------------------------------------
// Item

bool TDDEMLItem::AddAdviseLink(uint64_t conv, uint16_t format) {
  FAdviseFormat = format;
  if (HasAdviseLink(conv, format)) return false;
  FLinks.push_back(TAdviseLink{conv, format});
  return true;
}

bool TDDEMLItem::DropAdviseLink(uint64_t conv, uint16_t format) {
  for (auto it = FLinks.begin(); it != FLinks.end(); ++it) {
    if (it->Conv == conv && it->Format == format) {
      FLinks.erase(it);
      return true;
    }
  }
  return false;
}

void TDDEMLItem::DropAdviseLink() {
  if (!FLinks.empty()) FLinks.pop_back();
}

int TDDEMLItem::DropAdviseLinks(uint64_t conv) {
  const std::size_t before = FLinks.size();
  for (auto it = FLinks.begin(); it != FLinks.end();) it = it->Conv == conv ? FLinks.erase(it) : it + 1;
  return static_cast<int>(before - FLinks.size());
}

bool TDDEMLItem::HasAdviseLink(uint64_t conv, uint16_t format) const {
  for (const TAdviseLink& link : FLinks)
    if (link.Conv == conv && link.Format == format) return true;
  return false;
}

void TDDEMLItem::Notify() {
  if (!FLinks.empty() && OnChange) OnChange(*this);
}

void TDDEMLItem::SetText(std::string_view s) {
  bool changed = true;
  if (CompareServerItemData()) {
    try {
      changed = !text::EqualNoCaseAscii(FData.Text(), s);
    } catch (const EStringClass&) {
      changed = true;  // an old text too long to read back is not equal
    }
  }
  FData.SetText(s);
  if (changed) Notify();
}

void TDDEMLItem::AppendText(std::string_view s) {
  if (FData.AppendText(s)) Notify();
}

void TDDEMLItem::SetData(uint16_t format, THData data) {
  FData.SetFromHandle(format, data);
  Notify();
}

void TDDEMLItem::Assign(const TDDEMLItem& source) {
  if (source.FData.Format() == kCfText) FData.SetText(source.FData.TextBuffer().View());
}

// ---------------------------------------------------------------------------
// Topic

TDDEMLTopic::TDDEMLTopic(IDdePlatform& platform) : TDDEMLBase(platform) {
  FItems.SetObjectCompare(CompareByName);
  FItems.SetSortMode(smAscending);
  FItems.SetDuplicates(dupIgnore);
}

TDDEMLItem* TDDEMLTopic::FindItem(const std::string& name) const { return FindNamed(FItems, Platform(), name); }

TDDEMLItem* TDDEMLTopic::AddItem(const std::string& name) {
  if (FindItem(name)) return nullptr;
  auto item = std::make_unique<TDDEMLItem>(Platform());
  item->SetName(Instance(), name);
  item->OnChange = [this](TDDEMLItem& changed) { ItemChanged(changed); };
  TDDEMLItem* raw = item.get();
  if (FItems.Add(std::move(item)) < 0) return nullptr;
  return raw;
}

TDDEMLItem* TDDEMLTopic::FindOrAddItem(const std::string& name) {
  if (TDDEMLItem* item = FindItem(name)) return item;
  AddItem(name);
  return FindItem(name);
}

bool TDDEMLTopic::RemoveItem(const std::string& name) {
  if (FItems.Count() == 0) return false;
  if (name.empty()) {
    RetireItems();
    return false;
  }
  TDDEMLItem* item = FindItem(name);
  if (!item) return false;
  Retire(FKeeper, FItems.Extract(item));
  return true;
}

void TDDEMLTopic::RetireItems() {
  for (auto& item : FItems.ExtractAll()) Retire(FKeeper, std::move(item));
}

TDDEMLItem* TDDEMLTopic::ItemAt(int index) const {
  if (index < 0 || index >= FItems.Count()) return nullptr;
  return FItems.At(index);
}

std::string TDDEMLTopic::ItemNameAt(int index) const {
  TDDEMLItem* item = ItemAt(index);
  return item ? item->Name() : std::string();
}

void TDDEMLTopic::AppendToList(const std::string& itemName, const std::string& name) {
  if (TDDEMLItem* item = FindItem(itemName)) {
    if (item->Data().Size() > 0)
      item->AppendText("\t" + name);
    else
      item->AppendText(name);
    return;
  }
  if (TDDEMLItem* item = FindOrAddItem(itemName)) item->SetText(name);
}

void TDDEMLTopic::AddFormatName(uint32_t format) {
  const std::string name = ClipFormatName(format);
  // A format without a name would only leave an empty entry in the list.
  if (name.empty()) return;
  AppendToList(kItemFormats, name);
}

void TDDEMLTopic::ItemChanged(TDDEMLItem& item) {
  if (OnChange) OnChange(*this, item.Name());
}

void TDDEMLTopic::Bind(TInstanceId instance) {
  TDDEMLBase::Bind(instance);
  for (int i = 0; i < FItems.Count(); ++i) FItems.At(i)->Bind(Instance());
}

void TDDEMLTopic::ReleaseHandles() {
  TDDEMLBase::ReleaseHandles();
  for (int i = 0; i < FItems.Count(); ++i) FItems.At(i)->ReleaseHandles();
}

void TDDEMLTopic::Assign(const TDDEMLTopic& source) {
  if (&source == this) return;
  RetireItems();
  for (int i = 0; i < source.ItemCount(); ++i) {
    const TDDEMLItem* from = source.ItemAt(i);
    // The copy keeps the name; it gets a handle with this topic's instance,
    // now or when the instance is known.
    auto item = std::make_unique<TDDEMLItem>(Platform());
    item->SetName(Instance(), from->Name());
    item->OnChange = [this](TDDEMLItem& changed) { ItemChanged(changed); };
    item->Assign(*from);
    FItems.Add(std::move(item));
  }
}

// ---------------------------------------------------------------------------
// Service

TDDEMLService::TDDEMLService(IDdePlatform& platform, std::string name)
    : TDDEMLBase(platform), FName(std::move(name)) {
  FTopics.SetObjectCompare(CompareByName);
  FTopics.SetSortMode(smAscending);
  FTopics.SetDuplicates(dupIgnore);
}

TDDEMLTopic* TDDEMLService::FindTopic(const std::string& name) const { return FindNamed(FTopics, Platform(), name); }

TDDEMLTopic* TDDEMLService::FindTopicByHandle(THsz hsz) const {
  for (int i = 0; i < FTopics.Count(); ++i)
    if (FTopics.At(i)->Atom().SameHandle(hsz)) return FTopics.At(i);
  return nullptr;
}

bool TDDEMLService::AddTopic(const std::string& name) {
  try {
    auto topic = std::make_unique<TDDEMLTopic>(Platform());
    topic->SetName(Instance(), name);
    topic->OnChange = [this](TDDEMLTopic& t, const std::string& item) { ProcTopicAdvise(t, item); };
    topic->SetKeeper(FKeeper);
    FTopics.Add(std::move(topic));
    return true;
  } catch (...) {
    return false;
  }
}

bool TDDEMLService::AddTopic(THsz hsz) {
  try {
    return AddTopic(Platform().QueryStringText(Instance(), hsz));
  } catch (...) {
    return false;
  }
}

TDDEMLTopic* TDDEMLService::FindOrAddTopic(const std::string& name) {
  if (TDDEMLTopic* topic = FindTopic(name)) return topic;
  AddTopic(name);
  return FindTopic(name);
}

bool TDDEMLService::RemoveTopic(const std::string& name) {
  TDDEMLTopic* topic = FindTopic(name);
  if (!topic) return false;
  Retire(FKeeper, FTopics.Extract(topic));
  return true;
}

void TDDEMLService::SetKeeper(ITreeKeeper* keeper) {
  FKeeper = keeper;
  for (int i = 0; i < FTopics.Count(); ++i) FTopics.At(i)->SetKeeper(keeper);
}

TDDEMLTopic* TDDEMLService::TopicAt(int index) const {
  if (index < 0 || index >= FTopics.Count()) return nullptr;
  return FTopics.At(index);
}

std::string TDDEMLService::TopicNameAt(int index) const {
  TDDEMLTopic* topic = TopicAt(index);
  return topic ? topic->Name() : std::string();
}

bool TDDEMLService::ReportError(int code, const std::string& text) {
  if (OnError) OnError(*this, code, text);
  return code == errOk;
}

bool TDDEMLService::Register(TInstanceId instance, bool doRegister) {
  WriteTracePrefixed(kServiceClass, {"Register - [", FName, "] - Start"});
  bool result = false;
  if (doRegister && FRegistered) {
    ReportError(errAlreadyRegistered);
  } else if (!doRegister && !FRegistered) {
    ReportError(errNotRegistered);
  } else {
    result = true;
    Enabled = true;
    SetName(instance, FName);
    Bind(instance);
    bool ok = false;
    // A service without a name has no handle, and a null name asks DDEML
    // for every name of the instance: such a service is refused.
    if (Handle() != 0) {
      WriteTracePrefixed(kServiceClass, {"Register - Calling DdeNameService"});
      // DDEML tells every client of the new name inside the call, and a
      // client may connect at once: the service takes connects from then
      // on (and none once its name is being withdrawn).
      FRegistered = doRegister;
      try {
        ok = Platform().NameService(instance, Handle(), doRegister ? ddeml::kDnsRegister : ddeml::kDnsUnregister);
      } catch (...) {
        FRegistered = !doRegister;
        throw EMorviaError("Error in DdeNameService API call : service = [" + Name() + "]");
      }
    }
    if (!ok) {
      FRegistered = !doRegister;
      ReportError(errNameServiceRegister, FName);
      result = false;
    }
  }
  WriteTracePrefixed(kServiceClass, {"Register - [", FName, "] - End"});
  return result;
}

bool TDDEMLService::IsBusy() const {
  TDDEMLTopic* system = FindTopic(kSystemTopic);
  if (!system) return false;
  TDDEMLItem* status = system->FindItem(kItemStatus);
  if (!status) return false;
  try {
    return text::EqualNoCaseAscii(status->Data().Text(), kStatusBusy);
  } catch (const EStringClass&) {
    return false;
  }
}

void TDDEMLService::Bind(TInstanceId instance) {
  TDDEMLBase::Bind(instance);
  for (int i = 0; i < FTopics.Count(); ++i) FTopics.At(i)->Bind(Instance());
}

void TDDEMLService::ReleaseHandles() {
  TDDEMLBase::ReleaseHandles();
  for (int i = 0; i < FTopics.Count(); ++i) FTopics.At(i)->ReleaseHandles();
}

void TDDEMLService::ProcTopicAdvise(TDDEMLTopic& topic, const std::string& itemName) {
  WriteTracePrefixed(kServiceClass, {"ProcTopicAdvise - Start"});
  TDDEMLItem* item = topic.FindItem(itemName);
  // DDEML can only be asked about a named item: a null handle would fail the
  // call (or, worse, match nothing the client linked to).
  if (!item || item->Handle() == 0 || topic.Handle() == 0) {
    WriteTracePrefixed(kServiceClass, {"ProcTopicAdvise - End"});
    return;
  }
  const std::string where = topic.Name() + "/" + itemName;
  WriteTracePrefixed(kServiceClass, {"ProcTopicAdvise - Pre DdePostAdvise : ", where});
  if (!Platform().PostAdvise(Instance(), topic.Handle(), item->Handle())) {
    ReportError(errPostAdvise, where);
    WriteTracePrefixed(kServiceClass, {"ProcTopicAdvise - Pre DdePostAdvise : ", where, " - FAILED!"});
  }
  WriteTracePrefixed(kServiceClass, {"ProcTopicAdvise - End"});
}

void TDDEMLService::SetItemText(const std::string& topic, const std::string& item, std::string_view text) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic))
    if (TDDEMLItem* i = t->FindOrAddItem(item)) i->SetText(text);
}

void TDDEMLService::SetItemData(const std::string& topic, const std::string& item, uint16_t format, THData data) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic))
    if (TDDEMLItem* i = t->FindOrAddItem(item)) i->SetData(format, data);
}

void TDDEMLService::StartAdvise(const std::string& topic, const std::string& item, uint16_t format, uint64_t conv) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic))
    if (TDDEMLItem* i = t->FindOrAddItem(item)) i->AddAdviseLink(conv, format);
}

void TDDEMLService::AppendItemText(const std::string& topic, const std::string& item, std::string_view text) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic))
    if (TDDEMLItem* i = t->FindItem(item)) i->AppendText(text);
}

void TDDEMLService::ClearItemData(const std::string& topic, const std::string& item) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic))
    if (TDDEMLItem* i = t->FindItem(item)) i->ClearData();
}

TDDEMLItem* TDDEMLService::FindItem(const std::string& topic, const std::string& item) const {
  TDDEMLTopic* t = FindTopic(topic);
  return t ? t->FindItem(item) : nullptr;
}

bool TDDEMLService::ItemExists(const std::string& topic, const std::string& item) const {
  return FindItem(topic, item) != nullptr;
}

uint32_t TDDEMLService::ItemDataSize(const std::string& topic, const std::string& item) const {
  TDDEMLItem* i = FindItem(topic, item);
  return i ? i->Data().Size() : 0;
}

THData TDDEMLService::ItemDataHandle(const std::string& topic, const std::string& item, bool owned) const {
  TDDEMLItem* i = FindItem(topic, item);
  if (!i) return 0;
  return i->Data().CreateHandle(Instance(), i->Handle(), 0, owned);
}

std::string TDDEMLService::ItemText(const std::string& topic, const std::string& item) const {
  TDDEMLItem* i = FindItem(topic, item);
  return i ? i->Data().Text() : std::string();
}

void TDDEMLService::ClearListItem(const std::string& topic, const std::string& item) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic))
    if (TDDEMLItem* i = t->FindItem(item)) i->ClearData();
}

void TDDEMLService::AddToFormatList(const std::string& topic, TDDEMLClipFmtType format) {
  const std::string& target = topic.empty() || IsSystemTopicName(topic) ? std::string(kSystemTopic) : topic;
  if (TDDEMLTopic* t = FindOrAddTopic(target)) t->AddFormatName(static_cast<uint32_t>(format));
}

void TDDEMLService::ClearFormatList(const std::string& topic) {
  ClearListItem(topic.empty() || IsSystemTopicName(topic) ? std::string(kSystemTopic) : topic, kItemFormats);
}

void TDDEMLService::AddToTopicList(const std::string& topicName) {
  if (TDDEMLTopic* t = FindOrAddTopic(kSystemTopic)) t->AppendToList(kItemTopics, topicName);
}

void TDDEMLService::ClearTopicList() { ClearListItem(kSystemTopic, kItemTopics); }

void TDDEMLService::AddToItemList(const std::string& topic, const std::string& itemName) {
  TDDEMLTopic* t = FindOrAddTopic(topic);
  if (!t) return;
  t->AppendToList(kItemTopicItemList, itemName);
  if (IsSystemTopicName(topic)) t->AppendToList(kItemSysItems, itemName);
}

void TDDEMLService::ClearItemList(const std::string& topic) { ClearListItem(topic, kItemTopicItemList); }

void TDDEMLService::Assign(const TDDEMLService& source) {
  if (&source == this) return;
  FName = source.FName;
  Enabled = source.Enabled;
  Strings = source.Strings;
  FRegistered = source.FRegistered;
  for (auto& topic : FTopics.ExtractAll()) Retire(FKeeper, std::move(topic));
  for (int i = 0; i < source.TopicCount(); ++i) {
    const TDDEMLTopic* from = source.TopicAt(i);
    auto topic = std::make_unique<TDDEMLTopic>(Platform());
    topic->SetName(Instance(), from->Name());
    topic->OnChange = [this](TDDEMLTopic& t, const std::string& item) { ProcTopicAdvise(t, item); };
    topic->SetKeeper(FKeeper);
    topic->Assign(*from);
    FTopics.Add(std::move(topic));
  }
}

// ---------------------------------------------------------------------------
// Services list

TDDEMLServicesList::TDDEMLServicesList(IDdePlatform& platform) : FPlatform(platform) {
  FServices.SetObjectCompare(
      [](const TDDEMLService& a, const TDDEMLService& b) { return CompareDdeNames(a.ServiceName(), b.ServiceName()); });
  FServices.SetSortMode(smAscending);
  FServices.SetDuplicates(dupIgnore);
}

void TDDEMLServicesList::SetRelay(TDDEMLService& service) {
  service.OnError = [this](TDDEMLService&, int code, const std::string& text) { ReportError(code, text); };
  service.SetKeeper(FKeeper);
}

void TDDEMLServicesList::SetKeeper(ITreeKeeper* keeper) {
  FKeeper = keeper;
  for (int i = 0; i < FServices.Count(); ++i) FServices.At(i)->SetKeeper(keeper);
}

void TDDEMLServicesList::Clear() {
  for (auto& service : FServices.ExtractAll()) {
    // Its errors have nowhere to go once it has left the list.
    service->OnError = nullptr;
    Retire(FKeeper, std::move(service));
  }
}

bool TDDEMLServicesList::ReportError(int code, const std::string& text) {
  if (FErrorSink) FErrorSink->SetError(code, text);
  return code == errOk;
}

TDDEMLService* TDDEMLServicesList::Add(const std::string& name) {
  return Add(std::make_unique<TDDEMLService>(FPlatform, name));
}

TDDEMLService* TDDEMLServicesList::Add(std::unique_ptr<TDDEMLService> service) {
  if (Find(service->ServiceName())) return nullptr;
  SetRelay(*service);
  TDDEMLService* raw = service.get();
  if (FServices.Add(std::move(service)) < 0) return nullptr;
  return raw;
}

TDDEMLService* TDDEMLServicesList::Find(const std::string& name) const {
  return FindNamed(FServices, FPlatform, name);
}

TDDEMLService* TDDEMLServicesList::FindByHandle(THsz hsz) const {
  for (int i = 0; i < FServices.Count(); ++i)
    if (FServices.At(i)->Atom().SameHandle(hsz)) return FServices.At(i);
  return nullptr;
}

TDDEMLService* TDDEMLServicesList::At(int index) const {
  if (index < 0 || index >= FServices.Count()) return nullptr;
  return FServices.At(index);
}

std::string TDDEMLServicesList::NameAt(int index) const {
  TDDEMLService* service = At(index);
  return service ? service->ServiceName() : std::string();
}

void TDDEMLServicesList::Assign(const TDDEMLServicesList& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) {
    auto copy = std::make_unique<TDDEMLService>(FPlatform, source.At(i)->ServiceName());
    copy->Assign(*source.At(i));
    Add(std::move(copy));
  }
}

void TDDEMLServicesList::ReleaseHandles() {
  for (int i = 0; i < FServices.Count(); ++i) FServices.At(i)->ReleaseHandles();
}

bool TDDEMLServicesList::RegisterAll(TInstanceId instance, bool doRegister) {
  bool result = true;
  int enabled = 0;
  for (int i = 0; i < FServices.Count() && result; ++i) {
    TDDEMLService* service = FServices.At(i);
    if (!service->Enabled) continue;
    ++enabled;
    result = service->Register(instance, doRegister);
  }
  if (result && enabled == 0) {
    ReportError(errAllServicesDisabled);
    result = false;
  }
  return result;
}

}  // namespace dde
