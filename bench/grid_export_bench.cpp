// Export, copy and paste of the data grid over a 100,000-record register
// of 23 columns with two-level titles: CSV and RTF of the whole grid,
// copying 10,000 selected rows to the clipboard in all its formats, and
// pasting them as VCLDBIF into an in-memory table.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "grid/export_rtf.h"
#include "grid/export_text.h"
#include "grid/export_vcldbif.h"
#include "grid/grid_clipboard.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/forms.h"
#include "storage/dbf_table.h"
#include "storage/mem_ds.h"

#include "grid_register_fixture.h"

namespace {

using grid_bench::MakeRegister;

// The shared register's fields and a few more, so that every export writes
// texts and dates in most columns.
const std::string& Register100k() {
  static const std::string file =
      grid_bench::WriteRegister100k("mebrath-export-bench.001", [](TDataSet& t, int i) {
        grid_bench::FillCommonFields(t, i);
        t.FieldByName("SNILS")->SetAsString("123-456-789 01");
        t.FieldByName("BDATE")->SetAsDateTime(30000 + i % 5000);
        t.FieldByName("NDOC")->SetAsString("123456");
        t.FieldByName("SDOC")->SetAsString("45 06");
      });
  return file;
}

// The full-screen register grid over `ds`, with its own data source.
struct TGridOn {
  explicit TGridOn(TDataSet* ds) : source(CreateUnique<TDataSource>()) {
    source->SetDataSet(ds);
    screen = std::make_unique<grid_bench::TGridScreen>(source.get());
    grid = screen->grid;
  }
  TObjectPtr<TDataSource> source;
  std::unique_ptr<grid_bench::TGridScreen> screen;
  TDBGridEh* grid;
};

struct TOpenRegister {
  TOpenRegister() : table(MakeRegister(Register100k())) { table->Open(); }
  TObjectPtr<TmDbfTable> table;
};

template <class Export>
void ExportWhole(benchmark::State& state) {
  TOpenRegister reg;
  TGridOn on(reg.table.get());
  TMemoryStream stream;
  for (auto _ : state) {
    stream.Clear();
    WriteDBGridEhToExportStream<Export>(stream, on.grid, true);
    benchmark::DoNotOptimize(stream.Memory());
  }
  state.counters["bytes"] = static_cast<double>(stream.Size());
}

void SelectFirstRows(TDBGridEh* grid, TDataSet* ds, int count) {
  ds->First();
  for (int i = 0; i < count && !ds->Eof(); ++i, ds->Next())
    grid->SelectedRows()->SetCurrentRowSelected(true);
}

}  // namespace

static void BM_GridExportCsv100k(benchmark::State& state) {
  ExportWhole<TDBGridEhExportAsCSV>(state);
}
BENCHMARK(BM_GridExportCsv100k)->Unit(benchmark::kMillisecond);

static void BM_GridExportRtf100k(benchmark::State& state) {
  ExportWhole<TDBGridEhExportAsRTF>(state);
}
BENCHMARK(BM_GridExportRtf100k)->Unit(benchmark::kMillisecond);

static void BM_GridCopy10kRows(benchmark::State& state) {
  TOpenRegister reg;
  TGridOn on(reg.table.get());
  SelectFirstRows(on.grid, reg.table.get(), 10000);
  for (auto _ : state) {
    DBGridEh_DoCopyAction(on.grid, false);
    benchmark::DoNotOptimize(Clipboard().HasFormat(VCLDBIFClipboardFormat()));
  }
}
BENCHMARK(BM_GridCopy10kRows)->Unit(benchmark::kMillisecond);

static void BM_GridPasteVcldbif10kIntoMemory(benchmark::State& state) {
  TOpenRegister reg;
  std::string payload;
  {
    TGridOn on(reg.table.get());
    SelectFirstRows(on.grid, reg.table.get(), 10000);
    TMemoryStream stream;
    WriteDBGridEhToExportStream<TDBGridEhExportAsVCLDBIF>(stream, on.grid, false);
    payload.assign(static_cast<const char*>(stream.Memory()),
                   static_cast<std::size_t>(stream.Size()));
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto mem = CreateUnique<TmemDs>();
    grid_bench::AddRegisterFields(mem.get());
    mem->Open();
    auto on = std::make_unique<TGridOn>(mem.get());
    TMemoryStream stream;
    stream.WriteBuffer(payload.data(), static_cast<std::int64_t>(payload.size()));
    stream.SetPosition(0);
    state.ResumeTiming();
    ReadDBGridEhFromImportStream<TDBGridEhImportAsVCLDBIF>(stream, on->grid, true);
    state.PauseTiming();
    if (mem->RecordCount() != 10000) state.SkipWithError("rows lost");
    on.reset();
    mem.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_GridPasteVcldbif10kIntoMemory)->Unit(benchmark::kMillisecond);

// What every export of the whole register pays before writing a byte:
// walking the records and formatting each cell's display text.
static void BM_GridExportBaselineWalk100k(benchmark::State& state) {
  TOpenRegister reg;
  TGridOn on(reg.table.get());
  TDataSet* ds = reg.table.get();
  for (auto _ : state) {
    std::size_t total = 0;
    ds->DisableControls();
    for (ds->First(); !ds->Eof(); ds->Next())
      for (TColumnEh* column : on.grid->VisibleColumns())
        total += column->GetCellDisplayText().size();
    ds->EnableControls();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_GridExportBaselineWalk100k)->Unit(benchmark::kMillisecond);
