// The data grid over a 100,000-record register (23 columns, two-level
// titles, one SUM footer) at full screen (1920 x 1080): painting a frame
// into the recording canvas (the grid's own work) and with the Qt canvas,
// opening the grid on the open table including the first full pass of the
// sum list, and what keeping the SUM footer current adds to a post.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "grid/db_grid.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "storage/dbf_table.h"

#include "grid_register_fixture.h"

namespace {

using namespace grid_bench;

void InstallOffscreenHost() {
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

}  // namespace

static void BM_DBGridPaintFullScreen(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  reg.table->MoveBy(50000);
  TRecordingCanvas canvas;
  const TRect all{0, 0, 1920, 1080};
  for (auto _ : state) {
    canvas.Clear();
    PaintTopLevel(screen.form->Handle(), canvas, all);
    benchmark::DoNotOptimize(canvas.Records().size());
  }
}
BENCHMARK(BM_DBGridPaintFullScreen)->Unit(benchmark::kMillisecond);

static void BM_DBGridPaintFullScreenQt(benchmark::State& state) {
  InstallOffscreenHost();
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  reg.table->MoveBy(50000);
  QImage image(1920, 1080, QImage::Format_RGB32);
  const TRect all{0, 0, 1920, 1080};
  {
    TQtCanvas canvas(&image);
    for (auto _ : state) {
      PaintTopLevel(screen.form->Handle(), canvas, all);
      benchmark::DoNotOptimize(image.constBits());
    }
  }
}
BENCHMARK(BM_DBGridPaintFullScreenQt)->Unit(benchmark::kMillisecond);

// Making the grid and binding it to the open table, with the sum list's
// first pass over every record.
static void BM_DBGridOpenWithSums(benchmark::State& state) {
  TOpenRegister reg(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TGridScreen screen(reg.source.get());
    benchmark::DoNotOptimize(screen.grid->SumList()->SumCollection()->Items(0)->SumValue());
  }
}
BENCHMARK(BM_DBGridOpenWithSums)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Edit and post of a random record's sum, with and without the SUM
// footer's sum list: the difference is what keeping the total costs.
static void PostRandomEdits(benchmark::State& state, bool withSums) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get(), withSums);
  std::mt19937 random(7);
  TField* sum = reg.table->FieldByName("SUMMA");
  for (auto _ : state) {
    state.PauseTiming();
    reg.table->SetRecNo(static_cast<int>(random() % 100000) + 1);
    state.ResumeTiming();
    reg.table->Edit();
    sum->SetAsFloat(sum->AsFloat() + 1);
    reg.table->Post();
  }
}
static void BM_DBGridPostWithSumFooter(benchmark::State& state) { PostRandomEdits(state, true); }
static void BM_DBGridPostWithoutSumList(benchmark::State& state) { PostRandomEdits(state, false); }
BENCHMARK(BM_DBGridPostWithSumFooter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBGridPostWithoutSumList)->Unit(benchmark::kMicrosecond);

// The sum list's own work on a post, alone: the handler it puts on the
// table's AfterPost (the totals, the footer's repaint request, the check
// for records that appeared behind its back).
static void BM_DBGridSumFooterAfterPost(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  reg.table->MoveBy(50000);
  reg.table->Edit();
  reg.table->Cancel();  // the record's share is captured
  const TDataSetNotifyEvent afterPost = reg.table->AfterPost;
  for (auto _ : state) afterPost(reg.table.get());
  benchmark::DoNotOptimize(screen.grid->SumList()->SumCollection()->Items(0)->SumValue());
}
BENCHMARK(BM_DBGridSumFooterAfterPost)->Unit(benchmark::kMicrosecond);

// Paging down through the register: the dataset moves by a screenful and
// the grid paints the new rows (recording canvas).
static void BM_DBGridPageDownAndPaint(benchmark::State& state) {
  TOpenRegister reg;
  TGridScreen screen(reg.source.get());
  TRecordingCanvas canvas;
  const TRect all{0, 0, 1920, 1080};
  const int page = screen.grid->VisibleDataRowCount();
  for (auto _ : state) {
    if (reg.table->Eof()) reg.table->First();
    screen.grid->DataLink()->MoveBy(page);
    canvas.Clear();
    PaintTopLevel(screen.form->Handle(), canvas, all);
    benchmark::DoNotOptimize(canvas.Records().size());
  }
}
BENCHMARK(BM_DBGridPageDownAndPaint)->Unit(benchmark::kMillisecond);
