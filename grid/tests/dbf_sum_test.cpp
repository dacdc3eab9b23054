// The SUM footer of a grid over a shared register file: totals stay
// right through posts, deletes, a refresh, other users' appends picked up
// at our own append, and records written with the table's events off.
#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include "grid/db_grid.h"
#include "grid/export_text.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
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

// Numbers beyond Currency's range in a damaged file: a column N(5,3)
// holding "1e300" and 15-digit integers. The totals go on in double.
class DbfDamagedSumTest : public GuiTest {
 protected:
  DbfDamagedSumTest() {
    FormatSettings.DecimalSeparator = '.';
    table = CreateUnique<TmDbfTable>();
    table->SetTableName(dir.File("damaged.dbf"));
    a = Create<TFloatField>(table.get());
    a->SetFieldName("A");
    a->SetOrigin("5.3");
    a->SetDataSet(table.get());
    b = Create<TLargeintField>(table.get());
    b->SetFieldName("B");
    b->SetOrigin("15.0");
    b->SetDataSet(table.get());
    table->CreateTable();
    table->Open();
    for (auto [x, y] : {std::pair{1.5, 999999999999999LL}, {2.25, 1LL}, {0.125, 0LL}}) {
      table->Append();
      a->SetAsFloat(x);
      b->SetAsVariant(Variant(static_cast<std::int64_t>(y)));
      table->Post();
    }
    table->Close();
    {
      // The second record's A, as a damaged file has it.
      std::fstream file(dir.File("damaged.dbf"), std::ios::in | std::ios::out | std::ios::binary);
      unsigned char header[12] = {};
      file.read(reinterpret_cast<char*>(header), sizeof header);
      const int headerLength = header[8] | header[9] << 8;
      const int recordLength = header[10] | header[11] << 8;
      file.seekp(headerLength + recordLength + 1);
      file.write("1e300", 5);
    }
    table->Open();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(table.get());
    form = Create<TForm>(nullptr);
    form->SetBounds(0, 0, 500, 300);
    grid = Create<TDBGridEh>(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 200);
    for (const char* name : {"A", "B"}) {
      TColumnEh* column = grid->Columns()->Add();
      column->SetFieldName(name);
      column->Footers()->Add()->SetValueType(fvtSum);
      column->Footers()->Add()->SetValueType(fvtAvg);
      column->Footers()->Add()->SetValueType(fvtCount);
    }
    grid->SetFooterRowCount(3);
    grid->SetDataSource(source.get());
  }
  ~DbfDamagedSumTest() override {
    form->Free();
    source.reset();
  }
  std::string Footers() {
    std::string out;
    for (int column = 0; column < 2; ++column)
      for (int row = 0; row < 3; ++row)
        out += (out.empty() ? "" : " ") + grid->GetFooterValue(row, grid->Columns()->Items(column));
    return out;
  }

  TFileTestDir dir;
  TObjectPtr<TmDbfTable> table;
  TFloatField* a = nullptr;
  TLargeintField* b = nullptr;
  TObjectPtr<TDataSource> source;
  TForm* form = nullptr;
  TDBGridEh* grid = nullptr;
};

TEST_F(DbfDamagedSumTest, NumbersBeyondCurrencyAreSummedInDouble) {
  EXPECT_NO_THROW(grid->SumList()->SetActive(true));
  EXPECT_EQ(Footers(), "1E300 3.33333333333333E299 3 1E15 333333333333333 3");
  // An export sums the footers of its rows the same way.
  TMemoryStream out;
  EXPECT_NO_THROW(WriteDBGridEhToExportStream<TDBGridEhExportAsText>(out, grid, true,
                                                                     TExportTextCodingEh::Utf8));
  const std::string text(static_cast<const char*>(out.Memory()),
                         static_cast<std::size_t>(out.Size()));
  EXPECT_TRUE(text.ends_with("1E300\t1E15\r\n3.33333333333333E299\t333333333333333\r\n3\t3"))
      << text;
  // Edits and deletes keep them, and an exact total comes back once the
  // damage is gone.
  table->First();
  table->Edit();
  a->SetAsFloat(4);
  EXPECT_NO_THROW(table->Post());
  EXPECT_EQ(Footers(), "1E300 3.33333333333333E299 3 1E15 333333333333333 3");
  table->Next();
  EXPECT_NO_THROW(table->Edit());
  a->SetAsFloat(8);
  EXPECT_NO_THROW(table->Post());
  EXPECT_EQ(Footers(), "12.125 4.0417 3 1E15 333333333333333 3");
  table->First();
  EXPECT_NO_THROW(table->Delete());
  EXPECT_EQ(Footers(), "8.125 4.0625 2 1 0.5 2");
  grid->SumList()->SetActive(false);
}

// On screen, every cell of those numbers draws, and the passes that turn
// the controls off (and so picture the grid) still total them.
TEST_F(DbfDamagedSumTest, AShownGridDrawsThemAndStillTotalsThem) {
  form->Show();
  auto painted = [&] {
    TRecordingCanvas canvas;
    PaintTopLevel(form->Handle(), canvas, {});
    std::string out;
    for (const TCanvasRecord& r : canvas.TakeRecords())
      if (r.Kind == TRecordKind::Text) out += r.Text + " ";
    return out;
  };
  EXPECT_EQ(painted(), "A B 1.5 999999999999999 1E300 1 0.125 0 0 0 0 0 0 0 ");
  EXPECT_NO_THROW(grid->SumList()->SetActive(true));
  EXPECT_EQ(Footers(), "1E300 3.33333333333333E299 3 1E15 333333333333333 3");
  // A post whose totals need a new pass stores the record and says nothing.
  table->Last();
  table->Edit();
  b->SetAsVariant(Variant(static_cast<std::int64_t>(5)));
  EXPECT_NO_THROW(table->Post());
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Footers(), "1E300 3.33333333333333E299 3 1.00000000000001E15 333333333333335 3");
  EXPECT_NE(painted().find("1E300 1 0.125 5 1E300"), std::string::npos) << painted();
}

}  // namespace
