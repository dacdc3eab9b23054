// The register windows: opening a 100,000-record coupon No. 1 register
// (shared open, the certificate-key ordering built, the main window's grid
// painted with its footer sum), posting one record through the full
// checks, and copying a 100,000-record register of the older structure
// into the current one.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/file_utils.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/services.h"
#include "register/data_module.h"
#include "register/frames.h"

#include "register_window_fixture.h"

namespace {

using namespace register_bench;

void BM_RegisterWindowOpenLarge(benchmark::State& state) {
  const std::string& file = LargeRegister();
  TForm* host = Create<TForm>(nullptr);
  host->SetBounds(0, 0, 1366, 768);
  host->Show();
  TRecordingCanvas canvas;
  for (auto _ : state) {
    TFrmT1* frame = Create<TFrmT1>(host);
    frame->EmbedInto(host);
    frame->OpenRegister(file);
    canvas.Clear();
    PaintTopLevel(host->Handle(), canvas, TRect{0, 0, 1366, 768});
    benchmark::DoNotOptimize(
        frame->grdMain->GetFooterValue(0, frame->grdMain->Columns()->Items(15)));
    state.PauseTiming();
    frame->Free();
    state.ResumeTiming();
  }
  host->Free();
}
BENCHMARK(BM_RegisterWindowOpenLarge)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RegisterPostValidated(benchmark::State& state) {
  Prepare();
  TScopedClock clock(EncodeDate(2008, 6, 1));
  TFrmT1* frame = Create<TFrmT1>(nullptr);
  const std::string file = BenchPath("post.001");
  frame->NewRegister(file);
  TDataSet& ds = *frame->Document()->Table();
  for (int i = 0; i < 1000; ++i) {
    ds.Append();
    FillRecord(ds, i);
    ds.FieldByName("QTW2")->SetAsInteger(30);
    ds.Post();
  }
  int week = 30;
  for (auto _ : state) {
    ds.Edit();
    ds.FieldByName("QTW2")->SetAsInteger(week);
    week = week == 40 ? 30 : week + 1;
    ds.Post();
  }
  frame->Free();
  std::filesystem::remove(file);
}
BENCHMARK(BM_RegisterPostValidated)->Unit(benchmark::kMicrosecond);

void BM_RegisterCopyOlderStructure(benchmark::State& state) {
  Prepare();
  const std::string& old = OlderRegister();
  const std::string work = BenchPath("upgrade.001");
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::copy_file(old, work, std::filesystem::copy_options::overwrite_existing);
    TFrmT1* frame = Create<TFrmT1>(nullptr);
    state.ResumeTiming();
    frame->OpenRegister(work);
    benchmark::DoNotOptimize(frame->Document()->Table()->RecordCount());
    state.PauseTiming();
    frame->Free();
    state.ResumeTiming();
  }
  std::filesystem::remove(work);
  std::filesystem::remove(work + "_old");  // the upgrade keeps the original beside
}
BENCHMARK(BM_RegisterCopyOlderStructure)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
