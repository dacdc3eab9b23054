#include "report/preview/fr_report_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/scope_guard.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/draw/printers.h"
#include "platform/widgets/tests/std_controls_test_support.h"
#include "report/fr_functions.h"
#include "report/fr_page.h"
#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "report/preview/fr_preview.h"

namespace {

class ReportWindows : public ::testing::Test {
 protected:
  ~ReportWindows() override {
    frReportHooks() = TfrReportHooks{};
    frFunctionHooks() = TfrFunctionHooks{};
  }
  TFileTestDir dir;
};

TEST_F(ReportWindows, EveryHookIsInstalled) {
  EXPECT_FALSE(frMissingReportHooks().empty());
  frInstallReportWindows("");
  EXPECT_EQ(frMissingReportHooks(), std::vector<std::string>{});
}

TEST_F(ReportWindows, ThePreviewFollowsTheReportAndShowsHelpOnlyWhenThereIsSome) {
  auto owner = CreateUnique<TComponent>();
  TfrReport* report = Create<TfrReport>(owner.get());
  report->PreviewButtons = TfrPreviewButtons{pbZoom, pbPrint, pbHelp};
  report->InitialZoom = pzTwoPages;
  report->GrayedButtons = true;
  report->DefaultCopies = 3;
  report->DefaultCollate = false;
  report->ShowPrintDialog = false;
  report->Title = "Реестр";
  const std::string help = dir.File("help.doc");
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    if (exists) WriteFile(help, "help");
    frInstallReportWindows(help);
    const TfrPreviewSettings s = frPreviewSettingsOf(*report);
    EXPECT_EQ(s.Buttons.Contains(pbHelp), exists);
    EXPECT_EQ(static_cast<bool>(s.Help), exists);
    EXPECT_TRUE(s.Buttons.Contains(pbZoom) && s.Buttons.Contains(pbPrint));
    EXPECT_FALSE(s.Buttons.Contains(pbFind));
    EXPECT_EQ(s.InitialZoom, pzTwoPages);
    EXPECT_TRUE(s.GrayedButtons);
    EXPECT_EQ(s.DefaultCopies, 3);
    EXPECT_FALSE(s.DefaultCollate);
    EXPECT_FALSE(s.ShowPrintDialog);
    EXPECT_EQ(s.Title, "Реестр");
    // Printing goes through the report, to a file on the virtual printer.
    EXPECT_TRUE(s.PrintsToFile);
    EXPECT_TRUE(static_cast<bool>(s.Print));
  }
}

// The desktop offers the printers `names`, the first one current.
void InstallPrinters(const std::vector<std::string>& names) {
  std::vector<TRecordingPrinterBackend::TDevice> devices;
  for (const std::string& name : names) devices.push_back({name, {}});
  SetPrinterBackend(std::make_unique<TRecordingPrinterBackend>(devices, names.empty() ? -1 : 0));
  frPrinter().SetPrinter(Printer());
}

std::string CurrentPrinter() { return frPrinter().Printers()[frPrinter().PrinterIndex()]; }

class ReportWindowsPrinters : public ReportWindows {
 protected:
  ~ReportWindowsPrinters() override { InstallPrinters({}); }
};

TEST_F(ReportWindowsPrinters, APreparedReportSelectsItsPrinterWhenLoadedWhereItIsInstalled) {
  frInstallReportWindows("");
  auto owner = CreateUnique<TComponent>();
  TfrReport* report = Create<TfrReport>(owner.get());
  report->EMFPages().Add(*report->Pages().Add());
  const struct {
    std::string SavedOn;
    std::vector<std::string> Installed;  // when loading
    std::string Selected;
  } cases[] = {
      {"Lab", {"Office", "Lab"}, "Lab"},
      {"Virtual printer", {"Office", "Lab"}, "Virtual printer"},
      {"Lab", {"Office"}, "Office"},  // gone: the current one stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.SavedOn + " -> " + c.Selected);
    InstallPrinters({"Office", "Lab"});
    frReportHooks().SelectPrinter(c.SavedOn);
    const std::string file = dir.File("pages.frp");
    report->SavePreparedReport(file);
    InstallPrinters(c.Installed);
    TfrReport* other = Create<TfrReport>(owner.get());
    other->LoadPreparedReport(file);
    EXPECT_EQ(other->EMFPages().PrinterName, c.SavedOn);
    EXPECT_EQ(CurrentPrinter(), c.Selected);
  }
}

class ReportWindowsPanel : public StdControlsTest {
 protected:
  ~ReportWindowsPanel() override {
    frReportHooks() = TfrReportHooks{};
    InstallPrinters({});
  }
};

TEST_F(ReportWindowsPanel, PageSetupOpensForTheCurrentPrinter) {
  frInstallReportWindows("");
  InstallPrinters({"Office", "Lab"});
  frPrinter().SetPrinterIndex(1);
  std::vector<std::string> opened;
  TValueGuard handler(TfrPrinter::PropertiesHandler(), [&](TPrinter& printer) {
    opened.push_back(printer.Printers()[printer.PrinterIndex()]);
    printer.SetOrientation(poLandscape);
    return true;
  });
  TfrReport* report = Create<TfrReport>(Form);
  report->PreviewButtons.Include(pbPageSetup);
  report->EMFPages().Add(*report->Pages().Add());
  TfrPreview* panel = Create<TfrPreview>(Form);
  panel->SetParent(Form);
  panel->SetAlign(alClient);
  report->SetPreview(panel);
  report->ShowPreparedReport();
  ASSERT_TRUE(panel->PageSetupButton->Visible());
  panel->PageSetupButton->OnClick(panel->PageSetupButton);
  EXPECT_EQ(opened, std::vector<std::string>{"Lab"});
  EXPECT_EQ(frPrinter().Orientation, poLandscape);
}

TEST_F(ReportWindowsPanel, ShowingUsesTheReportsPreviewPanelWhileItLives) {
  frInstallReportWindows("");
  TfrReport* report = Create<TfrReport>(Form);
  report->EMFPages().Add(*report->Pages().Add());
  TfrPreview* panel = Create<TfrPreview>(Form);
  panel->SetParent(Form);
  report->SetPreview(panel);
  report->ShowPreparedReport();
  EXPECT_EQ(panel->Report(), report);
  EXPECT_EQ(panel->PageCount(), 1);
  EXPECT_EQ(Screen->FormCount(), 1);  // no preview window
  panel->Free();
  EXPECT_EQ(report->Preview(), nullptr);
}

}  // namespace
