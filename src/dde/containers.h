// The manager's owning containers: a growable array of fixed-size slots with
// optional ordering and a duplicate policy, an owning container of objects on
// top of it, a plain owning object list, and the sorted string list
// TUserList.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/errors.h"

namespace dde {

// Error codes of the containers; the texts are in ListErrorText.
enum TListErrorCode {
  leOk = 0,
  leIndexBelowZero = 1,
  leIndexAboveCount = 2,
  leEmpty = 3,
  leCapacityBelowCount = 4,
  leAllocFailed = 5,
  leReAllocFailed = 6,
  leLockFailed = 7,
  leIndexExceedsCapacity = 8,
  leAddFailedOnSort = 9,
  leInsertIntoSorted = 10,
  leDuplicate = 11,
  leInvalidRange = 12,
  leInvalidNewCount = 13,
  leSortFailed = 14,
  leSearchFailed = 15,
};

// The fixed text of a container error code; "" for a code outside the table.
const char* ListErrorText(int code);

class EListError : public text::Exception {
 public:
  // Message is the code's text.
  explicit EListError(int code);
  // Message is the code's text, then " : Index = " and the index.
  EListError(int code, long long index);
  int Code() const { return FCode; }

 private:
  int FCode;
};

enum TSortMode { smUnsorted = 0, smAscending = 1, smDescending = 2 };
enum TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// An ordered array of fixed-size slots. Elements are copied in and out as
// raw bytes, so only trivially copyable values belong here (TObjectContainer
// stores pointers). New slot memory is zero-filled.
class TBaseContainer {
 public:
  // Compares the element in a slot with a key: negative, zero or positive.
  using TCompare = std::function<int(const void* element, const void* key)>;

  explicit TBaseContainer(std::size_t slotSize);
  virtual ~TBaseContainer();
  TBaseContainer(const TBaseContainer&) = delete;
  TBaseContainer& operator=(const TBaseContainer&) = delete;

  int Count() const { return FCount; }
  int Capacity() const { return FCapacity; }
  std::size_t SlotSize() const { return FSlotSize; }

  // 0 grows automatically (4 slots below 5, 8 from 5 to 8, 16 from 9 on).
  int GrowBy() const { return FGrowBy; }
  void SetGrowBy(int step) { FGrowBy = step < 0 ? 0 : step; }
  bool AutoGrow() const { return FAutoGrow; }
  void SetAutoGrow(bool on) { FAutoGrow = on; }
  // Kept for callers that set it; indices are checked in every case, since
  // an unchecked index would read or write outside the slots.
  bool IndexCheck() const { return FIndexCheck; }
  void SetIndexCheck(bool on) { FIndexCheck = on; }

  TSortMode SortMode() const { return FSortMode; }
  // Changing the mode of a container with more than one element sorts it.
  void SetSortMode(TSortMode mode);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates policy) { FDuplicates = policy; }
  void SetCompare(TCompare compare) { FCompare = std::move(compare); }

  // Capacity can only be set at or above the count (error 4).
  void SetCapacity(int capacity);
  // Grows (zero-filled) or shrinks the count; shrinking drops the slots
  // (owning subclasses free what they held first).
  virtual void SetCount(int count);

  // Sorted: searches for key (the element itself when null), inserts at the
  // search position (see the duplicate policy) and gives the index, or the
  // count when a duplicate was ignored. Unsorted: appends and gives the new
  // index.
  int AddSlot(const void* element, const void* key = nullptr);
  // Inserts before index (0..count); a sorted container refuses (error 10).
  void InsertSlot(int index, const void* element);
  virtual void Delete(int index);
  // Deletes the slots first..last inclusive.
  virtual void DeleteRange(int first, int last);
  virtual void Clear();

  void* SlotAt(int index);
  const void* SlotAt(int index) const;
  void PutSlot(int index, const void* element);
  void Exchange(int a, int b);

  // Binary search for key; position receives the insertion point, or the
  // index of the match. Needs a compare function.
  bool Search(const void* key, int& position) const;

 protected:
  void CheckIndex(int index, int limit) const;
  // Called before a slot is dropped by Delete/DeleteRange/Clear/SetCount.
  virtual void FreeSlot(void* /*slot*/) {}
  // What the compare function gets as key when two slots are compared
  // (sorting): the slot itself here, the object for object containers.
  virtual const void* KeyOfSlot(const void* slot) const { return slot; }
  // Inserts without regard to the order (the position is the caller's).
  void InsertAt(int index, const void* element);

 private:
  void Grow();
  void SortInPlace();
  void QuickSort(int lo, int hi);
  int CompareSlots(int a, int b) const;
  unsigned char* Slot(int index) { return FMemory.data() + static_cast<std::size_t>(index) * FSlotSize; }
  const unsigned char* Slot(int index) const {
    return FMemory.data() + static_cast<std::size_t>(index) * FSlotSize;
  }

  std::size_t FSlotSize;
  std::vector<unsigned char> FMemory;
  int FCount = 0;
  int FCapacity = 0;
  int FGrowBy = 0;
  bool FAutoGrow = true;
  bool FIndexCheck = false;
  TSortMode FSortMode = smUnsorted;
  TDuplicates FDuplicates = dupIgnore;
  TCompare FCompare;
};

// A container of object pointers that owns the objects. The compare
// function compares objects; a search key is an object of the same kind.
template <class T>
class TObjectContainer : public TBaseContainer {
 public:
  using TObjectCompare = std::function<int(const T& element, const T& key)>;

  TObjectContainer() : TBaseContainer(sizeof(T*)) {}
  ~TObjectContainer() override { Clear(); }

  void SetObjectCompare(TObjectCompare compare) {
    SetCompare([compare](const void* element, const void* key) {
      return compare(**static_cast<T* const*>(element), *static_cast<const T*>(key));
    });
  }

  // Takes ownership. Gives the index, or -1 when a sorted container ignored
  // the object as a duplicate (the object is then freed).
  int Add(std::unique_ptr<T> object) {
    T* raw = object.get();
    int before = Count();
    int index = AddSlot(&raw, raw);
    if (Count() == before) return -1;
    object.release();
    return index;
  }
  void Insert(int index, std::unique_ptr<T> object) {
    T* raw = object.get();
    InsertSlot(index, &raw);
    object.release();
  }
  T* At(int index) const { return *static_cast<T* const*>(SlotAt(index)); }
  // Index of that very object, -1 when absent.
  int IndexOf(const T* object) const {
    for (int i = 0; i < Count(); ++i)
      if (At(i) == object) return i;
    return -1;
  }
  // Deletes the slot holding that very object and frees the object.
  bool Remove(const T* object) {
    int i = IndexOf(object);
    if (i < 0) return false;
    Delete(i);
    return true;
  }
  // Takes the object out of the container without freeing it (null when
  // absent).
  std::unique_ptr<T> Extract(const T* object) {
    int i = IndexOf(object);
    if (i < 0) return nullptr;
    T*& slot = *static_cast<T**>(SlotAt(i));
    std::unique_ptr<T> taken(slot);
    slot = nullptr;
    Delete(i);
    return taken;
  }
  // Takes every object out, the last first.
  std::vector<std::unique_ptr<T>> ExtractAll() {
    std::vector<std::unique_ptr<T>> taken;
    while (Count() > 0) taken.push_back(Extract(At(Count() - 1)));
    return taken;
  }
  // Binary search with a key object.
  bool Find(const T& key, int& position) const { return Search(&key, position); }

 protected:
  const void* KeyOfSlot(const void* slot) const override { return *static_cast<T* const*>(slot); }
  void FreeSlot(void* slot) override {
    T*& p = *static_cast<T**>(slot);
    delete p;
    p = nullptr;
  }
};

// A plain owning list of objects. Clearing frees them from the last to the
// first.
template <class T>
class TDDEMLObjectList {
 public:
  TDDEMLObjectList() = default;
  ~TDDEMLObjectList() { Clear(); }
  TDDEMLObjectList(const TDDEMLObjectList&) = delete;
  TDDEMLObjectList& operator=(const TDDEMLObjectList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // nullptr for an index outside the list.
  T* At(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
  }
  T* Add(std::unique_ptr<T> object) {
    FItems.push_back(std::move(object));
    return FItems.back().get();
  }
  int IndexOf(const T* object) const {
    for (int i = 0; i < Count(); ++i)
      if (FItems[static_cast<std::size_t>(i)].get() == object) return i;
    return -1;
  }
  // Frees and deletes the object only when it is in the list.
  bool Remove(const T* object) {
    int i = IndexOf(object);
    if (i < 0) return false;
    FItems.erase(FItems.begin() + i);
    return true;
  }
  // Takes the object out of the list without freeing it (null when absent).
  std::unique_ptr<T> Extract(const T* object) {
    int i = IndexOf(object);
    if (i < 0) return nullptr;
    std::unique_ptr<T> taken = std::move(FItems[static_cast<std::size_t>(i)]);
    FItems.erase(FItems.begin() + i);
    return taken;
  }
  void Clear() {
    while (!FItems.empty()) FItems.pop_back();
  }

 private:
  std::vector<std::unique_ptr<T>> FItems;
};

// Sorted string list (Windows-1250 case folding) whose duplicate policy is
// error and which owns the objects attached to its lines.
class TUserList {
 public:
  struct TObject {
    virtual ~TObject() = default;
  };

  TUserList() = default;
  TUserList(const TUserList&) = delete;
  TUserList& operator=(const TUserList&) = delete;

  // Inserts in order; a line that is already there (ignoring case) raises
  // EListError 11 and the object is freed.
  int Add(const std::string& line, std::unique_ptr<TObject> object = nullptr);
  int Count() const { return static_cast<int>(FLines.size()); }
  // Both raise EListError for an index outside the list.
  const std::string& Strings(int index) const;
  TObject* Objects(int index) const;
  // -1 when absent.
  int IndexOf(std::string_view line) const;
  void Delete(int index);
  void Clear() { FLines.clear(); }

 private:
  bool Find(std::string_view line, int& position) const;
  std::vector<std::pair<std::string, std::unique_ptr<TObject>>> FLines;
};

}  // namespace dde
