// The grid's layout queries on a full-screen string grid (1920 x 1080, 20
// columns of 95 by 1000 rows of 17): the hit tests and cell rectangles a
// mouse move, a cursor update and the editor's placement ask for, and
// scrolling a row at a time with the scroll bar's messages. Nothing is
// painted: this is the grid's own cost.

#include <benchmark/benchmark.h>

#include "platform/gui/forms.h"
#include "platform/widgets/string_grid.h"

namespace {

TForm* MakeGridForm(TStringGrid*& grid) {
  TForm* form = Create<TForm>(nullptr);
  form->SetBounds(0, 0, 1920, 1080);
  grid = Create<TStringGrid>(form);
  grid->SetParent(form);
  grid->SetAlign(alClient);
  grid->SetColCount(20);
  grid->SetRowCount(1000);
  grid->SetDefaultColWidth(95);
  grid->SetDefaultRowHeight(17);
  form->Show();
  return form;
}

}  // namespace

static void BM_GridHitTestsAndCellRects(benchmark::State& state) {
  TStringGrid* grid = nullptr;
  TForm* form = MakeGridForm(grid);
  grid->SetTopRow(400);
  for (auto _ : state) {
    // One point in every third row of every column.
    for (int y = 5; y < 1080; y += 54) {
      for (int x = 5; x < 1920; x += 95) {
        TGridCoord c = grid->MouseCoord(x, y);
        TRect r = grid->CellRect(c.X, c.Y);
        benchmark::DoNotOptimize(r);
      }
    }
  }
  form->Free();
}
BENCHMARK(BM_GridHitTestsAndCellRects)->Unit(benchmark::kMicrosecond);

static void BM_GridScrollByRows(benchmark::State& state) {
  TStringGrid* grid = nullptr;
  TForm* form = MakeGridForm(grid);
  for (auto _ : state) {
    grid->Perform(WM_VSCROLL, SB_LINEDOWN);
    if (grid->TopRow() > 900) grid->Perform(WM_VSCROLL, SB_TOP);
    benchmark::DoNotOptimize(grid->TopRow());
  }
  form->Free();
}
BENCHMARK(BM_GridScrollByRows)->Unit(benchmark::kMicrosecond);
