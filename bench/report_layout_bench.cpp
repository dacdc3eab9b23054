// Wrapping a 2,000-character paragraph into a 60 mm column (227 pixels at
// 96 dpi), Arial 10: with the recording canvas's fixed metrics (target
// 50 microseconds) and with the Qt canvas's real font metrics (target 500
// microseconds).
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>
#include <string>

#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"

namespace {

std::string Paragraph() {
  const std::string words[] = {"Талон",         "родового", "сертификата", "выдан",      "женской",
                               "консультацией", "по",       "месту",       "жительства", "2006"};
  std::string s;
  for (int i = 0; Length(s) < 2000; ++i) s += words[i % 10] + " ";
  return Copy(s, 1, 2000);
}

void Wrap(benchmark::State& state, TCanvas& canvas) {
  TCanvas* previous = frSetScratchCanvas(&canvas);
  auto memo = CreateUnique<TfrMemoView>();
  memo->dx = 227;
  memo->Flags = flWordWrap | flWordBreak;
  memo->Memo1.Add(Paragraph());
  for (auto _ : state) {
    memo->LayoutText();
    benchmark::DoNotOptimize(frEngine().LayoutList.Count());
  }
  state.counters["lines"] = frEngine().LayoutList.Count();
  frSetScratchCanvas(previous);
}

}  // namespace

static void BM_WrapParagraphFixedMetrics(benchmark::State& state) {
  TRecordingCanvas canvas;
  Wrap(state, canvas);
}
BENCHMARK(BM_WrapParagraphFixedMetrics)->Unit(benchmark::kMicrosecond);

static void BM_WrapParagraphQtMetrics(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "mebrath_bench";
  static char* argv[] = {name, nullptr};
  static TQtHost& host = InstallQtHost(argc, argv);
  (void)host;
  QImage image(8, 8, QImage::Format_RGB32);
  TQtCanvas canvas(&image);
  Wrap(state, canvas);
}
BENCHMARK(BM_WrapParagraphQtMetrics)->Unit(benchmark::kMicrosecond);
