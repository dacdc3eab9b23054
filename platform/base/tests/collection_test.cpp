#include "platform/base/collection.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/component.h"

namespace {

using TLog = std::vector<std::string>;

class TTestItem : public TCollectionItem {
  MEBRATH_CLASS(TTestItem, TCollectionItem)
 public:
  std::string Value;

  void Assign(const TPersistent* source) override {
    if (const auto* item = dynamic_cast<const TTestItem*>(source)) {
      Value = item->Value;
      Changed(false);
      return;
    }
    TCollectionItem::Assign(source);
  }
  void Touch() { Changed(false); }

 protected:
  explicit TTestItem(TCollection* collection) : TCollectionItem(collection) {}
};

// Logs Update and Notify as "update all", "update 3", "added 0".
class TTestCollection : public TCollection {
  MEBRATH_CLASS(TTestCollection, TCollection)
 public:
  TTestCollection() : TCollection(ItemFactory<TTestItem>()) {}
  TLog Log;

  TTestItem* Item(int index) const { return static_cast<TTestItem*>(Items(index)); }
  TTestItem* AddItem(const std::string& value) {
    auto* item = static_cast<TTestItem*>(Add());
    item->Value = value;
    return item;
  }
  // The IDs in order, e.g. "1 0 2".
  std::string IDs() const {
    std::string result;
    for (int i = 0; i < Count(); ++i) {
      result += (i > 0 ? " " : "") + std::to_string(Items(i)->ID());
    }
    return result;
  }
  TLog TakeLog() { return std::exchange(Log, {}); }

 protected:
  void Update(TCollectionItem* item) override {
    Log.push_back(item != nullptr ? "update " + std::to_string(item->ID()) : "update all");
  }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    static const char* const kNames[] = {"added", "extracting", "deleting"};
    Log.push_back(std::string(kNames[action]) + " " + std::to_string(item->ID()));
  }
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

TEST(Collection, AddInsertDeleteNotifyAndUpdate) {
  TTestCollection c;
  c.Add();
  EXPECT_EQ(c.TakeLog(), (TLog{"added 0", "update all"}));
  c.Insert(0);
  EXPECT_EQ(c.TakeLog(), (TLog{"added 1", "update all"}));
  c.Insert(2);
  EXPECT_EQ(c.IDs(), "1 0 2");
  c.TakeLog();

  c.Delete(0);
  EXPECT_EQ(c.TakeLog(), (TLog{"deleting 1", "extracting 1", "update all"}));
  EXPECT_EQ(c.IDs(), "0 2");

  EXPECT_EQ(ListErrorOf([&] { c.Insert(3); }), "List index out of bounds (3)");
  EXPECT_EQ(ListErrorOf([&] { c.Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ListErrorOf([&] { c.Items(-1); }), "List index out of bounds (-1)");
  EXPECT_TRUE(c.Log.empty());
  EXPECT_EQ(c.Count(), 2);

  // An item freed on its own leaves the collection.
  c.Items(0)->Free();
  EXPECT_EQ(c.TakeLog(), (TLog{"extracting 0", "update all"}));
  EXPECT_EQ(c.IDs(), "2");
}

TEST(Collection, NestedUpdatesFireOnceAtTheEnd) {
  TTestCollection c;
  c.BeginUpdate();
  c.BeginUpdate();
  c.AddItem("a")->Touch();
  c.AddItem("b");
  c.EndUpdate();
  EXPECT_EQ(c.UpdateCount(), 1);
  EXPECT_EQ(c.TakeLog(), (TLog{"added 0", "added 1"}));
  c.EndUpdate();
  EXPECT_EQ(c.TakeLog(), TLog{"update all"});
  c.EndUpdate();  // unmatched
  EXPECT_EQ(c.UpdateCount(), 0);
  EXPECT_TRUE(c.Log.empty());

  c.Item(1)->Touch();
  EXPECT_EQ(c.TakeLog(), TLog{"update 1"});

  c.Clear();
  EXPECT_EQ(c.TakeLog(),
            (TLog{"deleting 1", "extracting 1", "deleting 0", "extracting 0", "update all"}));
  EXPECT_EQ(c.Count(), 0);
}

TEST(Collection, SetIndexMovesAndUpdatesAll) {
  TTestCollection c;
  for (int i = 0; i < 4; ++i) c.Add();
  c.TakeLog();
  c.Items(0)->SetIndex(2);
  EXPECT_EQ(c.IDs(), "1 2 0 3");
  EXPECT_EQ(c.TakeLog(), TLog{"update all"});
  c.Items(3)->SetIndex(0);
  EXPECT_EQ(c.IDs(), "3 1 2 0");
  EXPECT_EQ(c.FindItemID(2)->Index(), 2);
  c.TakeLog();
  c.Items(1)->SetIndex(1);
  EXPECT_TRUE(c.Log.empty());
  EXPECT_EQ(ListErrorOf([&] { c.Items(0)->SetIndex(4); }), "List index out of bounds (4)");
}

TEST(Collection, IDsAreNeverReused) {
  TTestCollection c;
  for (int i = 0; i < 3; ++i) c.Add();
  c.Delete(2);
  EXPECT_EQ(c.Add()->ID(), 3);
  EXPECT_EQ(c.FindItemID(2), nullptr);
  EXPECT_EQ(c.FindItemID(3), c.Items(2));
  c.Clear();
  EXPECT_EQ(c.Add()->ID(), 4);
}

TEST(Collection, ItemsMoveBetweenCollections) {
  TTestCollection a;
  TTestCollection b;
  b.Add();
  TTestItem* item = a.AddItem("x");
  a.TakeLog();
  b.TakeLog();
  item->SetCollection(&b);
  EXPECT_EQ(a.TakeLog(), (TLog{"extracting 0", "update all"}));
  EXPECT_EQ(b.TakeLog(), (TLog{"added 1", "update all"}));
  EXPECT_EQ(item->Collection(), &b);
  EXPECT_EQ(item->Index(), 1);
  EXPECT_EQ(a.Count(), 0);
}

TEST(Collection, AssignCopiesItems) {
  TTestCollection source;
  source.AddItem("one");
  source.AddItem("two");
  TTestCollection dest;
  dest.AddItem("old");
  dest.TakeLog();

  dest.Assign(&source);
  ASSERT_EQ(dest.Count(), 2);
  EXPECT_EQ(dest.Item(0)->Value, "one");
  EXPECT_EQ(dest.Item(1)->Value, "two");
  EXPECT_EQ(dest.TakeLog(),
            (TLog{"deleting 0", "extracting 0", "added 1", "added 2", "update all"}));

  try {
    dest.Assign(nullptr);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TTestCollection");
  }
}

TEST(Collection, OwnedCollectionNamesItsItems) {
  TObjectPtr<TComponent> grid = CreateUnique<TComponent>();
  grid->SetName("Grid1");
  TOwnedCollection columns(grid.get(), TCollection::ItemFactory<TTestItem>());
  TCollectionItem* column = columns.Add();
  EXPECT_EQ(columns.Owner(), grid.get());
  EXPECT_EQ(column->GetOwner(), &columns);
  EXPECT_EQ(column->GetNamePath(), "Grid1.TOwnedCollection[0]");
  EXPECT_EQ(column->DisplayName(), "TTestItem");
}
