// Printing a 10,000-record coupon No. 1 register with its invoice, from
// the dialog's "Печать" to the preview's first page: ordering, the
// exchange file and its digest, and both reports prepared from the
// shipped templates. Then the same through the program's own windows
// (progress window, preview window painted offscreen), and 100 of the
// prepared pages printed to a PDF file through the report's print.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/draw/printers.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/services.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/print_register.h"
#include "report/fr_pages.h"
#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "report/preview/fr_preview.h"
#include "report/preview/fr_report_windows.h"

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
    frame->Document()->Table()->SetEventsOff(true);
    for (int i = 0; i < kPrintRecords; ++i) {
      TDataSet& ds = *frame->Document()->Table();
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
    frame->Document()->Table()->SetEventsOff(false);
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

// The program's windows on the offscreen desktop, installed once.
void InstallProgramWindows() {
  static bool done = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "mebrath_bench";
    static char* argv[] = {name, nullptr};
    InstallQtServices(InstallQtHost(argc, argv));
    frInstallReportWindows("");
    return true;
  }();
  (void)done;
}

TfrPreviewForm* ShownPreview() {
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* form = dynamic_cast<TfrPreviewForm*>(Screen->Forms(i)); form && form->Visible())
      return form;
  return nullptr;
}

// From "Печать" accepted to the preview window's first page painted:
// the progress window runs the preparation, the preview (kept open
// without its modal loop) is painted once at 1366 x 768.
void BM_PrintRegisterToPaintedPreviewWindow(benchmark::State& state) {
  InstallProgramWindows();
  const std::string& file = PrintRegisterFile();
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  TFrmT1* frame = Create<TFrmT1>(nullptr);
  frame->OpenRegister(file);
  TRegisterPrint& print = RegisterPrintOf(*frame);
  print.TemplateDir = MEBRATH_TEMPLATE_DIR;
  print.frCRpt->ModalPreview = false;
  AskPrintParams = [](TPrintParams& p) {
    p = DefaultPrintParams(EncodeDate(2007, 6, 1));
    return true;
  };
  QImage image(1366, 768, QImage::Format_RGB32);
  int pages = 0;
  for (auto _ : state) {
    frame->PrintRegister();
    TfrPreviewForm* preview = ShownPreview();
    if (preview == nullptr) {
      state.SkipWithError("no preview window");
      break;
    }
    preview->SetWindowState(wsNormal);
    preview->SetBounds(0, 0, 1366, 768);
    {
      TQtCanvas canvas(&image);
      PaintTopLevel(preview->Handle(), canvas, TRect{0, 0, 1366, 768});
    }
    benchmark::DoNotOptimize(image.constBits());
    pages = preview->Preview->PageCount();
    state.PauseTiming();
    preview->Free();
    state.ResumeTiming();
  }
  state.counters["pages"] = pages;
  AskPrintParams = nullptr;
  frame->Free();
  std::filesystem::current_path(old);
}
BENCHMARK(BM_PrintRegisterToPaintedPreviewWindow)->Unit(benchmark::kMillisecond);

// 100 prepared register pages printed to a PDF file by the report's
// print (the preview's Print button), inside the progress window.
void BM_PrintHundredPreparedPagesToPdf(benchmark::State& state) {
  InstallProgramWindows();
  const std::string& file = PrintRegisterFile();
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  TFrmT1* frame = Create<TFrmT1>(nullptr);
  frame->OpenRegister(file);
  TRegisterPrint& print = RegisterPrintOf(*frame);
  print.TemplateDir = MEBRATH_TEMPLATE_DIR;
  AskPrintParams = [](TPrintParams& p) {
    p = DefaultPrintParams(EncodeDate(2007, 6, 1));
    return true;
  };
  // Prepared, not shown.
  frReportHooks().ShowPreview = [](TfrReport&, const std::string&) {};
  frame->PrintRegister();
  frInstallReportWindows("");
  TfrReport& report = *print.frCRpt;
  const std::string pdf = PrintBenchPath("mebrath-bench-print.pdf");
  frPrinter().SetPrinterIndex(frPrinter().VirtualIndex());
  Printer()->SetOutputFileName(pdf);
  for (auto _ : state) report.PrintPreparedReport("1-100", 1, true, 0);
  Printer()->SetOutputFileName("");
  state.counters["prepared"] = report.EMFPages().Count();
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(pdf));
  std::filesystem::remove(pdf);
  AskPrintParams = nullptr;
  frame->Free();
  std::filesystem::current_path(old);
}
BENCHMARK(BM_PrintHundredPreparedPagesToPdf)->Unit(benchmark::kMillisecond);

}  // namespace
