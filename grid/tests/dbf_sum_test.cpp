// The SUM footer of a grid over a shared register file: totals stay
// right through posts, deletes, a refresh, other users' appends picked up
// at our own append, and records written with the table's events off.
#include <gtest/gtest.h>

#include "grid/db_grid.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "storage/dbf_table.h"

namespace {

class DbfSumTest : public GuiTest {
 protected:
  DbfSumTest() {
    FormatSettings.DecimalSeparator = '.';
    name = dir.File("reg.001");
    MakeTable()->CreateTable();
    mine = MakeTable();
    mine->Open();
    theirs = MakeTable();
    theirs->Open();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(mine.get());
    form = Create<TForm>(nullptr);
    form->SetBounds(0, 0, 500, 300);
    grid = Create<TDBGridEh>(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 200);
    TColumnEh* sum = grid->Columns()->Add();
    sum->SetFieldName("SUMMA");
    sum->Footer()->SetValueType(fvtSum);
    grid->SetFooterRowCount(1);
    grid->SetDataSource(source.get());
    grid->SumList()->SetActive(true);
    form->Show();
  }
  ~DbfSumTest() override {
    form->Free();
    source.reset();
  }
  TObjectPtr<TmDbfTable> MakeTable() {
    auto t = CreateUnique<TmDbfTable>();
    t->SetName("Reg");
    t->SetTableName(name);
    auto* n = Create<TIntegerField>(t.get());
    n->SetFieldName("N");
    n->SetOrigin("7.0");
    n->SetDataSet(t.get());
    auto* s = Create<TFloatField>(t.get());
    s->SetFieldName("SUMMA");
    s->SetOrigin("10.2");
    s->SetDataSet(t.get());
    t->SetExclusive(false);
    t->LockWait = [](int) {};
    return t;
  }
  static void Add(TmDbfTable& t, int n, double sum) {
    t.Append();
    t.FieldByName("N")->SetAsInteger(n);
    t.FieldByName("SUMMA")->SetAsFloat(sum);
    t.Post();
  }
  std::string Total() { return grid->GetFooterValue(0, grid->Columns()->Items(0)); }

  TFileTestDir dir;
  std::string name;
  TObjectPtr<TmDbfTable> mine, theirs;
  TObjectPtr<TDataSource> source;
  TForm* form = nullptr;
  TDBGridEh* grid = nullptr;
};

TEST_F(DbfSumTest, TotalsFollowPostsDeletesAndRefresh) {
  Add(*mine, 1, 100.25);
  Add(*mine, 2, 200.5);
  EXPECT_EQ(Total(), "300.75");
  mine->First();
  mine->Edit();
  mine->FieldByName("SUMMA")->SetAsFloat(50);
  mine->Post();
  EXPECT_EQ(Total(), "250.5");
  mine->Delete();
  EXPECT_EQ(Total(), "200.5");
  Add(*theirs, 3, 1000);
  mine->Refresh();
  EXPECT_EQ(Total(), "1200.5") << "a refresh brings others' records into the total";
}

TEST_F(DbfSumTest, OthersAppendsPickedUpAtOurAppendAreCounted) {
  Add(*mine, 1, 10);
  Add(*theirs, 2, 20);
  Add(*theirs, 3, 30);
  Add(*mine, 4, 40);  // our append brings theirs in too
  EXPECT_EQ(mine->RecordCount(), 4);
  EXPECT_EQ(Total(), "100");
  EXPECT_EQ(mine->FieldByName("N")->AsInteger(), 4) << "the pass kept our place";
}

TEST_F(DbfSumTest, RecordsWrittenWithEventsOffAreCountedWhenTheyComeBackOn) {
  Add(*mine, 1, 10);
  mine->SetEventsOff(true);
  Add(*mine, 2, 20);
  Add(*mine, 3, 30);
  mine->SetEventsOff(false);
  EXPECT_EQ(Total(), "60");
}

}  // namespace
