#include "grid/tree_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/data/data_source.h"
#include "tree_data_set.h"

namespace {

struct TTreeHost : TGridDataRowsHostEh {
  TDataLink link;
  void RowsMemTableChanged(TDataSet*) override {}
  bool RowsWindowShown() override { return false; }
  int RowsTopRow() override { return 0; }
  void RowsSetTopRow(int) override {}
  int RowsFixedCount() override { return 0; }
  int RowsTotalCount() override { return 0; }
  int RowsLastFullShown() override { return 0; }
  int RowsFirstShowingWhole(int) override { return 0; }
  int RowsRoomBelow() override { return 0; }
  void RowsTopChanged(int) override {}
};

class TreeRowsUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ds = CreateUnique<TTreeTestDataSet>();
    ds->SetOutline({{"A", 1}, {"A1", 2}, {"A1a", 3}, {"A2", 2}, {"B", 1}, {"B1", 2}}, false);
    ds->Open();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(ds.get());
    host.link.SetDataSource(source.get());
    rows.QueryMemTable(ds.get());
  }
  void TearDown() override { host.link.SetDataSource(nullptr); }
  std::string Current() { return ds->FieldByName("NAME")->AsString(); }

  TObjectPtr<TTreeTestDataSet> ds;
  TObjectPtr<TDataSource> source;
  TTreeHost host;
  TGridDataRowsEh rows{&host, &host.link};
  TGridTreeRowsEh tree{rows};
};

TEST_F(TreeRowsUnitTest, ShapeAndIndentOfTheNodeRead) {
  ASSERT_TRUE(tree.Shown());
  EXPECT_EQ(ds->RowCount(), 2) << "collapsed: A and B";
  const TTreeNodeShapeEh a = tree.NodeShape();
  EXPECT_EQ(a.Level, 1);
  EXPECT_TRUE(a.HasChildren);
  EXPECT_FALSE(a.Expanded);
  EXPECT_EQ(a.HasNextSibling, std::vector<bool>{true});
  int indent = 0;
  bool expanded = true;
  tree.ReadNode(1, indent, expanded);
  EXPECT_EQ(indent, TGridTreeRowsEh::kLevelWidth);
  EXPECT_FALSE(expanded);
  EXPECT_FALSE(ds->Reading());
  ds->ShowTree = false;
  EXPECT_FALSE(tree.Shown());
  EXPECT_EQ(tree.IndentWidth(), 0);
}

TEST_F(TreeRowsUnitTest, ExpandingKeepsTheCurrentRecord) {
  ds->Last();  // B
  tree.NodeClicked(0, false, true);
  EXPECT_EQ(ds->Expansions, (std::vector<std::pair<int, bool>>{{0, true}}));
  EXPECT_EQ(Current(), "B") << "the current record stays";
  EXPECT_FALSE(rows.InTreeExpand());
  tree.NodeClicked(0, true, false);
  EXPECT_EQ(ds->Expansions.size(), 1u) << "a click beside the button changes nothing";

  ds->First();  // A, expanded, with A1 collapsed under it
  ASSERT_TRUE(tree.SetCurrentNodeExpanded(true, true));
  EXPECT_EQ(Current(), "A");
  EXPECT_EQ(ds->RowCount(), 5) << "every node under A opened: A, A1, A1a, A2, B";
  ASSERT_TRUE(tree.SetCurrentNodeExpanded(false, false));
  EXPECT_EQ(ds->RowCount(), 2) << "A closed: A, B";
  ds->Editable = true;
  ds->Edit();
  EXPECT_FALSE(tree.SetCurrentNodeExpanded(true, false)) << "not while editing";
  ds->Cancel();
}

}  // namespace
