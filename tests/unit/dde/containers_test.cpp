#include "dde/containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using dde::EListError;
using dde::TBaseContainer;

int CompareInts(const void* element, const void* key) {
  int a, b;
  std::memcpy(&a, element, sizeof a);
  std::memcpy(&b, key, sizeof b);
  return a < b ? -1 : (a > b ? 1 : 0);
}

std::vector<int> Contents(const TBaseContainer& c) {
  std::vector<int> out;
  for (int i = 0; i < c.Count(); ++i) {
    int v;
    std::memcpy(&v, c.SlotAt(i), sizeof v);
    out.push_back(v);
  }
  return out;
}

// Runs f and gives the EListError's code and message ("" when none raised).
template <class F>
std::pair<int, std::string> ListError(F f) {
  try {
    f();
  } catch (const EListError& e) {
    return {e.Code(), e.what()};
  }
  return {-1, ""};
}

TEST(ContainerErrorTexts, TableAndIndexSuffix) {
  EXPECT_STREQ("OK", dde::ListErrorText(0));
  EXPECT_STREQ("Container Index param less than zero", dde::ListErrorText(1));
  EXPECT_STREQ("Index exceeds predefined capacity", dde::ListErrorText(8));
  EXPECT_STREQ("Add failed with Duplicate item", dde::ListErrorText(11));
  EXPECT_STREQ("Unknown error inside Search", dde::ListErrorText(15));
  EXPECT_STREQ("", dde::ListErrorText(16));
  EXPECT_STREQ("", dde::ListErrorText(-1));
  EXPECT_STREQ("Container Index param greater than count : Index = 7", EListError(2, 7).what());
  EXPECT_STREQ("Invalid NewCount", EListError(13).what());
}

TEST(BaseContainer, AutomaticGrowthIsFourThenEightThenSixteen) {
  TBaseContainer c(sizeof(int));
  std::vector<int> capacities;
  for (int i = 0; i < 40; ++i) {
    c.AddSlot(&i);
    if (capacities.empty() || capacities.back() != c.Capacity()) capacities.push_back(c.Capacity());
  }
  EXPECT_EQ((std::vector<int>{4, 8, 16, 32, 48}), capacities);
  EXPECT_EQ(40, c.Count());
  EXPECT_EQ(39, Contents(c).back());
}

TEST(BaseContainer, FixedGrowthStepAndNoAutoGrow) {
  TBaseContainer c(sizeof(int));
  c.SetGrowBy(3);
  int v = 1;
  for (int i = 0; i < 4; ++i) c.AddSlot(&v);
  EXPECT_EQ(6, c.Capacity());

  TBaseContainer fixed(sizeof(int));
  fixed.SetAutoGrow(false);
  fixed.SetCapacity(2);
  fixed.AddSlot(&v);
  fixed.AddSlot(&v);
  auto err = ListError([&] { fixed.AddSlot(&v); });
  EXPECT_EQ(8, err.first);
  EXPECT_EQ("Index exceeds predefined capacity : Index = 2", err.second);
  EXPECT_EQ(2, fixed.Count());
}

TEST(BaseContainer, NewSlotsAreZeroFilledAndCapacityCannotDropBelowCount) {
  TBaseContainer c(sizeof(int));
  int v = 77;
  c.AddSlot(&v);
  c.AddSlot(&v);
  c.SetCount(1);
  c.SetCount(5);  // the dropped slot and the new ones read as zero
  EXPECT_EQ((std::vector<int>{77, 0, 0, 0, 0}), Contents(c));
  EXPECT_EQ(4, ListError([&] { c.SetCapacity(3); }).first);
  EXPECT_EQ(13, ListError([&] { c.SetCount(-1); }).first);
  EXPECT_EQ(5, c.Count());
}

TEST(BaseContainer, IndexErrorsNeverTouchMemoryOutsideTheSlots) {
  TBaseContainer c(sizeof(int));
  EXPECT_EQ(3, ListError([&] { c.Delete(0); }).first);
  int v = 5;
  c.AddSlot(&v);
  auto below = ListError([&] { c.SlotAt(-1); });
  EXPECT_EQ(1, below.first);
  EXPECT_EQ("Container Index param less than zero : Index = -1", below.second);
  auto above = ListError([&] { c.SlotAt(1); });
  EXPECT_EQ(2, above.first);
  EXPECT_EQ("Container Index param greater than count : Index = 1", above.second);
  EXPECT_EQ(2, ListError([&] { c.InsertSlot(2, &v); }).first);
  EXPECT_EQ(12, ListError([&] { c.DeleteRange(0, 1); }).first);
  EXPECT_EQ(12, ListError([&] { c.Exchange(0, 3); }).first);
  EXPECT_EQ((std::vector<int>{5}), Contents(c));
}

TEST(BaseContainer, SortedAddsFollowTheDuplicatePolicy) {
  TBaseContainer c(sizeof(int));
  c.SetCompare(CompareInts);
  c.SetSortMode(dde::smAscending);
  for (int v : {5, 1, 9, 3}) c.AddSlot(&v);
  EXPECT_EQ((std::vector<int>{1, 3, 5, 9}), Contents(c));

  int dup = 5;
  EXPECT_EQ(4, c.AddSlot(&dup));  // ignore: reports the count, adds nothing
  EXPECT_EQ(4, c.Count());

  c.SetDuplicates(dde::dupAccept);
  EXPECT_EQ(2, c.AddSlot(&dup));
  EXPECT_EQ((std::vector<int>{1, 3, 5, 5, 9}), Contents(c));

  c.SetDuplicates(dde::dupError);
  auto err = ListError([&] { c.AddSlot(&dup); });
  EXPECT_EQ(11, err.first);
  EXPECT_EQ("Add failed with Duplicate item", err.second);
  EXPECT_EQ(5, c.Count());

  int v = 4;
  auto ins = ListError([&] { c.InsertSlot(0, &v); });
  EXPECT_EQ(10, ins.first);
  EXPECT_EQ("Item insert into sorted container : Index = 0", ins.second);
}

TEST(BaseContainer, SearchGivesInsertionPointAndDescendingOrder) {
  TBaseContainer c(sizeof(int));
  c.SetCompare(CompareInts);
  c.SetSortMode(dde::smDescending);
  for (int v : {2, 8, 4, 6}) c.AddSlot(&v);
  EXPECT_EQ((std::vector<int>{8, 6, 4, 2}), Contents(c));
  int pos = -1;
  int key = 5;
  EXPECT_FALSE(c.Search(&key, pos));
  EXPECT_EQ(2, pos);
  key = 8;
  EXPECT_TRUE(c.Search(&key, pos));
  EXPECT_EQ(0, pos);
  key = 1;
  EXPECT_FALSE(c.Search(&key, pos));
  EXPECT_EQ(4, pos);

  TBaseContainer empty(sizeof(int));
  empty.SetCompare(CompareInts);
  EXPECT_FALSE(empty.Search(&key, pos));
  EXPECT_EQ(0, pos);
}

TEST(BaseContainer, ChangingSortModeSortsInPlace) {
  TBaseContainer c(sizeof(int));
  c.SetCompare(CompareInts);
  std::vector<int> values;
  for (int i = 0; i < 200; ++i) values.push_back((i * 7919) % 211);
  for (int v : values) c.AddSlot(&v);
  c.SetSortMode(dde::smAscending);
  std::vector<int> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, Contents(c));
  c.SetSortMode(dde::smDescending);
  std::reverse(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, Contents(c));
}

TEST(BaseContainer, FailuresInsideCompareBecomeSortAndSearchErrors) {
  TBaseContainer c(sizeof(int));
  for (int v : {3, 1, 2}) c.AddSlot(&v);
  c.SetCompare([](const void*, const void*) -> int { throw std::runtime_error("boom"); });
  EXPECT_EQ(14, ListError([&] { c.SetSortMode(dde::smAscending); }).first);
  int pos = 0;
  int key = 1;
  EXPECT_EQ(15, ListError([&] { c.Search(&key, pos); }).first);
  EXPECT_EQ(3, c.Count());
}

TEST(BaseContainer, InconsistentCompareCannotRunTheSortOffTheEnds) {
  TBaseContainer c(sizeof(int));
  for (int i = 0; i < 100; ++i) c.AddSlot(&i);
  c.SetCompare([](const void*, const void*) { return -1; });  // everything is smaller
  c.SetSortMode(dde::smAscending);
  EXPECT_EQ(100, c.Count());
  std::vector<int> got = Contents(c);
  std::sort(got.begin(), got.end());
  for (int i = 0; i < 100; ++i) EXPECT_EQ(i, got[static_cast<size_t>(i)]);
}

// An object that counts its destructions, to see who frees what.
struct TCounted {
  TCounted(int v, std::vector<int>* log) : value(v), freed(log) {}
  ~TCounted() { freed->push_back(value); }
  int value;
  std::vector<int>* freed;
};

TEST(ObjectContainer, OwnsItsObjects) {
  std::vector<int> freed;
  {
    dde::TObjectContainer<TCounted> c;
    c.SetObjectCompare([](const TCounted& a, const TCounted& b) { return a.value - b.value; });
    c.SetSortMode(dde::smAscending);
    for (int v : {30, 10, 20}) c.Add(std::make_unique<TCounted>(v, &freed));
    EXPECT_EQ(10, c.At(0)->value);
    EXPECT_EQ(30, c.At(2)->value);

    // A duplicate under the ignore policy is not taken: it is freed at once.
    EXPECT_EQ(-1, c.Add(std::make_unique<TCounted>(20, &freed)));
    EXPECT_EQ((std::vector<int>{20}), freed);
    EXPECT_EQ(3, c.Count());

    TCounted key(20, &freed);
    int pos = -1;
    EXPECT_TRUE(c.Find(key, pos));
    EXPECT_EQ(1, pos);

    TCounted* middle = c.At(1);
    EXPECT_TRUE(c.Remove(middle));
    TCounted stranger(99, &freed);
    EXPECT_FALSE(c.Remove(&stranger));
    EXPECT_EQ(2, c.Count());
    c.Delete(0);
    EXPECT_EQ((std::vector<int>{20, 20, 10}), freed);
  }
  // Locals go in reverse order (stranger, key), then the container frees 30.
  EXPECT_EQ((std::vector<int>{20, 20, 10, 99, 20, 30}), freed);
}

TEST(ObjectContainer, SortingCompareSeesObjectsNotSlots) {
  std::vector<int> freed;
  dde::TObjectContainer<TCounted> c;
  c.SetObjectCompare([](const TCounted& a, const TCounted& b) { return a.value - b.value; });
  for (int v : {4, 9, 1, 7, 1}) c.Add(std::make_unique<TCounted>(v, &freed));
  c.SetSortMode(dde::smDescending);
  std::vector<int> order;
  for (int i = 0; i < c.Count(); ++i) order.push_back(c.At(i)->value);
  EXPECT_EQ((std::vector<int>{9, 7, 4, 1, 1}), order);
  EXPECT_TRUE(freed.empty());
}

TEST(ObjectList, ClearsFromLastToFirstAndRemovesOnlyItsOwn) {
  std::vector<int> freed;
  dde::TDDEMLObjectList<TCounted> list;
  TCounted* first = list.Add(std::make_unique<TCounted>(1, &freed));
  list.Add(std::make_unique<TCounted>(2, &freed));
  list.Add(std::make_unique<TCounted>(3, &freed));
  EXPECT_EQ(nullptr, list.At(3));
  EXPECT_EQ(nullptr, list.At(-1));
  TCounted outsider(9, &freed);
  EXPECT_FALSE(list.Remove(&outsider));
  EXPECT_TRUE(freed.empty());
  EXPECT_TRUE(list.Remove(first));
  EXPECT_EQ((std::vector<int>{1}), freed);
  list.Clear();
  EXPECT_EQ((std::vector<int>{1, 3, 2}), freed);
  EXPECT_EQ(0, list.Count());
}

struct TTagged : dde::TUserList::TObject {
  explicit TTagged(int* c) : count(c) {}
  ~TTagged() override { ++*count; }
  int* count;
};

TEST(UserList, SortedRefusesDuplicatesAndOwnsObjects) {
  int freed = 0;
  {
    dde::TUserList list;
    list.Add("beta", std::make_unique<TTagged>(&freed));
    list.Add("Alfa", std::make_unique<TTagged>(&freed));
    list.Add("gamma");
    EXPECT_EQ("Alfa", list.Strings(0));
    EXPECT_EQ("gamma", list.Strings(2));
    auto err = ListError([&] { list.Add("BETA", std::make_unique<TTagged>(&freed)); });
    EXPECT_EQ(11, err.first);
    EXPECT_EQ(1, freed);  // the refused line's object was freed
    EXPECT_EQ(3, list.Count());
    EXPECT_EQ(1, list.IndexOf("Beta"));
    EXPECT_EQ(-1, list.IndexOf("delta"));
    EXPECT_EQ(nullptr, list.Objects(2));
    EXPECT_EQ(2, ListError([&] { list.Strings(3); }).first);
  }
  EXPECT_EQ(3, freed);
}

}  // namespace
