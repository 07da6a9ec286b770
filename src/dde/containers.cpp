#include "dde/containers.h"

#include <cstring>
#include <new>

#include "text/cp1250.h"

namespace dde {

namespace {

const char* const kListErrorTexts[] = {
    "OK",
    "Container Index param less than zero",
    "Container Index param greater than count",
    "Container empty",
    "New capacity param less than count",
    "GlobalAlloc failed",
    "GlobalReAlloc failed",
    "GlobalLock failed",
    "Index exceeds predefined capacity",
    "Item add failed on sort",
    "Item insert into sorted container",
    "Add failed with Duplicate item",
    "Invalid Idx in start/end range",
    "Invalid NewCount",
    "Unknown Error inside SortInPlace",
    "Unknown error inside Search",
};

}  // namespace

const char* ListErrorText(int code) {
  if (code < 0 || code >= static_cast<int>(sizeof kListErrorTexts / sizeof kListErrorTexts[0])) return "";
  return kListErrorTexts[code];
}

EListError::EListError(int code) : text::Exception(ListErrorText(code)), FCode(code) {}

EListError::EListError(int code, long long index)
    : text::Exception(std::string(ListErrorText(code)) + " : Index = " + std::to_string(index)), FCode(code) {}

// ---------------------------------------------------------------------------

TBaseContainer::TBaseContainer(std::size_t slotSize) : FSlotSize(slotSize == 0 ? 1 : slotSize) {}

TBaseContainer::~TBaseContainer() = default;

void TBaseContainer::CheckIndex(int index, int limit) const {
  if (index < 0) throw EListError(leIndexBelowZero, index);
  if (index >= limit) throw EListError(leIndexAboveCount, index);
}

void TBaseContainer::SetCapacity(int capacity) {
  if (capacity < FCount) throw EListError(leCapacityBelowCount, capacity);
  if (capacity == FCapacity) return;
  try {
    // resize zero-fills the new slots.
    FMemory.resize(static_cast<std::size_t>(capacity) * FSlotSize);
  } catch (const std::bad_alloc&) {
    throw EListError(FCapacity == 0 ? leAllocFailed : leReAllocFailed);
  } catch (const std::length_error&) {
    throw EListError(FCapacity == 0 ? leAllocFailed : leReAllocFailed);
  }
  FCapacity = capacity;
}

void TBaseContainer::Grow() {
  if (!FAutoGrow) throw EListError(leIndexExceedsCapacity, FCount);
  int step = FGrowBy;
  if (step <= 0) step = FCapacity < 5 ? 4 : (FCapacity <= 8 ? 8 : 16);
  SetCapacity(FCapacity + step);
}

void TBaseContainer::SetCount(int count) {
  if (count < 0) throw EListError(leInvalidNewCount, count);
  if (count > FCapacity) {
    if (!FAutoGrow) throw EListError(leInvalidNewCount, count);
    SetCapacity(count);
  }
  if (count < FCount) {
    for (int i = count; i < FCount; ++i) FreeSlot(Slot(i));
    std::memset(Slot(count), 0, static_cast<std::size_t>(FCount - count) * FSlotSize);
  }
  FCount = count;
}

void TBaseContainer::InsertAt(int index, const void* element) {
  if (index < 0) throw EListError(leIndexBelowZero, index);
  if (index > FCount) throw EListError(leIndexAboveCount, index);
  if (FCount == FCapacity) Grow();
  if (index < FCount)
    std::memmove(Slot(index + 1), Slot(index), static_cast<std::size_t>(FCount - index) * FSlotSize);
  std::memcpy(Slot(index), element, FSlotSize);
  ++FCount;
}

int TBaseContainer::AddSlot(const void* element, const void* key) {
  if (FSortMode == smUnsorted) {
    InsertAt(FCount, element);
    return FCount - 1;
  }
  if (!FCompare) throw EListError(leAddFailedOnSort);
  int position = 0;
  bool found = Search(key ? key : element, position);
  if (found && FDuplicates == dupIgnore) return FCount;
  if (found && FDuplicates == dupError) throw EListError(leDuplicate);
  InsertAt(position, element);
  return position;
}

void TBaseContainer::InsertSlot(int index, const void* element) {
  if (FSortMode != smUnsorted) throw EListError(leInsertIntoSorted, index);
  InsertAt(index, element);
}

void TBaseContainer::Delete(int index) {
  if (FCount == 0) throw EListError(leEmpty, index);
  CheckIndex(index, FCount);
  DeleteRange(index, index);
}

void TBaseContainer::DeleteRange(int first, int last) {
  if (first < 0 || last < first || last >= FCount) throw EListError(leInvalidRange, first < 0 ? first : last);
  for (int i = first; i <= last; ++i) FreeSlot(Slot(i));
  int removed = last - first + 1;
  if (last + 1 < FCount)
    std::memmove(Slot(first), Slot(last + 1), static_cast<std::size_t>(FCount - last - 1) * FSlotSize);
  FCount -= removed;
  std::memset(Slot(FCount), 0, static_cast<std::size_t>(removed) * FSlotSize);
}

void TBaseContainer::Clear() {
  // Free from the last to the first, as the owning lists do.
  for (int i = FCount - 1; i >= 0; --i) FreeSlot(Slot(i));
  FCount = 0;
  FMemory.clear();
  FMemory.shrink_to_fit();
  FCapacity = 0;
}

void* TBaseContainer::SlotAt(int index) {
  CheckIndex(index, FCount);
  return Slot(index);
}

const void* TBaseContainer::SlotAt(int index) const {
  CheckIndex(index, FCount);
  return Slot(index);
}

void TBaseContainer::PutSlot(int index, const void* element) {
  CheckIndex(index, FCount);
  std::memcpy(Slot(index), element, FSlotSize);
}

void TBaseContainer::Exchange(int a, int b) {
  if (a < 0 || b < 0 || a >= FCount || b >= FCount) throw EListError(leInvalidRange, a < 0 || a >= FCount ? a : b);
  if (a == b) return;
  std::vector<unsigned char> tmp(Slot(a), Slot(a) + FSlotSize);
  std::memcpy(Slot(a), Slot(b), FSlotSize);
  std::memcpy(Slot(b), tmp.data(), FSlotSize);
}

bool TBaseContainer::Search(const void* key, int& position) const {
  bool found = false;
  try {
    if (!FCompare) throw EListError(leSearchFailed);
    int low = 0;
    int high = FCount - 1;
    while (low <= high) {
      int middle = (low + high) / 2;
      int c = FCompare(Slot(middle), key);
      if (FSortMode == smDescending) c = c < 0 ? 1 : (c > 0 ? -1 : 0);
      if (c < 0) {
        low = middle + 1;
      } else {
        high = middle - 1;
        if (c == 0) {
          found = true;
          if (FDuplicates == dupIgnore) low = middle;
        }
      }
    }
    position = low;
  } catch (...) {
    throw EListError(leSearchFailed);
  }
  return found;
}

void TBaseContainer::SetSortMode(TSortMode mode) {
  if (mode == FSortMode) return;
  FSortMode = mode;
  if (mode != smUnsorted && FCount > 1) SortInPlace();
}

int TBaseContainer::CompareSlots(int a, int b) const {
  int c = FCompare(Slot(a), KeyOfSlot(Slot(b)));
  if (FSortMode == smDescending) c = c < 0 ? 1 : (c > 0 ? -1 : 0);
  return c;
}

void TBaseContainer::SortInPlace() {
  try {
    if (!FCompare) throw EListError(leSortFailed);
    QuickSort(0, FCount - 1);
  } catch (...) {
    throw EListError(leSortFailed);
  }
}

// Quicksort on the middle element. The pivot is copied out of the array, and
// the scans are bounded, so an inconsistent compare function cannot run them
// off the ends.
void TBaseContainer::QuickSort(int lo, int hi) {
  std::vector<unsigned char> pivot(FSlotSize);
  while (lo < hi) {
    int i = lo;
    int j = hi;
    std::memcpy(pivot.data(), Slot((lo + hi) / 2), FSlotSize);
    const void* pivotKey = KeyOfSlot(pivot.data());
    auto cmp = [&](int k) {
      int c = FCompare(Slot(k), pivotKey);
      if (FSortMode == smDescending) c = c < 0 ? 1 : (c > 0 ? -1 : 0);
      return c;
    };
    do {
      while (i < hi && cmp(i) < 0) ++i;
      while (j > lo && cmp(j) > 0) --j;
      if (i <= j) {
        Exchange(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    // Recurse into the smaller part, loop over the larger one.
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(lo, j);
      lo = i;
    } else {
      if (i < hi) QuickSort(i, hi);
      hi = j;
    }
  }
}

// ---------------------------------------------------------------------------

bool TUserList::Find(std::string_view line, int& position) const {
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int middle = (low + high) / 2;
    int c = text::CompareNoCase1250(FLines[static_cast<std::size_t>(middle)].first, line);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) found = true;
    }
  }
  position = low;
  return found;
}

int TUserList::Add(const std::string& line, std::unique_ptr<TObject> object) {
  int position = 0;
  if (Find(line, position)) throw EListError(leDuplicate);
  FLines.emplace(FLines.begin() + position, line, std::move(object));
  return position;
}

const std::string& TUserList::Strings(int index) const {
  if (index < 0) throw EListError(leIndexBelowZero, index);
  if (index >= Count()) throw EListError(leIndexAboveCount, index);
  return FLines[static_cast<std::size_t>(index)].first;
}

TUserList::TObject* TUserList::Objects(int index) const {
  if (index < 0) throw EListError(leIndexBelowZero, index);
  if (index >= Count()) throw EListError(leIndexAboveCount, index);
  return FLines[static_cast<std::size_t>(index)].second.get();
}

int TUserList::IndexOf(std::string_view line) const {
  int position = 0;
  return Find(line, position) ? position : -1;
}

void TUserList::Delete(int index) {
  if (index < 0) throw EListError(leIndexBelowZero, index);
  if (index >= Count()) throw EListError(leIndexAboveCount, index);
  FLines.erase(FLines.begin() + index);
}

}  // namespace dde
