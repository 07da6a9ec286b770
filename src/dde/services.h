// What the manager serves, as a tree: a services list holds services, a
// service holds topics, a topic holds items, and an item holds data. Names
// are DDEML string handles kept with their text (see TDDEMLAtom); look-ups
// by name compare the texts ignoring ASCII case.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dde/atom.h"
#include "dde/containers.h"
#include "dde/data.h"
#include "dde/errors.h"
#include "dde/formats.h"
#include "dde/platform.h"

namespace dde {

// The names of the System topic and of the list items the manager keeps.
inline constexpr const char* kSystemTopic = "System";
inline constexpr const char* kItemFormats = "Formats";
inline constexpr const char* kItemTopics = "Topics";
inline constexpr const char* kItemSysItems = "SysItems";
inline constexpr const char* kItemTopicItemList = "TopicItemList";
inline constexpr const char* kItemStatus = "Status";
inline constexpr const char* kItemHelp = "Help";
// The System "Status" text that marks the service busy (any letter case).
inline constexpr const char* kStatusBusy = "BUSY";

// The order of the tree's sorted containers: ASCII letters folded to upper
// case, then byte by byte; a prefix sorts first.
int CompareDdeNames(std::string_view a, std::string_view b);
bool IsSystemTopicName(std::string_view name);

class TDDEMLBase;

// Where a service, topic or item goes when it leaves the tree (removed,
// cleared, replaced by a copy): the manager, which drops what points at it
// and frees it once no transaction can still hold it. Without a keeper the
// node is freed at once.
class ITreeKeeper {
 public:
  virtual void Retire(std::unique_ptr<TDDEMLBase> node) = 0;

 protected:
  ~ITreeKeeper() = default;
};

// Common base: owns the name handle.
class TDDEMLBase {
 public:
  explicit TDDEMLBase(IDdePlatform& platform) : FAtom(platform) {}
  virtual ~TDDEMLBase() = default;
  TDDEMLBase(const TDDEMLBase&) = delete;
  TDDEMLBase& operator=(const TDDEMLBase&) = delete;

  // Raises EMorviaError for a name DDEML cannot hold.
  void SetName(TInstanceId instance, const std::string& name) { FAtom.SetName(instance, name); }
  const std::string& Name() const { return FAtom.GetName(); }
  // Gives the names made without an instance their handles.
  virtual void Bind(TInstanceId instance) { FAtom.Bind(instance); }
  virtual void ReleaseHandles() { FAtom.ReleaseHandle(); }

  TDDEMLAtom& Atom() { return FAtom; }
  const TDDEMLAtom& Atom() const { return FAtom; }
  THsz Handle() const { return FAtom.Handle(); }
  TInstanceId Instance() const { return FAtom.Instance(); }
  IDdePlatform& Platform() const { return FAtom.Platform(); }

 private:
  TDDEMLAtom FAtom;
};

class TDDEMLItem : public TDDEMLBase {
 public:
  using TChangeHandler = std::function<void(TDDEMLItem&)>;

  explicit TDDEMLItem(IDdePlatform& platform) : TDDEMLBase(platform), FData(platform) {}

  // A link is one conversation's (by its serial; 0 for a link the
  // application starts itself) in one format: starting it again keeps one.
  // False when the link was there already.
  bool AddAdviseLink(uint64_t conv, uint16_t format);
  bool AddAdviseLink(uint16_t format) { return AddAdviseLink(0, format); }
  // True when that link was there.
  bool DropAdviseLink(uint64_t conv, uint16_t format);
  // Drops the latest link.
  void DropAdviseLink();
  // Drops every link of the conversation; gives how many there were.
  int DropAdviseLinks(uint64_t conv);
  bool HasAdviseLink(uint64_t conv, uint16_t format) const;
  // Calls the change handler while a link is open.
  void Notify();
  // Replaces the data by the text (CF_TEXT); notifies when it changed, by
  // the process-wide comparison option.
  void SetText(std::string_view s);
  // Appends to the text (format kept); notifies when s is not empty or the
  // comparison option is off.
  void AppendText(std::string_view s);
  // Replaces the data from a received data handle; always notifies.
  void SetData(uint16_t format, THData data);
  void ClearData() { FData.Clear(); }
  // Copies, for text data, the text (the data holder has no copy of its
  // own). Links are not copied: each belongs to a conversation of the
  // source's manager.
  void Assign(const TDDEMLItem& source);

  uint8_t LinkState() const { return FLinks.empty() ? 0 : 1; }
  int32_t AdviseCount() const { return static_cast<int32_t>(FLinks.size()); }
  // The format of the latest link started (0 before any).
  uint16_t AdviseFormat() const { return FAdviseFormat; }
  TDDEMLRWData& Data() { return FData; }
  const TDDEMLRWData& Data() const { return FData; }
  int32_t UserHandle = 0;
  TChangeHandler OnChange;

 private:
  struct TAdviseLink {
    uint64_t Conv;
    uint16_t Format;
  };
  std::vector<TAdviseLink> FLinks;
  uint16_t FAdviseFormat = 0;
  TDDEMLRWData FData;
};

class TDDEMLTopic : public TDDEMLBase {
 public:
  using TChangeHandler = std::function<void(TDDEMLTopic&, const std::string& itemName)>;

  explicit TDDEMLTopic(IDdePlatform& platform);

  TDDEMLItem* FindItem(const std::string& name) const;
  // nullptr when an item of that name exists already; EMorviaError for a
  // name DDEML cannot hold.
  TDDEMLItem* AddItem(const std::string& name);
  TDDEMLItem* FindOrAddItem(const std::string& name);
  // An empty name removes every item and gives false.
  bool RemoveItem(const std::string& name);
  // Where removed items go (set by the service).
  void SetKeeper(ITreeKeeper* keeper) { FKeeper = keeper; }
  ITreeKeeper* Keeper() const { return FKeeper; }
  int ItemCount() const { return FItems.Count(); }
  // nullptr / empty for an index outside the list.
  TDDEMLItem* ItemAt(int index) const;
  std::string ItemNameAt(int index) const;
  // Appends the format's name to the "Formats" item.
  void AddFormatName(uint32_t format);
  // Appends name to a tab-separated list item, creating it when missing.
  void AppendToList(const std::string& itemName, const std::string& name);
  void ItemChanged(TDDEMLItem& item);
  void Bind(TInstanceId instance) override;
  // Frees the topic's and its items' name handles.
  void ReleaseHandles() override;
  // Replaces the items by copies of the other topic's.
  void Assign(const TDDEMLTopic& source);

  TChangeHandler OnChange;

 private:
  void RetireItems();

  TObjectContainer<TDDEMLItem> FItems;
  ITreeKeeper* FKeeper = nullptr;
};

class TDDEMLService : public TDDEMLBase {
 public:
  using TErrorHandler = std::function<void(TDDEMLService&, int code, const std::string& text)>;

  TDDEMLService(IDdePlatform& platform, std::string name);

  const std::string& ServiceName() const { return FName; }
  bool Enabled = false;
  std::vector<std::string> Strings;
  bool Registered() const { return FRegistered; }
  TErrorHandler OnError;

  TDDEMLTopic* FindTopic(const std::string& name) const;
  TDDEMLTopic* FindTopicByHandle(THsz hsz) const;
  bool AddTopic(const std::string& name);
  bool AddTopic(THsz hsz);
  TDDEMLTopic* FindOrAddTopic(const std::string& name);
  bool RemoveTopic(const std::string& name);
  // Where removed topics and items go (set by the services list).
  void SetKeeper(ITreeKeeper* keeper);
  ITreeKeeper* Keeper() const { return FKeeper; }
  int TopicCount() const { return FTopics.Count(); }
  TDDEMLTopic* TopicAt(int index) const;
  std::string TopicNameAt(int index) const;

  // Registers (true) or unregisters the service name with DDEML. Names of
  // topics and items made before get their handles here.
  bool Register(TInstanceId instance, bool doRegister);
  // Once the DDEML instance is gone, no name is registered with it.
  void ForgetRegistration() { FRegistered = false; }
  void Bind(TInstanceId instance) override;
  // True when System/"Status" reads BUSY (any case); creates nothing.
  bool IsBusy() const;
  // Frees the name handles of the service, its topics and their items, so
  // that none outlives the DDEML instance.
  void ReleaseHandles() override;
  // Asks DDEML to send advise requests for a changed item; nothing is posted
  // for an item that is not found or has no handle.
  void ProcTopicAdvise(TDDEMLTopic& topic, const std::string& itemName);
  // Calls the error handler; gives code == errOk.
  bool ReportError(int code, const std::string& text = std::string());

  // Item operations by topic and item name. Writers find or add the topic;
  // readers only find and give empty results.
  void SetItemText(const std::string& topic, const std::string& item, std::string_view text);
  void SetItemData(const std::string& topic, const std::string& item, uint16_t format, THData data);
  void StartAdvise(const std::string& topic, const std::string& item, uint16_t format, uint64_t conv = 0);
  void AppendItemText(const std::string& topic, const std::string& item, std::string_view text);
  void ClearItemData(const std::string& topic, const std::string& item);
  bool ItemExists(const std::string& topic, const std::string& item) const;
  uint32_t ItemDataSize(const std::string& topic, const std::string& item) const;
  THData ItemDataHandle(const std::string& topic, const std::string& item, bool owned) const;
  std::string ItemText(const std::string& topic, const std::string& item) const;
  TDDEMLItem* FindItem(const std::string& topic, const std::string& item) const;

  // The System topic lists. An empty topic name means "System" for the
  // format lists.
  void AddToFormatList(const std::string& topic, TDDEMLClipFmtType format);
  void ClearFormatList(const std::string& topic);
  void AddToTopicList(const std::string& topicName);
  void ClearTopicList();
  // Also goes to System "SysItems" when topic is the System topic.
  void AddToItemList(const std::string& topic, const std::string& itemName);
  void ClearItemList(const std::string& topic);

  // Copies name text, enabled flag, strings, registered flag and topics.
  void Assign(const TDDEMLService& source);

 private:
  void ClearListItem(const std::string& topic, const std::string& item);

  std::string FName;
  bool FRegistered = false;
  TObjectContainer<TDDEMLTopic> FTopics;
  ITreeKeeper* FKeeper = nullptr;
};

class TDDEMLServicesList {
 public:
  explicit TDDEMLServicesList(IDdePlatform& platform);
  TDDEMLServicesList(const TDDEMLServicesList&) = delete;
  TDDEMLServicesList& operator=(const TDDEMLServicesList&) = delete;

  // Where the services' errors go (the manager); null for none.
  void SetErrorSink(IErrorSink* sink) { FErrorSink = sink; }
  IErrorSink* ErrorSink() const { return FErrorSink; }
  // Where services, topics and items that leave the tree go (the manager);
  // null frees them at once.
  void SetKeeper(ITreeKeeper* keeper);

  // nullptr when a service of that name (ASCII case ignored) exists.
  TDDEMLService* Add(const std::string& name);
  // Adds a prepared service (error relay set here); nullptr and the service
  // freed when the name exists.
  TDDEMLService* Add(std::unique_ptr<TDDEMLService> service);
  TDDEMLService* Find(const std::string& name) const;
  TDDEMLService* FindByHandle(THsz hsz) const;
  int Count() const { return FServices.Count(); }
  TDDEMLService* At(int index) const;
  std::string NameAt(int index) const;
  bool Exists(const std::string& name) const { return Find(name) != nullptr; }
  void Clear();
  void Assign(const TDDEMLServicesList& source);
  void ReleaseHandles();
  // Registers or unregisters every enabled service, in order, until one
  // fails; reports -10 when none is enabled.
  bool RegisterAll(TInstanceId instance, bool doRegister);
  bool ReportError(int code, const std::string& text = std::string());

  IDdePlatform& Platform() const { return FPlatform; }

 private:
  void SetRelay(TDDEMLService& service);

  IDdePlatform& FPlatform;
  IErrorSink* FErrorSink = nullptr;
  ITreeKeeper* FKeeper = nullptr;
  TObjectContainer<TDDEMLService> FServices;
};

}  // namespace dde
