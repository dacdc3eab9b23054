// Painting a full-screen string grid (1920 x 1080, 60 rows x 20 columns)
// into the recording canvas: the grid's own cost per frame, without a
// rasteriser. The frame target (5 ms) is for the Qt canvas.

#include <benchmark/benchmark.h>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/widgets/string_grid.h"

static void BM_GridPaintFullScreen(benchmark::State& state) {
  TForm* form = Create<TForm>(nullptr);
  form->SetBounds(0, 0, 1920, 1080);
  TStringGrid* grid = Create<TStringGrid>(form);
  grid->SetParent(form);
  grid->SetAlign(alClient);
  grid->SetColCount(20);
  grid->SetRowCount(60);
  grid->SetDefaultColWidth(95);
  grid->SetDefaultRowHeight(17);
  for (int c = 0; c < 20; ++c)
    for (int r = 0; r < 60; ++r) grid->SetCells(c, r, "Ячейка " + std::to_string(c * 100 + r));
  form->Show();
  TRecordingCanvas canvas;
  TRect all{0, 0, 1920, 1080};
  for (auto _ : state) {
    canvas.Clear();
    PaintTopLevel(form->Handle(), canvas, all);
    benchmark::DoNotOptimize(canvas.Records().size());
  }
  form->Free();
}
BENCHMARK(BM_GridPaintFullScreen)->Unit(benchmark::kMillisecond);
