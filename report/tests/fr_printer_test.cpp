#include "report/fr_printer.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/draw/printers.h"
#include "report/fr_pages.h"
#include "report/tests/report_fixture.h"

namespace {

// One desktop printer "Office" (A4, Letter, custom sizes, 300 dpi, 5 mm
// margins) unless `none`.
class FrPrinterTest : public ::testing::Test {
 protected:
  void Install(bool withPrinter) {
    std::vector<TRecordingPrinterBackend::TDevice> devices;
    if (withPrinter) {
      TPrinterCapabilities caps;
      caps.Papers = {*FindStandardPaper(DMPAPER_A4), *FindStandardPaper(DMPAPER_LETTER)};
      caps.Bins = {{DMBIN_UPPER, "Upper"}, {DMBIN_MANUAL, "Manual"}};
      caps.CustomPaper = true;
      caps.DpiX = caps.DpiY = 300;
      caps.MarginLeft = caps.MarginTop = caps.MarginRight = caps.MarginBottom = 50;
      devices.push_back({"Office", caps});
    }
    auto backend = std::make_unique<TRecordingPrinterBackend>(devices, withPrinter ? 0 : -1);
    Backend = backend.get();
    SetPrinterBackend(std::move(backend));
    frPrinter().SetPrinter(Printer());
  }
  ~FrPrinterTest() override {
    SetPrinterBackend(nullptr);
    frPrinter().SetPrinter(Printer());
  }
  TRecordingPrinterBackend* Backend = nullptr;
};

TEST_F(FrPrinterTest, ListEndsWithTheVirtualPrinterWhichIsCurrentWithoutDesktopPrinters) {
  Install(false);
  TfrPrinter& p = frPrinter();
  ASSERT_EQ(p.Printers().size(), 1u);
  EXPECT_EQ(p.Printers()[0], "Virtual printer");
  EXPECT_TRUE(p.IsVirtual());
  EXPECT_FALSE(p.HasPrinters());
  EXPECT_EQ(p.PaperCodes.size(), 67u);
  EXPECT_EQ(p.PaperPixels.cx, 4961);  // A4 at 600 dpi, read at once
  EXPECT_EQ(p.PrintableSize.cy, p.PaperPixels.cy);
  Install(true);
  ASSERT_EQ(p.Printers().size(), 2u);
  EXPECT_EQ(p.Printers()[1], "Virtual printer");
  EXPECT_EQ(p.PrinterIndex(), 0);
  EXPECT_TRUE(p.HasPrinters());
  EXPECT_EQ(p.BinNames, (std::vector<std::string>{"Upper", "Manual"}));
}

TEST_F(FrPrinterTest, VirtualPrinterPapers) {
  Install(false);
  TfrPrinter& p = frPrinter();
  struct Case {
    int code, width, height;
    TPrinterOrientation o;
    int wantCode, wantWidth, wantHeight;
  } cases[] = {
      {DMPAPER_A4, 0, 0, poLandscape, DMPAPER_A4, 2970, 2100},
      {DMPAPER_A4, 0, 0, poPortrait, DMPAPER_A4, 2100, 2970},
      {DMPAPER_A3, 0, 0, poPortrait, DMPAPER_A3, 2970, 4200},
      {DMPAPER_LETTER, 0, 0, poPortrait, DMPAPER_LETTER, 2159, 2794},
      {256, 1000, 1500, poPortrait, 256, 1000, 1500},
      {256, 1500, 1000, poLandscape, 256, 1500, 1000},
      // No size: A4 rather than a page nothing can be laid out on.
      {256, 0, 0, poPortrait, DMPAPER_A4, 2100, 2970},
      {49, 10, 10, poPortrait, DMPAPER_A4, 2100, 2970},
  };
  for (const Case& c : cases) {
    p.SetPrinterInfo(c.code, c.width, c.height, c.o, kfrKeepBin, true);
    EXPECT_EQ(p.PaperSize, c.wantCode) << c.code;
    EXPECT_EQ(p.PaperWidth, c.wantWidth) << c.code;
    EXPECT_EQ(p.PaperHeight, c.wantHeight) << c.code;
    EXPECT_EQ(p.Orientation, c.o);
    EXPECT_GT(p.PaperPixels.cx, 0);
  }
}

TEST_F(FrPrinterTest, SettingsThatHoldAreNotAppliedAgainUnlessForced) {
  Install(true);
  TfrPrinter& p = frPrinter();
  p.SetPrinterInfo(256, 1000, 1500, poPortrait, kfrKeepBin, false);
  EXPECT_EQ(p.PaperSize, 256);
  EXPECT_EQ(p.PaperWidth, 1000);
  EXPECT_EQ(p.PaperHeight, 1500);
  // Within 1 of the custom size: nothing happens, even to the bin.
  p.Bin = 7;
  p.SetPrinterInfo(256, 1001, 1499, poPortrait, DMBIN_MANUAL, false);
  EXPECT_EQ(p.PaperWidth, 1000);
  EXPECT_EQ(p.Bin, 7);
  p.SetPrinterInfo(DMPAPER_A4, 0, 0, poPortrait, kfrKeepBin, false);
  EXPECT_EQ(p.PaperWidth, 2100);
  // Same code and orientation: a changed bin applies, kfrKeepBin does not.
  p.SetPrinterInfo(DMPAPER_A4, 0, 0, poPortrait, DMBIN_MANUAL, false);
  EXPECT_EQ(Printer()->DeviceMode().dmDefaultSource, DMBIN_MANUAL);
  p.Bin = 99;
  p.SetPrinterInfo(DMPAPER_A4, 0, 0, poPortrait, kfrKeepBin, false);
  EXPECT_EQ(p.Bin, 99);
  // A paper the printer lacks leaves it on its own paper.
  p.SetPrinterInfo(DMPAPER_A3, 0, 0, poPortrait, kfrKeepBin, true);
  EXPECT_EQ(p.PaperSize, DMPAPER_A4);
  // Geometry: 300 dpi, 5 mm margins.
  EXPECT_EQ(p.Dpi.X, 300);
  EXPECT_EQ(p.Offset.X, 59);
  EXPECT_EQ(p.PaperPixels.cx, 2480);
}

TEST_F(FrPrinterTest, PropertiesDialogChangesTheSettingsOnlyWhenConfirmed) {
  Install(true);
  TfrPrinter& p = frPrinter();
  auto saved = TfrPrinter::PropertiesHandler();
  bool confirm = false;
  TfrPrinter::PropertiesHandler() = [&](TPrinter& printer) {
    printer.SetOrientation(poLandscape);
    return confirm;
  };
  EXPECT_FALSE(p.PropertiesDialog());
  EXPECT_EQ(p.Orientation, poPortrait);
  EXPECT_EQ(Printer()->Orientation(), poPortrait);
  confirm = true;
  EXPECT_TRUE(p.PropertiesDialog());
  EXPECT_EQ(p.Orientation, poLandscape);
  EXPECT_EQ(p.PaperWidth, 2970);
  TfrPrinter::PropertiesHandler() = saved;
}

TEST(PageNumbers, ParsedAsTheReportAsks) {
  using V = std::vector<int>;
  TfrPrintRequest r;
  r.Copies = 2;
  EXPECT_EQ(PagesToPrint(r, 3), (V{1, 2, 3, 1, 2, 3}));
  r.Collate = false;
  EXPECT_EQ(PagesToPrint(r, 3), (V{1, 2, 3}));
  r.PrintPages = ppEven;
  EXPECT_EQ(PagesToPrint(r, 5), (V{2, 4}));
  r.PrintPages = ppOdd;
  r.PageNumbers = "2-";
  EXPECT_EQ(PagesToPrint(r, 5), (V{3, 5}));
  // Only pages the report lacks: nothing, not every page.
  r.PrintPages = ppAll;
  for (const char* text : {"5", "0", "0, 7"}) {
    r.PageNumbers = text;
    EXPECT_EQ(PagesToPrint(r, 3), V{}) << text;
  }
}

TEST_F(FrPrinterTest, PreparedPagesPrintWithTheirPaperAndCopies) {
  Install(true);
  TTestReport* report = Create<TTestReport>(nullptr);
  TfrPage* portrait = report->Pages().Add();
  TfrPage* landscape = report->Pages().Add();
  landscape->pgOr = 1;
  std::swap(landscape->pgWidth, landscape->pgHeight);
  report->EMFPages().Add(*portrait);
  report->EMFPages().Add(*portrait);
  report->EMFPages().Add(*landscape);
  TfrPrintRequest r;
  r.Copies = 3;
  r.Collate = false;
  std::vector<int> heard;
  PrintPreparedPages(*report, report->EMFPages(), r, [&](int n) { heard.push_back(n); });
  EXPECT_EQ(heard, (std::vector<int>{1, 2, 3}));
  // The landscape page needs a job of its own; the printer repeats pages.
  ASSERT_EQ(Backend->Jobs().size(), 2u);
  EXPECT_EQ(Backend->Jobs()[0]->Pages.size(), 2u);
  EXPECT_EQ(Backend->Jobs()[0]->Settings.Copies, 3);
  EXPECT_EQ(Backend->Jobs()[0]->Settings.Title, "Untitled");
  EXPECT_EQ(Backend->Jobs()[1]->Settings.Orientation, poLandscape);
  EXPECT_TRUE(Backend->Jobs()[1]->Ended);
  // Terminated aborts after the page being printed.
  r.Collate = true;
  heard.clear();
  PrintPreparedPages(*report, report->EMFPages(), r, [&](int n) {
    heard.push_back(n);
    report->Terminated = n == 2;
  });
  EXPECT_EQ(heard, (std::vector<int>{1, 2}));
  EXPECT_TRUE(Backend->Jobs().back()->Aborted);
  report->Free();
}

}  // namespace
