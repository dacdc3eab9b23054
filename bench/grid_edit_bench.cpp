// Editing in the data grid: showing the cell editor and dropping down its
// calendar and pick list on a card's child grid; the find dialog's search
// (no match, every column, anywhere in the text) and fitting every column
// to its data over a 100,000-record register of 23 columns.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "grid/db_grid.h"
#include "grid/find_dialog.h"
#include "grid/inplace_edit.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/gui/forms.h"
#include "platform/qt/qt_host.h"
#include "storage/dbf_table.h"
#include "storage/mem_ds.h"

#include "grid_register_fixture.h"

namespace {

void InstallHost() {
  static bool done = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "mebrath_bench";
    static char* argv[] = {name, nullptr};
    InstallQtHost(argc, argv);
    return true;
  }();
  (void)done;
}

using grid_bench::AddField;
using grid_bench::MakeRegister;

// The shared register with two surnames taking turns, for the searches.
const std::string& Register100k() {
  static const std::string file =
      grid_bench::WriteRegister100k("mebrath-grid-edit-bench.001", [](TDataSet& t, int i) {
        grid_bench::FillCommonFields(t, i);
        t.FieldByName("LNAME")->SetAsString(i % 2 ? "Иванова" : "Петрова");
      });
  return file;
}

struct TRegisterGrid {
  TRegisterGrid() : table(MakeRegister(Register100k())), source(CreateUnique<TDataSource>()) {
    InstallHost();
    table->Open();
    source->SetDataSet(table.get());
    form = Create<TForm>(nullptr);
    form->SetBounds(0, 0, 1920, 1080);
    grid = Create<TDBGridEh>(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    for (const grid_bench::TColumnDef& c : grid_bench::kColumns)
      grid->Columns()->Add()->SetFieldName(c.Name);
    grid->SetDataSource(source.get());
    form->Show();
    table->MoveBy(50000);
  }
  ~TRegisterGrid() {
    form->Free();
    source.reset();
  }
  TObjectPtr<TmDbfTable> table;
  TObjectPtr<TDataSource> source;
  TForm* form;
  TDBGridEh* grid;
};

// The child grid of a coupon card: sex, weight, date of birth.
struct TChildGrid {
  TChildGrid() {
    InstallHost();
    FormatSettings.DecimalSeparator = '.';
    ds = CreateUnique<TmemDs>();
    AddField(ds.get(), "SEX", 'S', 1);
    AddField(ds.get(), "WEIGHT", 'F', 0);
    AddField(ds.get(), "BORN", 'D', 0);
    ds->Open();
    ds->Append();
    ds->FieldByName("SEX")->SetAsString("М");
    ds->FieldByName("WEIGHT")->SetAsFloat(3.45);
    ds->Post();
    source = CreateUnique<TDataSource>();
    source->SetDataSet(ds.get());
    form = Create<TForm>(nullptr);
    form->SetBounds(0, 0, 600, 300);
    grid = Create<TDBGridEh>(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    for (const char* name : {"SEX", "WEIGHT", "BORN"}) grid->Columns()->Add()->SetFieldName(name);
    grid->Columns()->Items(0)->PickList()->SetText("М\nЖ");
    grid->Columns()->Items(1)->SetEditMask("9.999;1; ");
    grid->SetDataSource(source.get());
    form->Show();
    form->SetActiveControl(grid);
    grid->SetFocus();
  }
  ~TChildGrid() {
    form->Free();
    source.reset();
  }
  TDBGridInplaceEdit* Edit(int column) {
    grid->SetSelectedIndex(column);
    grid->SetEditorMode(true);
    return dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  }
  TObjectPtr<TmemDs> ds;
  TObjectPtr<TDataSource> source;
  TForm* form;
  TDBGridEh* grid;
};

}  // namespace

static void BM_GridEditorShow(benchmark::State& state) {
  TChildGrid g;
  g.grid->SetSelectedIndex(0);
  for (auto _ : state) {
    g.grid->SetEditorMode(true);
    g.grid->SetEditorMode(false);
  }
}
BENCHMARK(BM_GridEditorShow)->Unit(benchmark::kMicrosecond);

static void BM_GridEditorDropDownCalendar(benchmark::State& state) {
  TChildGrid g;
  TDBGridInplaceEdit* e = g.Edit(2);
  for (auto _ : state) {
    e->DropDown();
    e->CloseUp(false);
  }
}
BENCHMARK(BM_GridEditorDropDownCalendar)->Unit(benchmark::kMicrosecond);

static void BM_GridEditorDropDownPickList(benchmark::State& state) {
  TChildGrid g;
  TDBGridInplaceEdit* e = g.Edit(0);
  for (auto _ : state) {
    e->DropDown();
    e->CloseUp(false);
  }
}
BENCHMARK(BM_GridEditorDropDownPickList)->Unit(benchmark::kMicrosecond);

static void BM_GridFindNoMatch100k(benchmark::State& state) {
  TRegisterGrid g;
  TDBGridFindEngineEh engine;
  engine.SetGrid(g.grid);
  std::vector<TColumnEh*> all;
  for (int i = 0; i < g.grid->Columns()->Count(); ++i) all.push_back(g.grid->Columns()->Items(i));
  TDBGridFindOptionsEh options;
  options.Pattern = "Сидорова";
  options.Match = fmAnywhereEh;
  options.Direction = fdAllEh;
  for (auto _ : state) {
    engine.SetColumns(all, fdAllEh);
    benchmark::DoNotOptimize(engine.FindNext(options));
  }
}
BENCHMARK(BM_GridFindNoMatch100k)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_GridOptimalWidths100k(benchmark::State& state) {
  TRegisterGrid g;
  g.grid->SetOptionsEh(g.grid->OptionsEh() + TDBGridEhOptions{dghOptimizeWidthByData});
  std::vector<TColumnEh*> all;
  for (int i = 0; i < g.grid->Columns()->Count(); ++i) all.push_back(g.grid->Columns()->Items(i));
  for (auto _ : state) g.grid->OptimizeColsWidth(all);
}
BENCHMARK(BM_GridOptimalWidths100k)->Unit(benchmark::kMillisecond)->Iterations(3);
