// A column's grid follows the collection the column is in.
#include "grid/columns.h"

#include <gtest/gtest.h>

#include "grid/db_grid.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

class ColumnsTest : public GuiTest {};

TEST_F(ColumnsTest, AColumnAnswersTheGridOfItsCollection) {
  TDBGridEh* first = Create<TDBGridEh>(nullptr);
  TDBGridEh* second = Create<TDBGridEh>(nullptr);
  TColumnEh* column = first->Columns()->Add();
  EXPECT_EQ(column->Grid(), first);
  column->SetCollection(second->Columns());
  EXPECT_EQ(column->Grid(), second);
  column->SetCollection(nullptr);
  EXPECT_EQ(column->Grid(), nullptr);
  column->SetCollection(first->Columns());
  EXPECT_EQ(column->Grid(), first);
  first->Free();
  second->Free();
}

}  // namespace
