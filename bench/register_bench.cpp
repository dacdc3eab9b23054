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

namespace {

constexpr int kRecords = 100000;

std::string BenchPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

void Prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  ApplyStartupFormatSettings();
  SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
}

void FillRecord(TDataSet& ds, int i) {
  ds.FieldByName("SCERTIF")->SetAsString("Б");
  ds.FieldByName("NCERTIF")->SetAsInteger(i + 1);
  ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2007, 4, 3));
  ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2007, 1, 10));
  ds.FieldByName("LNAME")->SetAsString("Иванова");
  ds.FieldByName("FNAME")->SetAsString("Анна");
  ds.FieldByName("MNAME")->SetAsString("Петровна");
  ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
  ds.FieldByName("ADDRESS")->SetAsString("г. Тверь, ул. Лесная, д. 5, кв. 12");
  ds.FieldByName("TDOC")->SetAsInteger(14);
  ds.FieldByName("SDOC")->SetAsString("45 01");
  ds.FieldByName("NDOC")->SetAsString("123456");
  ds.FieldByName("DDOC")->SetAsDateTime(EncodeDate(2000, 1, 1));
  ds.FieldByName("ODOC")->SetAsString("ОВД");
  ds.FieldByName("CHK")->SetAsInteger(1);
}

// The register with kRecords records, written once per run.
const std::string& LargeRegister() {
  static const std::string file = [] {
    Prepare();
    const std::string name = BenchPath("mebrath-bench-register.001");
    TFrmT1* frame = Create<TFrmT1>(nullptr);
    frame->NewRegister(name);
    frame->Document()->Table()->Close();
    frame->Document()->Table()->SetExclusive(true);
    frame->Document()->Table()->Open();
    frame->Document()->Table()->SetEventsOff(true);
    for (int i = 0; i < kRecords; ++i) {
      frame->Document()->Table()->Append();
      FillRecord(*frame->Document()->Table(), i);
      frame->Document()->Table()->FieldByName("QTW2")->SetAsInteger(30);
      frame->Document()->Table()->Post();
    }
    frame->Document()->Table()->SetEventsOff(false);
    frame->Free();
    return name;
  }();
  return file;
}

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
  frame->NewRegister(BenchPath("mebrath-bench-post.001"));
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
}
BENCHMARK(BM_RegisterPostValidated)->Unit(benchmark::kMicrosecond);

void BM_RegisterCopyOlderStructure(benchmark::State& state) {
  Prepare();
  // The older structure: the same register at version 1.
  const std::string old = BenchPath("mebrath-bench-old.001");
  {
    std::filesystem::copy_file(LargeRegister(), old,
                               std::filesystem::copy_options::overwrite_existing);
    std::FILE* f = std::fopen(old.c_str(), "r+b");
    std::fseek(f, 14, SEEK_SET);
    std::fputc(1, f);
    std::fclose(f);
  }
  const std::string work = BenchPath("mebrath-bench-upgrade.001");
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
}
BENCHMARK(BM_RegisterCopyOlderStructure)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
