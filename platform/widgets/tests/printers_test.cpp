#include "platform/draw/printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <set>

#include "platform/draw/graphics.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/printer_setup_dialog.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_combo.h"
#include "platform/widgets/std_edit.h"

namespace {

TPrinterCapabilities OfficeCaps() {
  TPrinterCapabilities caps;
  caps.Papers = {*FindStandardPaper(DMPAPER_LETTER),
                 *FindStandardPaper(DMPAPER_A4),
                 {300, "Свой 100 x 100 мм", 1000, 1000}};
  caps.Bins = {{DMBIN_UPPER, "Верхний лоток"}, {DMBIN_MANUAL, "Ручная подача"}};
  caps.DpiX = 300;
  caps.DpiY = 600;
  caps.MarginLeft = 50;  // 5 mm
  caps.MarginTop = 100;
  caps.MarginRight = 0;
  caps.MarginBottom = 254;
  return caps;
}

class PrintersTest : public ::testing::Test {
 protected:
  PrintersTest() {
    auto backend = std::make_unique<TRecordingPrinterBackend>(
        std::vector<TRecordingPrinterBackend::TDevice>{{"Office", OfficeCaps()},
                                                       {"Label", TPrinterCapabilities()}},
        0);
    Backend = backend.get();
    SetPrinterBackend(std::move(backend));
  }
  ~PrintersTest() override {
    if (Printer()->Printing()) Printer()->Abort();
    Printer()->SetOutputFileName("");
    SetPrinterBackend(nullptr);
  }
  TRecordingPrinterBackend* Backend = nullptr;
};

TEST(PaperTableTest, ClassicCodesAndSizes) {
  const auto& papers = StandardPapers();
  EXPECT_EQ(papers.size(), 67u);
  std::set<int> codes;
  for (const TPaperInfo& p : papers) codes.insert(p.Code);
  EXPECT_EQ(codes.size(), 67u);
  EXPECT_FALSE(codes.count(48) || codes.count(49));
  struct {
    int Code, Width, Height;
  } known[] = {{1, 2159, 2794},  {5, 2159, 3556},  {8, 2970, 4200}, {9, 2100, 2970},
               {11, 1480, 2100}, {13, 1820, 2570}, {256, 0, 0}};
  for (auto k : known) {
    const TPaperInfo* p = FindStandardPaper(k.Code);
    ASSERT_NE(p, nullptr) << k.Code;
    EXPECT_EQ(p->Width, k.Width) << k.Code;
    EXPECT_EQ(p->Height, k.Height) << k.Code;
  }
  EXPECT_EQ(FindStandardPaper(48), nullptr);
}

TEST_F(PrintersTest, ListEndsWithTheVirtualPrinterAndSelectsTheDefault) {
  TPrinter* p = Printer();
  EXPECT_EQ(p->Printers(), (std::vector<std::string>{"Office", "Label", kVirtualPrinterName}));
  EXPECT_EQ(p->PrinterIndex(), 0);
  EXPECT_FALSE(p->IsVirtualPrinter());
  EXPECT_EQ(p->DeviceMode().dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(p->DeviceMode().dmDefaultSource, DMBIN_UPPER);
  p->SetPrinterIndex(1);
  EXPECT_EQ(p->DeviceMode().dmPaperSize, DMPAPER_A4) << "a printer without papers gets A4";
  EXPECT_THROW(p->SetPrinterIndex(3), EPrinter);
  EXPECT_THROW(p->SetPrinterIndex(-2), EPrinter);
  p->SetPrinterIndex(-1);
  EXPECT_EQ(p->PrinterIndex(), 0);

  SetPrinterBackend(nullptr);  // a desktop without printers
  EXPECT_EQ(p->Printers(), std::vector<std::string>{kVirtualPrinterName});
  EXPECT_TRUE(p->IsVirtualPrinter());
  EXPECT_EQ(p->Papers().size(), 67u);

  const std::vector<std::string>& fonts = p->Fonts();
  EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end()));
  for (const std::string& face : fonts)
    EXPECT_EQ(MapFontFace(face).rfind("Liberation ", 0), 0u) << face;
}

TEST_F(PrintersTest, DeviceModeAndGeometry) {
  TPrinter* p = Printer();
  // Office: 300 x 600 dpi, margins 5 mm left, 10 mm top, 1 inch bottom.
  EXPECT_EQ(p->GetDeviceCaps(LOGPIXELSX), 300);
  EXPECT_EQ(p->GetDeviceCaps(LOGPIXELSY), 600);
  EXPECT_EQ(p->GetDeviceCaps(PHYSICALWIDTH), 2480);  // 210 mm at 300 dpi
  EXPECT_EQ(p->GetDeviceCaps(PHYSICALHEIGHT), 7016);
  EXPECT_EQ(p->GetDeviceCaps(PHYSICALOFFSETX), 59);
  EXPECT_EQ(p->GetDeviceCaps(PHYSICALOFFSETY), 236);
  EXPECT_EQ(p->PageWidth(), 2480 - 59);
  EXPECT_EQ(p->PageHeight(), 7016 - 236 - 600);
  EXPECT_EQ(p->GetDeviceCaps(HORZSIZE), 205);

  p->SetOrientation(poLandscape);
  EXPECT_EQ(p->PaperWidth(), 2970);
  EXPECT_EQ(p->PaperHeight(), 2100);
  EXPECT_EQ(p->GetDeviceCaps(PHYSICALOFFSETX), 118) << "top margin turned to the left";
  EXPECT_EQ(p->GetDeviceCaps(PHYSICALOFFSETY), 118);

  TDeviceMode mode;
  mode.dmFields = DM_PAPERSIZE | DM_DEFAULTSOURCE | DM_COPIES;
  mode.dmPaperSize = 300;
  mode.dmDefaultSource = 99;  // not there: ignored
  mode.dmCopies = 0;
  p->SetDeviceMode(mode);
  EXPECT_EQ(p->DeviceMode().dmPaperSize, 300);
  EXPECT_EQ(p->DeviceMode().dmDefaultSource, DMBIN_UPPER);
  EXPECT_EQ(p->Copies(), 1);
  EXPECT_EQ(p->Orientation(), poLandscape) << "fields not marked stay";
  mode.dmFields = DM_PAPERSIZE;
  mode.dmPaperSize = DMPAPER_A3;
  EXPECT_THROW(p->SetDeviceMode(mode), EPrinter);
  mode.dmPaperSize = DMPAPER_USER;
  EXPECT_THROW(p->SetDeviceMode(mode), EPrinter) << "Office takes no custom size";

  // The virtual printer: custom 100 x 150 mm and landscape A4 as classic.
  std::string device, driver, port;
  TDeviceMode custom;
  custom.dmPaperSize = DMPAPER_USER;
  custom.dmPaperWidth = 1000;
  custom.dmPaperLength = 1500;
  p->SetPrinter(kVirtualPrinterName, "", "", custom);
  EXPECT_TRUE(p->IsVirtualPrinter());
  EXPECT_EQ(p->PaperWidth(), 1000);
  EXPECT_EQ(p->PaperHeight(), 1500);
  EXPECT_EQ(p->PageWidth(), 2362);  // whole page at 600 dpi
  TDeviceMode a4;
  a4.dmOrientation = DMORIENT_LANDSCAPE;
  p->SetPrinter("No such printer", "", "", a4);
  EXPECT_TRUE(p->IsVirtualPrinter());
  EXPECT_EQ(p->PaperWidth(), 2970);
  EXPECT_EQ(p->PaperHeight(), 2100);
  TDeviceMode back;
  p->GetPrinter(device, driver, port, back);
  EXPECT_EQ(device, kVirtualPrinterName);
  EXPECT_EQ(back.dmOrientation, DMORIENT_LANDSCAPE);
  custom.dmPaperWidth = 0;
  EXPECT_THROW(p->SetDeviceMode(custom), EPrinter) << "a custom paper needs a size";
}

TEST_F(PrintersTest, JobsRecordEachPage) {
  TPrinter* p = Printer();
  p->SetTitle("Реестр");
  p->SetCopies(2);
  EXPECT_THROW(p->NewPage(), EPrinter);
  EXPECT_THROW(p->EndDoc(), EPrinter);
  EXPECT_NE(p->Canvas(), nullptr) << "a measuring canvas outside a job";

  p->BeginDoc();
  EXPECT_TRUE(p->Printing());
  EXPECT_EQ(p->PageNumber(), 1);
  EXPECT_THROW(p->BeginDoc(), EPrinter);
  EXPECT_THROW(p->SetPrinterIndex(1), EPrinter);
  EXPECT_THROW(p->SetOrientation(poLandscape), EPrinter);
  p->Canvas()->TextOut(10, 10, "первая");
  p->NewPage();
  EXPECT_EQ(p->PageNumber(), 2);
  p->Canvas()->TextOut(10, 10, "вторая");
  p->EndDoc();
  EXPECT_FALSE(p->Printing());

  ASSERT_EQ(Backend->Jobs().size(), 1u);
  const auto& job = *Backend->Jobs()[0];
  EXPECT_TRUE(job.Ended);
  EXPECT_EQ(job.Settings.PrinterName, "Office");
  EXPECT_EQ(job.Settings.Title, "Реестр");
  EXPECT_EQ(job.Settings.Copies, 2);
  EXPECT_EQ(job.Settings.PaperWidth, 2100);
  ASSERT_EQ(job.Pages.size(), 2u);
  ASSERT_FALSE(job.Pages[1].empty());
  EXPECT_EQ(job.Pages[1].back().Text, "вторая");

  // Abort throws the document away.
  p->BeginDoc();
  p->Abort();
  EXPECT_TRUE(p->Aborted());
  EXPECT_FALSE(p->Printing());
  EXPECT_TRUE(Backend->Jobs()[1]->Aborted);

  // The virtual printer prints only to a file.
  p->SetPrinterIndex(2);
  EXPECT_THROW(p->BeginDoc(), EPrinter);
  p->SetOutputFileName("/tmp/out.pdf");
  p->BeginDoc();
  EXPECT_FALSE(p->Aborted());
  p->EndDoc();
  EXPECT_EQ(Backend->Jobs()[2]->Settings.OutputFileName, "/tmp/out.pdf");
  EXPECT_EQ(Backend->Jobs()[2]->Settings.PrinterName, "");
}

}  // namespace

namespace {

class PrinterSetupDialogTest : public GuiTest {
 protected:
  PrinterSetupDialogTest() {
    SetPrinterBackend(std::make_unique<TRecordingPrinterBackend>(
        std::vector<TRecordingPrinterBackend::TDevice>{{"Office", OfficeCaps()}}, 0));
  }
  ~PrinterSetupDialogTest() override {
    Application->OnIdle = nullptr;
    SetPrinterBackend(nullptr);
  }
  // Shows the dialog; each time the modal loop idles the next step runs.
  int Run(std::deque<std::function<void()>> steps) {
    std::unique_ptr<TCustomForm, void (*)(TCustomForm*)> form(CreatePrinterSetupDialog(*Printer()),
                                                              [](TCustomForm* f) { f->Free(); });
    Form = form.get();
    Application->OnIdle = [&](TObject*, bool& done) {
      if (steps.empty()) return;
      auto step = std::move(steps.front());
      steps.pop_front();
      step();
      done = false;
    };
    int result = form->ShowModal();
    Application->OnIdle = nullptr;
    return result;
  }
  static std::function<void()> Press(unsigned vk) {
    return [vk] {
      HostKeyEvent(WM_KEYDOWN, vk);
      HostKeyEvent(WM_KEYUP, vk);
    };
  }
  template <class T>
  T* Find(int n = 0) const {
    for (int i = 0; i < Form->ComponentCount(); ++i)
      if (auto* c = dynamic_cast<T*>(Form->Components(i)); c != nullptr && n-- == 0) return c;
    return nullptr;
  }

  TCustomForm* Form = nullptr;
};

TEST_F(PrinterSetupDialogTest, OkAppliesPaperBinAndOrientation) {
  TPrinter* p = Printer();
  EXPECT_EQ(Run({Press(VK_DOWN), [this] { Find<TRadioButton>(1)->SetChecked(true); },
                 [this] { Find<TComboBox>(1)->SetItemIndex(1); }, Press(VK_RETURN)}),
            mrOk);
  EXPECT_EQ(p->DeviceMode().dmPaperSize, 300);
  EXPECT_EQ(p->Orientation(), poLandscape);
  EXPECT_EQ(p->DeviceMode().dmDefaultSource, DMBIN_MANUAL);
  // Cancel changes nothing; the form shows the current settings.
  EXPECT_EQ(Run({[this] {
                   EXPECT_EQ(Find<TComboBox>(0)->Text(), "Свой 100 x 100 мм");
                   EXPECT_TRUE(Find<TRadioButton>(1)->Checked());
                   EXPECT_FALSE(Find<TEdit>(0)->Enabled()) << "no custom size on this printer";
                 },
                 Press(VK_UP), Press(VK_ESCAPE)}),
            mrCancel);
  EXPECT_EQ(p->DeviceMode().dmPaperSize, 300);
}

TEST_F(PrinterSetupDialogTest, CustomSizeOnTheVirtualPrinter) {
  TPrinter* p = Printer();
  p->SetPrinterIndex(1);
  ASSERT_TRUE(p->IsVirtualPrinter());
  EXPECT_EQ(Run({Press(VK_END),
                 [this] {
                   EXPECT_TRUE(Find<TEdit>(0)->Enabled());
                   Find<TEdit>(0)->SetText("100");
                 },
                 Press(VK_RETURN),  // no height: a message, the form stays
                 [this] {
                   EXPECT_TRUE(Form->Visible());
                   Find<TEdit>(1)->SetText("150");
                 },
                 Press(VK_RETURN)}),
            mrOk);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0], "Параметры страницы: Укажите ширину и высоту бумаги в миллиметрах.");
  EXPECT_EQ(p->DeviceMode().dmPaperSize, DMPAPER_USER);
  EXPECT_EQ(p->PaperWidth(), 1000);
  EXPECT_EQ(p->PaperHeight(), 1500);
}

}  // namespace
