// Painting a full-screen string grid (1920 x 1080, 60 rows x 20 columns)
// with the Qt canvas into an image, as the screen's back buffer gets it.
// The frame target is 5 ms. Runs offscreen (QT_QPA_PLATFORM is set to
// "offscreen" unless the environment says otherwise).

#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>
#include <string>

#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "platform/widgets/string_grid.h"

namespace {

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

// A shown full-screen form with a filled grid.
TForm* MakeGridForm() {
  TForm* form = Create<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
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
  return form;
}

}  // namespace

static void BM_GridPaintFullScreenQt(benchmark::State& state) {
  InstallOffscreenHost();
  TForm* form = MakeGridForm();
  QImage image(1920, 1080, QImage::Format_RGB32);
  TRect all{0, 0, 1920, 1080};
  {
    TQtCanvas canvas(&image);
    for (auto _ : state) {
      PaintTopLevel(form->Handle(), canvas, all);
      benchmark::DoNotOptimize(image.constBits());
    }
  }
  form->Free();
}
BENCHMARK(BM_GridPaintFullScreenQt)->Unit(benchmark::kMillisecond);
