#include "report/preview/fr_preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/base/registry.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/tests/std_controls_test_support.h"
#include "preview_fixture.h"
#include "report/preview/fr_dialogs.h"

namespace {

TEST(PreviewZoom, ScalesOfTheModes) {
  const TSize page{794, 1123};
  struct Case {
    int mode;
    TSize area;
    double want;
  } cases[] = {
      {kfrZoomFixed, {500, 400}, 0.75},     {kfrZoomPageWidth, {814, 400}, 1.0},
      {kfrZoomWholePage, {800, 1143}, 1.0}, {kfrZoomTwoPages, {1618, 400}, 1.0},
      {kfrZoomPageWidth, {10, 10}, 0.01},  // never below a sliver
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(frPreviewScale(c.mode, 0.75, c.area, page), c.want) << c.mode;
  // A page of no size is not divided by.
  EXPECT_GT(frPreviewScale(kfrZoomPageWidth, 1, {500, 500}, {0, 0}), 0);
}

TEST(PreviewZoom, PagesLieInRows) {
  const std::vector<TSize> four(4, TSize{100, 150});
  using R = std::vector<TRect>;
  // Fixed scale: as many as fit (10 + 100 each).
  EXPECT_EQ(frLayoutPages(four, 1, kfrZoomFixed, 330),
            (R{Bounds(10, 10, 100, 150), Bounds(120, 10, 100, 150), Bounds(230, 10, 100, 150),
               Bounds(10, 170, 100, 150)}));
  // At least one per row however narrow.
  EXPECT_EQ(frLayoutPages(four, 1, kfrZoomFixed, 50)[1], Bounds(10, 170, 100, 150));
  // Whole page: one a row; two pages: two.
  EXPECT_EQ(frLayoutPages(four, 0.5, kfrZoomWholePage, 1000)[1], Bounds(10, 95, 50, 75));
  EXPECT_EQ(frLayoutPages(four, 1, kfrZoomTwoPages, 100)[1], Bounds(120, 10, 100, 150));
  EXPECT_EQ(frLayoutPages(four, 1, kfrZoomTwoPages, 100)[2], Bounds(10, 170, 100, 150));
  // A row is as tall as its tallest page.
  EXPECT_EQ(frLayoutPages({{100, 50}, {100, 200}, {100, 50}}, 1, kfrZoomTwoPages, 1000)[2],
            Bounds(10, 220, 100, 50));
}

class PreviewTest : public StdControlsTest {
 protected:
  PreviewTest() {
    frResetPreviewZoomMemory();
    Form->SetBounds(0, 0, 900, 700);
    Report = Create<TTestReport>(Form);
    PrepareRegister(Report, 3);
    Preview = Create<TTestPreview>(Form);
    Preview->SetParent(Form);
    Preview->SetAlign(alClient);
    Form->Show();
  }
  ~PreviewTest() override { SetFileDialogBackend(nullptr); }

  class TTestPreview : public TfrPreview {
    MEBRATH_CLASS(TTestPreview, TfrPreview)
   public:
    int MenuOpened = 0;

   protected:
    explicit TTestPreview(TComponent* owner) : TfrPreview(owner) {}
    void PopupZoomMenu() override { ++MenuOpened; }
  };

  void Connect(TfrPreviewSettings settings = {}) {
    settings.Print = [this](const TfrPrintRequest& r) { Printed.push_back(r); };
    Preview->Connect(Report, settings);
  }
  bool Key(unsigned vk, TShiftState shift = {}) { return Preview->HandleKey(vk, shift); }

  TTestReport* Report;
  TTestPreview* Preview;
  std::vector<TfrPrintRequest> Printed;
};

TEST_F(PreviewTest, ButtonsFollowTheReportAndPrintNeedsAPrinter) {
  TfrPreviewSettings settings;
  settings.Buttons = TfrPreviewButtons{pbZoom, pbFind, pbExit};
  Connect(settings);
  EXPECT_TRUE(Preview->ZoomButton->Visible());
  EXPECT_FALSE(Preview->PrintButton->Visible());
  EXPECT_FALSE(Preview->LoadButton->Visible());
  EXPECT_FALSE(Preview->PageSetupButton->Visible());
  EXPECT_TRUE(Preview->FindButton->Visible());
  int separators = 0;
  for (int i = 0; i < Preview->ToolBar->ControlCount(); ++i)
    if (dynamic_cast<TfrTBSeparator*>(Preview->ToolBar->Controls(i)) &&
        Preview->ToolBar->Controls(i)->Visible())
      ++separators;
  EXPECT_EQ(separators, 2);  // zoom | find | exit
  // Without pbPrint Ctrl+P does nothing, printer or not.
  auto backend = std::make_unique<TRecordingPrinterBackend>(
      std::vector<TRecordingPrinterBackend::TDevice>{{"Office", {}}}, 0);
  SetPrinterBackend(std::move(backend));
  frPrinter().SetPrinter(Printer());
  Key('P', TShiftState{ssCtrl});
  EXPECT_TRUE(Printed.empty());
  settings.Buttons = frDefaultPreviewButtons();
  settings.ShowPrintDialog = false;
  settings.DefaultCopies = 2;
  Connect(settings);
  EXPECT_TRUE(Preview->PrintButton->Enabled());
  Key('P', TShiftState{ssCtrl});
  ASSERT_EQ(Printed.size(), 1u);
  EXPECT_EQ(Printed[0].Copies, 2);
  // No desktop printer: the button shows but is disabled, and nothing prints.
  SetPrinterBackend(nullptr);
  frPrinter().SetPrinter(Printer());
  Connect(settings);
  EXPECT_FALSE(Preview->PrintButton->Enabled());
  Key('P', TShiftState{ssCtrl});
  EXPECT_EQ(Printed.size(), 1u);
}

TEST_F(PreviewTest, PagingKeys) {
  Connect();
  EXPECT_EQ(Preview->Page(), 1);
  EXPECT_EQ(Preview->StatusText(), " Page 1 of 3");
  std::vector<int> heard;
  Preview->OnPageChanged = [&](TfrPreview*, int n) { heard.push_back(n); };
  Key(VK_NEXT, TShiftState{ssCtrl});
  EXPECT_EQ(Preview->Page(), 2);
  EXPECT_EQ(Preview->ScrollPos().Y, Preview->PageRects()[1].Top - 10);
  Key(VK_END, TShiftState{ssCtrl});
  EXPECT_EQ(Preview->Page(), 3);
  Key(VK_NEXT, TShiftState{ssCtrl});  // on the last page it stays
  EXPECT_EQ(Preview->Page(), 3);
  Key(VK_HOME, TShiftState{ssCtrl});
  EXPECT_EQ(Preview->Page(), 1);
  EXPECT_EQ(Preview->ScrollPos(), (TPoint{0, 0}));
  EXPECT_EQ(heard, (std::vector<int>{2, 3, 1}));
  Key(VK_DOWN);
  EXPECT_EQ(Preview->ScrollPos().Y, 16);
  Key(VK_UP);
  Key(VK_UP);  // not above the top
  EXPECT_EQ(Preview->ScrollPos().Y, 0);
  const int area = Preview->AreaSize().cy;
  Key(VK_NEXT);
  EXPECT_EQ(Preview->ScrollPos().Y, area);
  EXPECT_EQ(Preview->MenuOpened, 0);
  Key(VK_SPACE);
  EXPECT_EQ(Preview->MenuOpened, 1);
  EXPECT_FALSE(Key('Q'));
}

TEST_F(PreviewTest, ZoomCaptionAndMemory) {
  Connect();
  EXPECT_EQ(Preview->ZoomButton->Caption(), "100%");
  Preview->Zoom(50);
  EXPECT_EQ(Preview->ZoomButton->Caption(), "50%");
  EXPECT_TRUE(Preview->ZoomMenu->Items()->Items(4)->Checked());
  Preview->Zoom(kfrZoomWholePage);
  EXPECT_NEAR(Preview->Scale(), (Preview->AreaSize().cy - 20) / 1123.0, 0.002);
  EXPECT_EQ(Preview->PageRects()[1].Left, 10);  // one page a row
  Preview->Zoom(kfrZoomTwoPages);
  EXPECT_EQ(Preview->PageRects()[1].Top, Preview->PageRects()[0].Top);
  // The next preview of the run opens as the last one was left.
  auto* next = Create<TfrPreview>(Form);
  next->SetParent(Form);
  next->Connect(Report, {});
  EXPECT_EQ(next->ZoomMode(), kfrZoomTwoPages);
  TfrPreviewSettings width;
  width.InitialZoom = pzPageWidth;
  next->Connect(Report, width);
  EXPECT_EQ(next->ZoomMode(), kfrZoomPageWidth);
  // Edit items stay hidden: there is no designer.
  int hidden = 0;
  for (int i = 0; i < Preview->ZoomMenu->Items()->Count(); ++i)
    hidden += !Preview->ZoomMenu->Items()->Items(i)->Visible();
  EXPECT_EQ(hidden, 3);
}

TEST_F(PreviewTest, SearchFindsTextItemsPageAfterPage) {
  Connect();
  // Page 3's first row holds number 201.
  EXPECT_TRUE(Preview->Search("201", true, 0, 0));
  EXPECT_EQ(Preview->Page(), 3);
  EXPECT_EQ(Preview->HitPage(), 2);
  const TRect hit = Preview->HitRect();
  EXPECT_GE(hit.Top - 10, Preview->ScrollPos().Y);
  EXPECT_LE(hit.Bottom + 10, Preview->ScrollPos().Y + Preview->AreaSize().cy);
  // Case: "иванова" only without case sensitivity; next hits go on.
  EXPECT_FALSE(Preview->Search("иванова", true, 0, 0));
  EXPECT_EQ(Preview->Page(), 3);  // a miss changes nothing
  EXPECT_TRUE(Preview->Search("иванова", false, 0, 0));
  EXPECT_EQ(Preview->Page(), 1);
  const TRect first = Preview->HitRect();
  Preview->FindNext();
  EXPECT_EQ(Preview->Page(), 1);
  EXPECT_GT(Preview->HitRect().Top, first.Top);
  // F3 after the page changed starts on the current page.
  Key(VK_NEXT, TShiftState{ssCtrl});
  Key(VK_F3);
  EXPECT_EQ(Preview->Page(), 2);
  EXPECT_EQ(Preview->HitPage(), 1);
  // Text split over two items is not found.
  EXPECT_FALSE(Preview->Search("1 Иванова", false, 0, 0));
  EXPECT_EQ(Preview->Page(), 2);
}

TEST_F(PreviewTest, EmbeddedPreviewHidesItsToolbarAndScrollBars) {
  Connect();
  Preview->Zoom(kfrZoomPageWidth);
  const TSize before = Preview->AreaSize();
  const double scale = Preview->Scale();
  Preview->SetShowToolbar(false);
  Preview->SetScrollBars(false);
  EXPECT_FALSE(Preview->ToolBar->Visible());
  EXPECT_FALSE(Preview->VBar->Visible() && Preview->VBar->Parent()->Visible());
  EXPECT_GT(Preview->AreaSize().cy, before.cy);
  EXPECT_GT(Preview->AreaSize().cx, before.cx);
  // The page width follows the wider area.
  EXPECT_GT(Preview->Scale(), scale);
}

TEST_F(PreviewTest, ClicksReachTheObjectUnderThePointer) {
  Connect();
  Preview->Zoom(50);
  // Row 1's name cell: x 210..480, y 102..126 on the page.
  const TRect page = Preview->PageRects()[0];
  ClickAt(Preview->PBox, page.Left + 300 / 2, page.Top + 110 / 2);
  EXPECT_EQ(Report->Clicked.size(), 1u);
  ClickAt(Preview->PBox, 3, 3);  // the grey around the pages
  EXPECT_EQ(Report->Clicked.size(), 1u);
}

// Runs `step` on the first idle moment of the modal form of class T.
template <class T>
void WhenShown(std::function<void(T*)> step) {
  Application->OnIdle = [step](TObject*, bool& done) {
    for (int i = 0; i < Screen->FormCount(); ++i) {
      if (auto* form = dynamic_cast<T*>(Screen->Forms(i)); form && form->Visible()) {
        auto run = step;  // clearing OnIdle destroys this lambda
        Application->OnIdle = nullptr;
        run(form);
        done = false;
        return;
      }
    }
    done = false;
  };
}

TEST_F(PreviewTest, FindAsksForTheTextAndItsOrigin) {
  Connect();
  Key(VK_END, TShiftState{ssCtrl});
  WhenShown<TfrPreviewSearchForm>([](TfrPreviewSearchForm* f) {
    f->TextEdit->SetText("кузнецова");
    f->CurrentPageButton->SetChecked(true);
    f->OkButton->Click();
  });
  Key('F', TShiftState{ssCtrl});
  // From the current (third) page on.
  EXPECT_EQ(Preview->HitPage(), 2);
  WhenShown<TfrPreviewSearchForm>([](TfrPreviewSearchForm* f) {
    EXPECT_EQ(f->TextEdit->Text(), "кузнецова");
    f->FirstPageButton->SetChecked(true);
    f->OkButton->Click();
  });
  Preview->Find();
  EXPECT_EQ(Preview->HitPage(), 0);
  // Cancel searches nothing.
  Key(VK_END, TShiftState{ssCtrl});
  WhenShown<TfrPreviewSearchForm>([](TfrPreviewSearchForm* f) { f->CancelButton->Click(); });
  Preview->Find();
  EXPECT_EQ(Preview->Page(), 3);
  Application->OnIdle = nullptr;
}

TEST_F(PreviewTest, PrintDialogStartsWithTheReportsDefaultsAndHandsOnTheChoice) {
  SetPrinterBackend(std::make_unique<TRecordingPrinterBackend>(
      std::vector<TRecordingPrinterBackend::TDevice>{{"Office", {}}}, 0));
  frPrinter().SetPrinter(Printer());
  TfrPreviewSettings settings;
  settings.DefaultCopies = 2;
  settings.DefaultCollate = false;
  Connect(settings);
  Key(VK_NEXT, TShiftState{ssCtrl});
  WhenShown<TfrPrintForm>([](TfrPrintForm* f) {
    EXPECT_EQ(f->Copies(), 2);
    EXPECT_FALSE(f->Collate());
    f->CurrentButton->SetChecked(true);
    f->OkButton->Click();
  });
  Key('P', TShiftState{ssCtrl});
  ASSERT_EQ(Printed.size(), 1u);
  EXPECT_EQ(Printed[0].PageNumbers, "2");
  EXPECT_EQ(Printed[0].Copies, 2);
  EXPECT_FALSE(Printed[0].Collate);
  WhenShown<TfrPrintForm>([](TfrPrintForm* f) { f->CancelButton->Click(); });
  Preview->Print();
  EXPECT_EQ(Printed.size(), 1u);
  SetPrinterBackend(nullptr);
  frPrinter().SetPrinter(Printer());
}

TEST_F(PreviewTest, PreviewWindowRemembersWhereItWasAndEscapeClosesIt) {
  const auto dir = std::filesystem::temp_directory_path() / ("frwin_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  SetSettingsStorePath((dir / "registry.ini").string());
  auto* form = Create<TfrPreviewForm>(Form);
  TfrPreviewSettings settings;
  settings.Title = "Реестр";
  form->ShowReport(Report, settings, false);
  EXPECT_EQ(form->Caption(), "Preview - Реестр");
  EXPECT_EQ(form->WindowState(), wsMaximized);  // as designed, never saved
  form->SetWindowState(wsNormal);
  form->SetBounds(50, 60, 640, 480);
  form->Preview->HandleKey(VK_ESCAPE, {});
  EXPECT_FALSE(form->Visible());
  auto* again = Create<TfrPreviewForm>(Form);
  again->ShowReport(Report, settings, false);
  EXPECT_EQ(again->WindowState(), wsNormal);
  EXPECT_EQ(again->BoundsRect(), Bounds(50, 60, 640, 480));
  again->Close();
  SetSettingsStorePath("");
  std::filesystem::remove_all(dir);
}

TEST_F(PreviewTest, SavedReportsGetTheirExtensionAndLoadBack) {
  Connect();
  const auto dir = std::filesystem::temp_directory_path() / ("frp_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  SetFileDialogBackend([&](TFileDialogRequest& r) {
    EXPECT_EQ(r.Filters[0].Description, "Report file (*.frp)");
    EXPECT_EQ(r.Filters[0].Pattern, "*.frp");
    r.FileName = (dir / (r.Save ? "register.txt" : "register.frp")).string();
    return true;
  });
  Key('S', TShiftState{ssCtrl});
  EXPECT_TRUE(std::filesystem::exists(dir / "register.frp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "register.txt"));
  Report->EMFPages().Clear();
  Connect();
  EXPECT_EQ(Preview->Page(), 0);
  Key('O', TShiftState{ssCtrl});
  EXPECT_EQ(Preview->PageCount(), 3);
  EXPECT_EQ(Preview->Page(), 1);
  EXPECT_TRUE(Preview->Search("201", true, 0, 0));
  std::filesystem::remove_all(dir);
}

}  // namespace
