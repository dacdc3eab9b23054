// Printing a 10,000-record coupon No. 1 register with its invoice, from
// the dialog's "Печать" to the preview's first page: ordering, the
// exchange file and its digest, and both reports prepared from the
// shipped templates.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/gui/services.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/print_register.h"
#include "register/utils.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"

namespace {

constexpr int kPrintRecords = 10000;

std::string PrintBenchPath(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

const std::string& PrintRegisterFile() {
  static const std::string file = [] {
    ApplyStartupFormatSettings();
    const std::string name = PrintBenchPath("mebrath-bench-print.001");
    TFrmT1* frame = Create<TFrmT1>(nullptr);
    frame->NewRegister(name);
    frame->dbMain->SetEventsOff(true);
    for (int i = 0; i < kPrintRecords; ++i) {
      TDataSet& ds = *frame->dbMain;
      ds.Append();
      ds.FieldByName("SCERTIF")->SetAsString("Б");
      ds.FieldByName("NCERTIF")->SetAsInteger(kPrintRecords - i);
      ds.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(2006 + i % 2, 4, 3));
      ds.FieldByName("DREG")->SetAsDateTime(EncodeDate(2006, 1, 10));
      ds.FieldByName("LNAME")->SetAsString(i % 2 ? "Иванова" : "Петрова-Водкина");
      ds.FieldByName("FNAME")->SetAsString("Анна");
      ds.FieldByName("MNAME")->SetAsString("Петровна");
      ds.FieldByName("BDATE")->SetAsDateTime(EncodeDate(1980, 5, 6));
      ds.FieldByName("SPOLICY")->SetAsString("77");
      ds.FieldByName("NPOLICY")->SetAsString("1234567890");
      ds.FieldByName("QTW2")->SetAsInteger(30);
      ds.FieldByName("CHK")->SetAsInteger(1);
      ds.Post();
    }
    frame->dbMain->SetEventsOff(false);
    frame->Free();
    return name;
  }();
  return file;
}

void BM_PrintRegisterToPreview(benchmark::State& state) {
  const std::string& file = PrintRegisterFile();
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  TFrmT1* frame = Create<TFrmT1>(nullptr);
  frame->OpenRegister(file);
  RegisterPrintOf(*frame).TemplateDir = MEBRATH_TEMPLATE_DIR;
  AskPrintParams = [](TPrintParams& p) {
    p = DefaultPrintParams(EncodeDate(2007, 6, 1));
    return true;
  };
  int pages = 0;
  frReportHooks().ShowPreview = [&](TfrReport& report, const std::string&) {
    // The preview's first page: its objects built from the stream.
    report.EMFPages().ObjectsToPage(0);
    pages = report.EMFPages().Count();
  };
  for (auto _ : state) frame->PrintRegister();
  state.counters["pages"] = pages;
  frReportHooks() = TfrReportHooks{};
  AskPrintParams = nullptr;
  frame->Free();
  std::filesystem::current_path(old);
}
BENCHMARK(BM_PrintRegisterToPreview)->Unit(benchmark::kMillisecond);

}  // namespace
