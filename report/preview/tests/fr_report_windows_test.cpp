#include "report/preview/fr_report_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/tests/file_test_dir.h"
#include "platform/widgets/tests/std_controls_test_support.h"
#include "report/fr_functions.h"
#include "report/fr_page.h"
#include "report/fr_report.h"

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

class ReportWindowsPanel : public StdControlsTest {
 protected:
  ~ReportWindowsPanel() override { frReportHooks() = TfrReportHooks{}; }
};

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
