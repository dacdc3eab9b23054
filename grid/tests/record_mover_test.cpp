#include "grid/record_mover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Rows of 10 pixels from y = 20 (rows 1..5 shown), data rows from row 1.
struct TFakeMoverHost : TGridRecordMoverHostEh {
  bool allow = true;
  bool shown = true;
  int first = 1;
  int last = 5;
  int scrolledSource = 0;
  std::vector<std::string> log;

  bool RecordMovingCanBegin(int& origin, int& destination, TPoint) override {
    log.push_back("ask " + std::to_string(origin) + ">" + std::to_string(destination));
    return allow;
  }
  void RecordMovingBegan() override { log.push_back("began"); }
  void RecordMovingEnded() override { log.push_back("ended"); }
  int RecordMovingDropPos(int row, TPoint at, int& level) override {
    level = at.X / 18 + 1;  // a tree: the level follows the pointer
    return row * 100 + (level - 1) * 18;
  }
  bool RecordMovingDrawLine(int row, bool before, int x) override {
    if (!shown) return false;
    log.push_back("line " + std::to_string(row) + (before ? " before " : " after ") +
                  std::to_string(x));
    return true;
  }
  void RecordMovingRows(int& f, int& l) override {
    f = first;
    l = last;
  }
  int RecordMovingScrollDirection(int y, int) override { return y < 20 ? -1 : (y >= 70 ? 1 : 0); }
  int RecordMovingScroll(int direction, const std::string&, int) override {
    log.push_back("scroll " + std::to_string(direction));
    return scrolledSource;
  }
  int RecordMovingRowAt(int, int y, bool& above) override {
    above = y < 20;
    const int row = (std::max(0, y) - 20) / 10 + 1;
    return y >= 20 && row <= 7 ? row : -1;
  }
};

TEST(RecordMoverTest, ADragDrawsMovesAndErasesItsLine) {
  TFakeMoverHost host;
  TGridRecordMoverEh mover{&host};
  ASSERT_TRUE(mover.Begin(3, 1, "b3", {5, 45}));
  EXPECT_TRUE(mover.Dragging());
  EXPECT_TRUE(mover.LineShown());
  EXPECT_EQ(host.log, (std::vector<std::string>{"ask 3>3", "began", "line 3 before 300"}));

  struct Step {
    int x, y;
    std::vector<std::string> log;
    int targetRow, targetLevel;
  };
  const std::vector<Step> steps = {
      // Within the same cell and level: nothing is redrawn.
      {6, 46, {}, 3, 1},
      // Below the source: after the row; one level deeper.
      {20, 55, {"line 3 before 300", "line 4 after 418"}, 4, 2},
      // Past the last row: the rows scroll, the target is the last row.
      {0, 90, {"line 4 after 418", "scroll 1", "line 5 before 500"}, 5, 1},
      // Above the rows: they scroll back, the target is the first row.
      {0, 5, {"line 5 before 500", "scroll -1", "line 1 before 100"}, 1, 1},
  };
  for (const Step& s : steps) {
    host.log.clear();
    host.scrolledSource = 5;  // after a scroll the dragged record shows on row 5
    mover.Track(s.x, s.y);
    EXPECT_EQ(host.log, s.log) << s.x << "," << s.y;
    EXPECT_EQ(mover.TargetRow(), s.targetRow) << s.x << "," << s.y;
    EXPECT_EQ(mover.TargetLevel(), s.targetLevel) << s.x << "," << s.y;
  }
  EXPECT_EQ(mover.SourceRow(), 5);
  EXPECT_TRUE(mover.TargetMoved());

  host.log.clear();
  mover.End();
  EXPECT_EQ(host.log, (std::vector<std::string>{"line 1 before 100", "ended"}));
  EXPECT_FALSE(mover.Dragging());
  EXPECT_FALSE(mover.LineShown());
  host.log.clear();
  mover.End();
  mover.Track(0, 40);
  EXPECT_TRUE(host.log.empty()) << "no drag: nothing happens";
}

TEST(RecordMoverTest, AVetoOrAHiddenRowLeavesNoLine) {
  TFakeMoverHost host;
  TGridRecordMoverEh mover{&host};
  host.allow = false;
  EXPECT_FALSE(mover.Begin(2, -1, "b2", {0, 35}));
  EXPECT_FALSE(mover.Dragging());
  EXPECT_EQ(mover.SourceRow(), 2);
  EXPECT_FALSE(mover.TargetMoved());

  host.allow = true;
  host.shown = false;
  ASSERT_TRUE(mover.Begin(2, -1, "b2", {0, 35}));
  EXPECT_FALSE(mover.LineShown()) << "a line not drawn is not erased later";
  host.shown = true;
  host.log.clear();
  mover.End();
  EXPECT_EQ(host.log, (std::vector<std::string>{"ended"}));
}

}  // namespace

// The drop level on a tree: source row 3 at level 2; rows of levels
// (row, prev, next) as the grid reads them; 18 pixels a level.
TEST(RecordMoverTest, TheDropLevelFollowsThePointerWithinWhatTheTreeAllows) {
  TFakeMoverHost host;
  TGridRecordMoverEh mover{&host};
  ASSERT_TRUE(mover.Begin(3, 2, "b3", {20, 45}));
  struct Case {
    int row, offset, node, prev, next, level;
  };
  for (const Case& c : std::vector<Case>{
           {1, 0, 1, 0, 2, 1},    // above: a sibling of the row...
           {1, 90, 1, 0, 2, 1},   // ...no row above: no deeper
           {2, 90, 1, 1, 2, 2},   // ...or a child of the row above
           {2, -30, 2, 1, 2, 2},  // left of the area: the row's own level
           {4, 0, 2, 2, 1, 1},    // below: down to the next row's level...
           {4, 90, 2, 2, 1, 3},   // ...up to a child of the row
           {4, 0, 0, 0, 0, 1},    // levels below 1 read as 1
           {3, 90, 2, 1, 3, 2},   // the source row keeps the record's level
       }) {
    EXPECT_EQ(mover.DropLevel(c.row, c.offset, 18, c.node, c.prev, c.next), c.level)
        << "row " << c.row << " offset " << c.offset;
  }
}
