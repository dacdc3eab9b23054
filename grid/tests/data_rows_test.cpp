#include "grid/data_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "tree_data_set.h"

namespace {

struct TFakeRowsHost : TGridDataRowsHostEh {
  TDataLink link;
  int changes = 0;
  TDataSet* changedTo = nullptr;

  void RowsMemTableChanged(TDataSet* dataSet) override {
    ++changes;
    changedTo = dataSet;
  }

  // One title row, `total` rows in all, five rows shown whole.
  bool shown = true;
  int top = 1;
  int total = 21;
  int room = 0;
  std::vector<int> topChanges;
  bool RowsWindowShown() override { return shown; }
  int RowsTopRow() override { return top; }
  void RowsSetTopRow(int row) override { top = row; }
  int RowsFixedCount() override { return 1; }
  int RowsTotalCount() override { return total; }
  int RowsLastFullShown() override { return std::min(total - 1, top + 4); }
  int RowsFirstShowingWhole(int row) override { return std::max(1, row - 4); }
  int RowsRoomBelow() override { return room; }
  void RowsTopChanged(int oldTop) override { topChanges.push_back(oldTop); }
};

TEST(DataRowsTest, BufferedRowsReadNestedAndComeBack) {
  TTestTable t;
  t.ds->Open();
  for (int i = 1; i <= 20; ++i) t.Add("r" + std::to_string(i), i);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(t.ds.get());
  TFakeRowsHost host;
  host.link.SetBufferCount(5);
  host.link.SetDataSource(source.get());
  t.ds->First();
  t.ds->MoveBy(2);  // r3, the third row of the link's window
  TGridDataRowsEh rows{&host, &host.link};
  ASSERT_EQ(rows.DataRowCount(), 5);
  const int current = host.link.ActiveRecord();
  ASSERT_EQ(current, 2);

  auto name = [&] { return t.name->AsString(); };
  {
    TGridRowReadEh outer(rows, 0);
    EXPECT_EQ(name(), "r1");
    EXPECT_TRUE(rows.IsCurrentRow(current)) << "the current row stays known while reading";
    EXPECT_FALSE(rows.IsCurrentRow(0));
    {
      TGridRowReadEh inner(rows, 4);
      EXPECT_EQ(name(), "r5");
    }
    EXPECT_EQ(name(), "r1") << "a nested read gives the outer row back";
  }
  EXPECT_EQ(name(), "r3");
  EXPECT_EQ(host.link.ActiveRecord(), current);

  try {
    TGridRowReadEh reading(rows, 1);
    throw std::runtime_error("drawing failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(name(), "r3") << "an exception leaves the current record readable";
  rows.EndRow();  // unbalanced: harmless
  EXPECT_EQ(name(), "r3");
  EXPECT_EQ(t.ds->RecNo(), 3) << "reading never moved the dataset";

  host.link.SetDataSource(nullptr);
  EXPECT_EQ(rows.DataRowCount(), 0);
}

TEST(DataRowsTest, RowPerRecordReadsThroughTheDatasetsReadingPosition) {
  auto ds = CreateUnique<TTreeTestDataSet>();
  ds->SetFlat(6);
  ds->Open();
  TFakeRowsHost host;
  TGridDataRowsEh rows{&host, &host.link};
  rows.QueryMemTable(ds.get());
  rows.QueryMemTable(ds.get());
  EXPECT_EQ(host.changes, 1) << "only a change is told";
  EXPECT_EQ(host.changedTo, ds.get());
  ASSERT_EQ(rows.MemTable(), static_cast<IMemTableEh*>(ds.get()));
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  host.link.SetDataSource(source.get());
  EXPECT_EQ(rows.DataRowCount(), 6);

  TField* name = ds->FieldByName("NAME");
  {
    TGridRowReadEh outer(rows, 4);
    EXPECT_EQ(name->AsString(), "R5");
    {
      TGridRowReadEh inner(rows, 1);
      EXPECT_EQ(name->AsString(), "R2");
    }
    EXPECT_EQ(name->AsString(), "R5");
    EXPECT_TRUE(rows.IsCurrentRow(0));
  }
  EXPECT_FALSE(ds->Reading());
  EXPECT_EQ(name->AsString(), "R1");

  EXPECT_FALSE(rows.DataSetRemoved(source.get()));
  EXPECT_TRUE(rows.DataSetRemoved(ds.get()));
  EXPECT_EQ(rows.MemTable(), nullptr);
  EXPECT_EQ(host.changes, 1) << "a dataset going away is not told";
  rows.QueryMemTable(nullptr);
  EXPECT_EQ(host.changes, 1);
  rows.QueryMemTable(ds.get());
  EXPECT_TRUE(rows.PerRecord());
  rows.SetFootersShown(true);
  EXPECT_FALSE(rows.PerRecord()) << "footers turn the mode off";
  host.link.SetDataSource(nullptr);
}

TEST(DataRowsTest, RowPerRecordScrollingMovesTheTopRowOnly) {
  auto ds = CreateUnique<TTreeTestDataSet>();
  ds->SetFlat(20);
  ds->Open();
  TFakeRowsHost host;
  TGridDataRowsEh rows{&host, &host.link};
  rows.QueryMemTable(ds.get());
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(ds.get());
  host.link.SetDataSource(source.get());
  EXPECT_EQ(rows.MaxTopRow(), 16);

  struct Case {
    int top;
    int code;
    int thumb;
    bool tracking;
    int newTop;
  };
  const std::vector<Case> cases = {
      {1, SB_LINEUP, 0, false, 1},           {1, SB_LINEDOWN, 0, false, 2},
      {10, SB_PAGEUP, 0, false, 5},          {10, SB_PAGEDOWN, 0, false, 14},
      {10, SB_THUMBTRACK, 3, false, 10},     {10, SB_THUMBTRACK, 3, true, 3},
      {10, SB_THUMBPOSITION, 30, false, 16}, {10, SB_TOP, 0, false, 1},
      {10, SB_BOTTOM, 0, false, 16},         {3, SB_ENDSCROLL, 0, false, 3},
  };
  for (const Case& c : cases) {
    host.top = c.top;
    host.topChanges.clear();
    rows.ScrollRequest(c.code, c.thumb, c.tracking);
    EXPECT_EQ(host.top, c.newTop) << c.code << " from " << c.top;
    EXPECT_EQ(host.topChanges, c.newTop == c.top ? std::vector<int>{} : std::vector<int>{c.top})
        << c.code << " from " << c.top;
  }
  EXPECT_EQ(ds->RecNo(), 1) << "the current record stays";

  host.top = 5;
  rows.Wheel(true, {}, 5);
  EXPECT_EQ(host.top, 6);
  rows.Wheel(false, {ssCtrl}, 5);
  EXPECT_EQ(host.top, 1);
  rows.Wheel(true, {ssShift}, 5);
  EXPECT_EQ(ds->RecNo(), 2) << "Shift moves the record";
  rows.Wheel(true, {ssShift, ssCtrl}, 5);
  EXPECT_EQ(ds->RecNo(), 7);
  host.top = 16;
  rows.Wheel(true, {ssCtrl}, 5);
  EXPECT_EQ(ds->Fetches, std::vector<int>{5}) << "a page down at the end fetches first";

  ds->Fetches.clear();
  host.top = 1;
  rows.FetchStep();
  host.room = 3;
  rows.FetchStep();
  host.room = 0;
  host.top = 16;
  rows.FetchStep();
  EXPECT_EQ(ds->Fetches, (std::vector<int>{3, 1}));

  host.shown = false;
  host.top = 5;
  rows.SafeSetTopRow(9);
  EXPECT_EQ(host.top, 5) << "no window, no scrolling";
  host.link.SetDataSource(nullptr);
}

}  // namespace
