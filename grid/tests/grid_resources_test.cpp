#include "grid/grid_resources.h"

#include <gtest/gtest.h>

#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

class GridResourcesTest : public GuiTest {
 protected:
  GridResourcesTest() {
    Form = Create<TForm>(nullptr);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 400, 200);
  }
  ~GridResourcesTest() override { Form->Free(); }
  TForm* Form;
  TDBGridEh* Grid;
};

TEST_F(GridResourcesTest, PicturesAndCursorsByName) {
  for (const char* name : {"DBGARROWEH", "DBEDITEH", "DBINSERTEH", "DBMULTIDOTEH", "DBMULTIARROWEH",
                           "DBGARROWEHW", "DBSMDOWNEH", "DBSMUPEH"})
    EXPECT_NE(GridBitmap(name), nullptr) << name;
  EXPECT_EQ(GridBitmap("NOPE"), nullptr);
  EXPECT_EQ(GridIndicatorImages()->Count(), 7);
  EXPECT_EQ(GridSortMarkerImages()->Count(), 2);
  EXPECT_EQ(GridSortIndexFont()->Height(), 1 - GridBitmap("DBSMDOWNEH")->Height());
  for (const char* name : {"DOWNCUREH", "RIGHTCUREH", "LEFTCUREH"})
    EXPECT_NE(GridCursor(name), nullptr) << name;
  try {
    GridCursor("MISSING");
    FAIL();
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Cannot load cursor resource");
  }
}

TEST_F(GridResourcesTest, CursorChoiceFollowsTheHitState) {
  TGridCursorQuery base;
  base.MultiSelect = true;
  base.DataSetActive = true;
  base.RecordSelectionAllowed = true;
  base.ColumnSelectionAllowed = true;
  base.TitleHeight = 20;
  struct Case {
    const char* what;
    std::function<void(TGridCursorQuery&)> set;
    TGridCursorEh expected;
  };
  const std::vector<Case> cases = {
      {"designing", [](auto& q) { q.Designing = true; }, gcArrow},
      {"row sizing", [](auto& q) { q.RowSizing = true; }, gcHSplit},
      {"indicator of a data row", [](auto& q) { q.OverDataIndicator = true; }, gcSelectRow},
      {"indicator, empty dataset",
       [](auto& q) {
         q.OverDataIndicator = true;
         q.DataSetEmpty = true;
       },
       gcPlatform},
      {"title bottom",
       [](auto& q) {
         q.OverTitle = true;
         q.YInTitle = 14;
       },
       gcSelectColumn},
      {"title top",
       [](auto& q) {
         q.OverTitle = true;
         q.YInTitle = 5;
       },
       gcPlatform},
      {"low title",
       [](auto& q) {
         q.OverTitle = true;
         q.TitleHeight = 6;
       },
       gcSelectColumn},
      {"without multi-select",
       [](auto& q) {
         q.MultiSelect = false;
         q.OverDataIndicator = true;
       },
       gcPlatform},
  };
  for (const Case& c : cases) {
    TGridCursorQuery q = base;
    c.set(q);
    EXPECT_EQ(ChooseGridCursor(q), c.expected) << c.what;
  }
}

TEST_F(GridResourcesTest, ColumnsIndexRoundTripsAndSkipsUnknownNames) {
  for (const char* f : {"A", "B", "C"}) Grid->Columns()->Add()->SetFieldName(f);
  TColumnsEhPropertyInterceptor order(Grid->Columns());
  EXPECT_EQ(order.ColumnsIndex(), "\"A\",\"B\",\"C\"");
  order.SetColumnsIndex("\"C\",\"X\",\"A\"");
  EXPECT_EQ(order.ColumnsIndex(), "\"C\",\"B\",\"A\"");
  // A name given twice moves the same column twice: the later place wins.
  order.SetColumnsIndex("\"B\",\"B\",\"c\"");
  EXPECT_EQ(order.ColumnsIndex(), "\"C\",\"B\",\"A\"");
}

TEST_F(GridResourcesTest, StoredWidthUnderAutoFitChangesTheShareOnly) {
  TColumnEh* a = Grid->Columns()->Add();
  TColumnEh* b = Grid->Columns()->Add();
  a->SetWidth(100);
  b->SetWidth(100);
  Grid->SetAutoFitColWidths(true);
  const int before = a->Width();
  TColumnEhPropertyInterceptor width(a);
  width.SetWidth(300);
  EXPECT_EQ(a->AutoFitWidth(), 300);
  EXPECT_GT(a->Width(), before) << "the proportions changed";
  Grid->SetAutoFitColWidths(false);
  width.SetWidth(55);
  EXPECT_EQ(a->Width(), 55);
}

TEST_F(GridResourcesTest, DataServiceCallsAHandlerOrDoesNothing) {
  TDBGridEhDataService* service = DBGridEhDataService();
  int sorted = 0;
  service->ApplySorting(Grid);
  service->OnApplySorting = [&](TCustomDBGridEh* g) { sorted += g == Grid; };
  service->ApplySorting(Grid);
  service->OnApplySorting = nullptr;
  EXPECT_EQ(sorted, 1);
  int target = 1;
  EXPECT_FALSE(service->MoveRecords(Grid, {}, target, true));
}

}  // namespace
