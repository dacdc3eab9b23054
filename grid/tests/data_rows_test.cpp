#include "grid/data_rows.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "tree_data_set.h"

namespace {

struct TFakeRowsHost : TGridDataRowsHostEh {
  TDataLink link;
  bool perRecord = false;
  int changes = 0;
  TDataSet* changedTo = nullptr;

  TDataLink* RowsLink() override { return &link; }
  bool RowsPerRecord() override { return perRecord; }
  void RowsMemTableChanged(TDataSet* dataSet) override {
    ++changes;
    changedTo = dataSet;
  }
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
  TGridDataRowsEh rows{&host};
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
  TGridDataRowsEh rows{&host};
  rows.QueryMemTable(ds.get());
  rows.QueryMemTable(ds.get());
  EXPECT_EQ(host.changes, 1) << "only a change is told";
  EXPECT_EQ(host.changedTo, ds.get());
  ASSERT_EQ(rows.MemTable(), static_cast<IMemTableEh*>(ds.get()));
  host.perRecord = true;
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
  host.link.SetDataSource(nullptr);
}

}  // namespace
