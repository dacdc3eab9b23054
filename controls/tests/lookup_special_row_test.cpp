#include "controls/lookup_special_row.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

std::vector<std::string> Cells(const std::string& text) {
  TSpecRowEh row(nullptr);
  row.SetCellsText(text);
  std::vector<std::string> cells;
  for (int i = 0; i < row.CellCount(); ++i) cells.push_back(row.CellText(i));
  return cells;
}

TEST(SpecRow, SplitsCellsText) {
  struct Case {
    std::string text;
    std::vector<std::string> cells;
  };
  const Case cases[] = {
      {"", {}},
      {"<нет>", {"<нет>"}},
      {"a;\"b;c\";d", {"a", "b;c", "d"}},
      {" a ; b ", {" a ", " b "}},
      {"\"say \"\"hi\"\"\";x", {"say \"hi\"", "x"}},
      {"\r\na\r\n;\tb", {"a", "b"}},
      {"a;;b", {"a", "", "b"}},
      {"a;", {"a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Cells(c.text), c.cells) << c.text;
  TSpecRowEh row(nullptr);
  row.SetCellsText("a;b");
  EXPECT_EQ(row.CellText(5), "");
  EXPECT_EQ(row.CellText(-1), "");
}

class SpecRowTest : public StdControlsTest {};

TEST_F(SpecRowTest, ColourAndFontFollowTheOwnerUntilAssigned) {
  TKeyTaker* owner = Create<TKeyTaker>(Form);
  owner->SetColor(clYellow);
  TSpecRowEh row(owner);
  int changes = 0;
  row.OnChanged = [&](TObject*) { ++changes; };
  EXPECT_EQ(row.Color(), clYellow);
  owner->Font()->SetName("Arial");
  EXPECT_EQ(row.Font()->Name(), "Arial");
  owner->Font()->SetName("Courier New");
  EXPECT_EQ(row.Font()->Name(), "Courier New");
  EXPECT_FALSE(row.FontAssigned());
  EXPECT_EQ(changes, 0) << "reading the owner's font is no change";
  row.Font()->SetName("Times New Roman");
  EXPECT_TRUE(row.FontAssigned());
  owner->Font()->SetName("Arial");
  EXPECT_EQ(row.Font()->Name(), "Times New Roman");
  row.SetColor(clRed);
  owner->SetColor(clBlue);
  EXPECT_EQ(row.Color(), clRed);
  EXPECT_EQ(changes, 2);
}

TEST_F(SpecRowTest, DefaultsUpdatesAndAssign) {
  TSpecRowEh row(nullptr);
  EXPECT_EQ(row.ShortCut(), ShortCut(VK_DELETE, {ssAlt}));
  EXPECT_TRUE(row.ShowIfNotInKeyList());
  EXPECT_TRUE(VarIsNull(row.Value()));
  EXPECT_FALSE(row.Visible());
  int changes = 0;
  row.OnChanged = [&](TObject*) { ++changes; };
  row.BeginUpdate();
  row.SetVisible(true);
  row.SetValue(0);
  row.SetCellsText("x;y");
  EXPECT_EQ(changes, 0);
  row.EndUpdate();
  EXPECT_EQ(changes, 1);
  TSpecRowEh copy(nullptr);
  int copyChanges = 0;
  copy.OnChanged = [&](TObject*) { ++copyChanges; };
  copy.Assign(&row);
  EXPECT_EQ(copyChanges, 1);
  EXPECT_TRUE(copy.Visible());
  EXPECT_EQ(copy.Value().AsInteger(), 0);
  EXPECT_EQ(copy.CellText(1), "y");
  EXPECT_FALSE(copy.FontAssigned()) << "the source had no font of its own";
}

}  // namespace
