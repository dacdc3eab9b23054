// The report preview: one prepared register page of 202 objects
// drawn at 100 % with the Qt canvas, and 100 prepared pages printed to a
// PDF file.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/draw/printers.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "report/fr_printer.h"
#include "report/preview/tests/preview_fixture.h"

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

int ObjectCount(TfrEMFPages& pages) {
  pages.Pages(0).Visible = true;
  pages.ObjectsToPage(0);
  return static_cast<int>(pages.Pages(0).Page->Objects.size());
}

// A page on screen keeps its objects, as the preview keeps them: each
// repaint draws them.
void BM_PreviewDrawPageQt(benchmark::State& state) {
  InstallOffscreenHost();
  TTestReport* report = Create<TTestReport>(nullptr);
  PrepareRegister(report, 1, 39);
  TfrEMFPages& pages = report->EMFPages();
  const int objects = ObjectCount(pages);
  const bool cached = state.range(0) != 0;
  pages.Pages(0).Visible = cached;
  const TSize size = pages.Pages(0).ScreenSize();
  QImage image(size.cx + 20, size.cy + 20, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::gray);
    TQtCanvas canvas(&image);
    canvas.FillSolidRect(Rect(10, 10, 10 + size.cx, 10 + size.cy), clWhite);
    pages.Draw(0, canvas, Rect(10, 10, 10 + size.cx, 10 + size.cy));
  }
  state.counters["objects"] = objects;
  report->Free();
}
BENCHMARK(BM_PreviewDrawPageQt)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_PrintPagesToPdf(benchmark::State& state) {
  InstallOffscreenHost();
  auto old = SetPrinterBackend(MakeQtPrinterBackend());
  frPrinter().SetPrinter(Printer());
  TTestReport* report = Create<TTestReport>(nullptr);
  const int count = static_cast<int>(state.range(0));
  PrepareRegister(report, count);
  const std::string pdf = (std::filesystem::temp_directory_path() /
                           ("mebrath_bench_" + std::to_string(::getpid()) + ".pdf"))
                              .string();
  Printer()->SetOutputFileName(pdf);
  for (auto _ : state) PrintPreparedPages(*report, report->EMFPages(), TfrPrintRequest{});
  Printer()->SetOutputFileName("");
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(pdf));
  std::filesystem::remove(pdf);
  state.SetItemsProcessed(state.iterations() * count);
  report->Free();
  SetPrinterBackend(std::move(old));
  frPrinter().SetPrinter(Printer());
}
BENCHMARK(BM_PrintPagesToPdf)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
