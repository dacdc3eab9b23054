#include "controls/dataset_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/tests/file_test_dir.h"
#include "storage/dbf_table.h"
#include "storage/mem_ds.h"

namespace {

// Counts the bookmark comparisons.
class TCountingMemDs : public TmemDs {
  MEBRATH_CLASS(TCountingMemDs, TmemDs)
 public:
  int Compares = 0;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
    ++Compares;
    return TmemDs::CompareBookmarks(a, b);
  }

 protected:
  explicit TCountingMemDs(TComponent* owner) : TmemDs(owner) {}
};

class TTestBMList : public TBMListEh {
 public:
  explicit TTestBMList(TDataSet* ds) : FDataSet(ds) {}
  int Selections = 0;

 protected:
  TDataSet* GetDataSet() override { return FDataSet; }
  void SelectionChanged() override { ++Selections; }

 private:
  TDataSet* FDataSet;
};

std::string NameAt(TDataSet* ds, const std::string& bookmark) {
  ds->GotoBookmark(bookmark);
  return ds->FieldByName("NAME")->AsString();
}

// Selects rows (1-based positions) in the given order; returns the names of
// the list's entries in list order.
std::string SelectRows(TDataSet* ds, TTestBMList& list, std::vector<int> rows) {
  for (int r : rows) {
    ds->SetRecNo(r);
    list.SetCurrentRowSelected(true);
  }
  std::string out;
  for (int i = 0; i < list.Count(); ++i) out += NameAt(ds, list.Items(i));
  return out;
}

class BookmarkListTest : public ::testing::Test {
 protected:
  BookmarkListTest() {
    ds = CreateUnique<TCountingMemDs>();
    auto* f = Create<TStringField>(ds.get());
    f->SetFieldName("NAME");
    f->SetSize(10);
    f->SetDataSet(ds.get());
    ds->Open();
    for (const char* n : {"1", "2", "3", "4", "5"}) {
      ds->Append();
      f->SetAsString(n);
      ds->Post();
    }
  }
  TObjectPtr<TCountingMemDs> ds;
};

TEST_F(BookmarkListTest, KeepsBookmarkOrderAndSearchesOnce) {
  TTestBMList list(ds.get());
  EXPECT_THROW(list.CurrentRow(), Exception);
  try {
    list.CurrentRow();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
  }
  list.SetLinked(true);
  EXPECT_EQ(SelectRows(ds.get(), list, {3, 1, 2}), "123");
  ds->SetRecNo(2);
  ds->Compares = 0;
  EXPECT_TRUE(list.CurrentRowSelected());
  int once = ds->Compares;
  EXPECT_GT(once, 0);
  EXPECT_TRUE(list.CurrentRowSelected());
  EXPECT_EQ(ds->Compares, once) << "the second question is answered from memory";
  list.SetCurrentRowSelected(false);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_FALSE(list.CurrentRowSelected());
  ds->SetRecNo(5);
  EXPECT_EQ(list.IndexOf(ds->Bookmark()), -1);
  int selections = list.Selections;
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Selections, selections + 1);
}

TEST_F(BookmarkListTest, DeletesFromTheLastEntryAndReEnablesOnFailure) {
  TTestBMList list(ds.get());
  list.SetLinked(true);
  SelectRows(ds.get(), list, {4, 2, 3});
  std::vector<std::string> deleted;
  ds->BeforeDelete = [&](TDataSet* d) { deleted.push_back(d->FieldByName("NAME")->AsString()); };
  list.DeleteRecords();
  EXPECT_EQ(deleted, (std::vector<std::string>{"4", "3", "2"}));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_FALSE(ds->ControlsDisabled());
  // A delete that fails leaves the controls enabled and the rest listed.
  SelectRows(ds.get(), list, {1, 2});
  ds->BeforeDelete = [](TDataSet*) {
    throw EDatabaseError("Запись заблокирована другим пользователем.");
  };
  EXPECT_THROW(list.DeleteRecords(), EDatabaseError);
  EXPECT_FALSE(ds->ControlsDisabled());
  EXPECT_EQ(list.Count(), 2);
}

TEST(BookmarkListDbf, KeepsTheTableOrder) {
  FormatSettings.DecimalSeparator = '.';
  TFileTestDir dir;
  auto t = CreateUnique<TmDbfTable>();
  t->SetName("T");
  t->SetTableName(dir.File("reg.dbf"));
  auto* f = Create<TStringField>(t.get());
  f->SetFieldName("NAME");
  f->SetSize(10);
  f->SetDataSet(t.get());
  t->CreateTable();
  t->Open();
  for (const char* n : {"a", "b", "c", "d"}) {
    t->Append();
    f->SetAsString(n);
    t->Post();
  }
  TTestBMList list(t.get());
  list.SetLinked(true);
  EXPECT_EQ(SelectRows(t.get(), list, {4, 1, 3, 2}), "abcd");
  t->SetRecNo(3);
  EXPECT_TRUE(list.CurrentRowSelected());
  t->Close();
}

class TValueTable : public ::testing::Test {
 protected:
  TValueTable() {
    ds = CreateUnique<TmemDs>();
    name = Create<TStringField>(ds.get());
    name->SetFieldName("NAME");
    name->SetSize(10);
    name->SetDataSet(ds.get());
    ds->Open();
  }
  void Add(const std::string& v) {
    ds->Append();
    if (!v.empty()) name->SetAsString(v);
    ds->Post();
  }
  TObjectPtr<TmemDs> ds;
  TStringField* name = nullptr;
};

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s[i]);
  return v;
}

TEST_F(TValueTable, DistinctSortedValuesGoStaleOnChanges) {
  for (const char* v : {"B", "A", "B", ""}) Add(v);
  TDatasetFieldValueListEh values;
  values.SetDataSet(ds.get());
  values.SetFieldName("NAME");
  EXPECT_EQ(Lines(*values.Values()), (std::vector<std::string>{"", "A", "B"}));
  EXPECT_TRUE(ds->Eof()) << "left after the last record";
  EXPECT_FALSE(values.OutOfDate());
  Add("a");  // the same value, ignoring case
  EXPECT_TRUE(values.OutOfDate());
  EXPECT_EQ(Lines(*values.Values()), (std::vector<std::string>{"", "A", "B"}));
  Add("Ж");
  EXPECT_EQ(values.Values()->Count(), 4);
  values.SetFieldName("NOPE");
  EXPECT_EQ(values.Values()->Count(), 0);
}

TEST_F(TValueTable, TenThousandRecords) {
  for (int i = 0; i < 10000; ++i) Add("v" + std::to_string(i % 700));
  TDatasetFieldValueListEh values;
  values.SetDataSet(ds.get());
  values.SetFieldName("NAME");
  EXPECT_EQ(values.Values()->Count(), 700);
  EXPECT_EQ(values.Values()->Strings(0), "v0");
  EXPECT_FALSE(ds->ControlsDisabled());
}

TEST(MemoryStreamEh, RoundsTheCapacity) {
  EXPECT_EQ(TMemoryStreamEh::RoundCapacity(0), 0);
  EXPECT_EQ(TMemoryStreamEh::RoundCapacity(1), 8192);
  EXPECT_EQ(TMemoryStreamEh::RoundCapacity(8192), 8192);
  EXPECT_EQ(TMemoryStreamEh::RoundCapacity(8193), 16384);
  TMemoryStreamEh s;
  std::string data(5000, 'x');
  s.Write(data.data(), static_cast<std::int64_t>(data.size()));
  EXPECT_EQ(s.Capacity(), 8192);
  EXPECT_EQ(s.Size(), 5000);
  s.SetCapacity(0);
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Size(), 0);
}

}  // namespace
