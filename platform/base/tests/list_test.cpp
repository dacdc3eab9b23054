#include "platform/base/list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/exceptions.h"

namespace {

int gValues[] = {0, 1, 2, 3, 4, 5};
void* P(int i) { return &gValues[i]; }

// The values the list points at, e.g. "3 1 -" ("-" for null).
std::string Contents(const TList& list) {
  std::string result;
  for (int i = 0; i < list.Count(); ++i) {
    void* item = list.Items(i);
    result += (i > 0 ? " " : "") + (item ? std::to_string(*static_cast<int*>(item)) : "-");
  }
  return result;
}

class TRecordingList : public TList {
  MEBRATH_CLASS(TRecordingList, TList)
 public:
  std::vector<std::string> Log;

 protected:
  void Notify(void* item, TListNotification action) override {
    static const char* const kNames[] = {"added", "extracted", "deleted"};
    Log.push_back(std::string(kNames[action]) + " " + std::to_string(*static_cast<int*>(item)));
  }
};

// Counts live instances.
class TCounted : public TObject {
  MEBRATH_CLASS(TCounted, TObject)
 public:
  explicit TCounted(int* live) : FLive(live) { ++*FLive; }
  ~TCounted() override { --*FLive; }

 private:
  int* FLive;
};

std::string ListErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EListError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(List, BoundsErrors) {
  TList list;
  EXPECT_EQ(ListErrorOf([&] { list.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(ListErrorOf([&] { list.Last(); }), "List index out of bounds (-1)");
  for (int i = 0; i < 3; ++i) list.Add(P(i));

  const std::pair<std::function<void()>, const char*> cases[] = {
      {[&] { list.Items(-1); }, "List index out of bounds (-1)"},
      {[&] { list.Items(3); }, "List index out of bounds (3)"},
      {[&] { list.SetItems(3, nullptr); }, "List index out of bounds (3)"},
      {[&] { list.Delete(3); }, "List index out of bounds (3)"},
      {[&] { list.Insert(4, nullptr); }, "List index out of bounds (4)"},
      {[&] { list.Exchange(0, 9); }, "List index out of bounds (9)"},
      {[&] { list.Move(7, 0); }, "List index out of bounds (7)"},
      {[&] { list.Move(0, 3); }, "List index out of bounds (3)"},
      {[&] { list.SetCapacity(2); }, "List capacity out of bounds (2)"},
      {[&] { list.SetCount(-1); }, "List count out of bounds (-1)"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(ListErrorOf(action), message);
  EXPECT_EQ(Contents(list), "0 1 2");

  list.Insert(3, P(3));
  list.SetCapacity(100);
  EXPECT_EQ(list.Capacity(), 100);
  list.SetCapacity(4);
  EXPECT_EQ(list.Capacity(), 4);
  EXPECT_EQ(Contents(list), "0 1 2 3");
}

TEST(List, ReorderingSortingAndPacking) {
  TList list;
  for (int i : {3, 1, 4, 0, 5}) list.Add(P(i));
  list.Move(0, 3);
  EXPECT_EQ(Contents(list), "1 4 0 3 5");
  list.Move(4, 1);
  EXPECT_EQ(Contents(list), "1 5 4 0 3");
  list.Exchange(0, 4);
  EXPECT_EQ(Contents(list), "3 5 4 0 1");

  list.Sort(+[](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
  EXPECT_EQ(Contents(list), "0 1 3 4 5");
  // Stable: equal keys (odd/even) keep their order.
  list.Sort([](void* a, void* b) { return *static_cast<int*>(a) % 2 - *static_cast<int*>(b) % 2; });
  EXPECT_EQ(Contents(list), "0 4 1 3 5");

  list.SetCount(7);
  list.Insert(0, nullptr);
  list.SetItems(3, nullptr);
  EXPECT_EQ(Contents(list), "- 0 4 - 3 5 - -");
  list.Pack();
  EXPECT_EQ(Contents(list), "0 4 3 5");
  EXPECT_EQ(list.IndexOf(P(3)), 2);
  EXPECT_EQ(list.Remove(P(4)), 1);
  EXPECT_EQ(list.Remove(P(4)), -1);
  EXPECT_EQ(list.First(), P(0));
  EXPECT_EQ(list.Last(), P(5));
}

TEST(List, NotifiesWhatEntersAndLeaves) {
  TRecordingList list;
  list.Add(P(1));
  list.Add(nullptr);
  list.Insert(0, P(2));
  list.SetItems(1, P(3));
  EXPECT_EQ(list.Extract(P(2)), P(2));
  EXPECT_EQ(list.Extract(P(5)), nullptr);
  list.Add(P(4));
  list.Remove(P(3));
  list.Clear();
  EXPECT_EQ(list.Log,
            (std::vector<std::string>{"added 1", "added 2", "deleted 1", "added 3", "extracted 2",
                                      "added 4", "deleted 3", "deleted 4"}));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(List, ObjectListFreesWhatItOwns) {
  int live = 0;
  TObject* kept = nullptr;
  {
    TObjectList list;
    for (int i = 0; i < 6; ++i) list.Add(new TCounted(&live));
    EXPECT_EQ(live, 6);
    list.Delete(0);
    list.Remove(list.First());
    list.SetItems(0, new TCounted(&live));
    EXPECT_EQ(live, 4);
    kept = list.Extract(list.Last());
    list.SetCount(2);
    EXPECT_EQ(live, 3);
    EXPECT_EQ(list.Count(), 2);
  }
  EXPECT_EQ(live, 1);
  FreeAndNil(kept);
  EXPECT_EQ(kept, nullptr);
  EXPECT_EQ(live, 0);

  TObjectList borrowed(false);
  TObjectPtr<TCounted> object = CreateUnique<TCounted>(&live);
  borrowed.Add(object.get());
  borrowed.Clear();
  EXPECT_EQ(live, 1);
}
