#include "report/preview/fr_dialogs.h"

#include <gtest/gtest.h>

#include "platform/widgets/tests/std_controls_test_support.h"
#include "report/fr_memo_view.h"
#include "report/fr_object.h"
#include "report/tests/report_fixture.h"

namespace {

using DialogsTest = StdControlsTest;

void Press(TControl* c) {
  c->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam({2, 2}));
  c->Perform(WM_LBUTTONUP, 0, PointToLParam({2, 2}));
}

TEST(FormatCodes, BuiltFromCategoryTypeDigitsAndSeparator) {
  EXPECT_EQ(frMakeFormat(1, 3, 2, "."), 16974382);
  EXPECT_EQ(frMakeFormat(1, 3, 2, ""), (1 << 24) + (3 << 16) + (2 << 8) + ',');
  EXPECT_EQ(frMakeFormat(0, 0, 0, ","), ',');
  using V = std::vector<std::string>;
  EXPECT_EQ(frFormatTypes(0), V{"[None]"});
  EXPECT_EQ(frFormatTypes(1), (V{"1234,5", "1234,50", "1 234,5", "1 234,50", "Custom"}));
  EXPECT_EQ(frFormatTypes(2)[2], "15 nov 1998");
  EXPECT_EQ(frFormatTypes(3)[3], "2:43");
  EXPECT_EQ(frFormatTypes(4), (V{"0;1", "No;Yes", "_;x", "False;True", "Custom"}));
}

TEST_F(DialogsTest, FormatDialogShowsAndRebuildsTheCode) {
  auto* form = Create<TfrFmtForm>(Form);
  form->Load(frMakeFormat(2, 1, 0, ","), "");
  EXPECT_EQ(form->CategoryBox->Text(), "Date");
  EXPECT_EQ(form->TypeBox->Text(), "11.15.1998");
  form->CategoryBox->SetItemIndex(1);
  form->CategoryBox->OnChange(form->CategoryBox);
  EXPECT_EQ(form->TypeBox->Items()->Count(), 5);
  EXPECT_EQ(form->TypeBox->ItemIndex(), 0);
  form->TypeBox->SetItemIndex(3);
  form->DigitsEdit->SetText("2");
  form->SeparatorEdit->SetText(".");
  EXPECT_EQ(form->Result(), 16974382);
  EXPECT_FALSE(form->IsCustom());
  // A custom type carries its text to the view.
  auto view = CreateUnique<TfrMemoView>();
  form->Load(frMakeFormat(4, 4, 0, ","), "nein;ja");
  EXPECT_TRUE(form->IsCustom());
  EXPECT_TRUE(form->CustomEdit->Enabled());
  EXPECT_FALSE(form->DigitsEdit->Enabled());
  view->Format = frMakeFormat(4, 4, 0, ",");
  view->FormatStr = "0;1";
  Application->OnIdle = [&](TObject*, bool& done) {
    form->CustomEdit->SetText("nein;ja");
    form->OkButton->Click();
    done = false;
  };
  EXPECT_TRUE(form->Execute(view.get()));
  Application->OnIdle = nullptr;
  EXPECT_EQ(view->Format, frMakeFormat(4, 4, 0, ","));
  EXPECT_EQ(view->FormatStr, "nein;ja");
}

TEST_F(DialogsTest, PrintDialogCopiesRangeAndPrinter) {
  auto* form = Create<TfrPrintForm>(Form);
  EXPECT_EQ(form->Caption(), "Print");
  EXPECT_EQ(form->Copies(), 1);
  Press(form->CopiesDown);
  EXPECT_EQ(form->Copies(), 1);
  Press(form->CopiesUp);
  Press(form->CopiesUp);
  EXPECT_EQ(form->Copies(), 3);
  Press(form->CopiesDown);
  EXPECT_EQ(form->Copies(), 2);
  form->CopiesEdit->SetText("-4");
  EXPECT_EQ(form->Copies(), 1);

  EXPECT_EQ(form->PageRange(), prAll);
  form->Show();
  form->PagesEdit->SetFocus();
  EXPECT_EQ(form->PageRange(), prPages);
  form->PagesEdit->SetText("1,3");
  form->PrintPagesBox->SetItemIndex(2);
  TfrPrintRequest r = form->Request(7);
  EXPECT_EQ(r.PageNumbers, "1,3");
  EXPECT_EQ(r.PrintPages, ppEven);
  form->CurrentButton->SetChecked(true);
  EXPECT_EQ(form->Request(7).PageNumbers, "7");
  EXPECT_EQ(form->PrinterList->Items()->Get(form->PrinterList->Items()->Count() - 1),
            "Virtual printer");
  EXPECT_EQ(form->PrinterList->ItemIndex(), frPrinter().PrinterIndex());
}

TEST_F(DialogsTest, ProgressRunsTheWorkInsideTheWindowAndCancelStopsIt) {
  TTestReport* report = Create<TTestReport>(Form);
  auto* progress = Create<TfrProgressForm>(Form);
  std::vector<int> pages;
  auto work = [&](int cancelAt) {
    return [&, cancelAt] {
      EXPECT_TRUE(TfrProgressForm::Running());
      EXPECT_TRUE(progress->Visible());
      // No second run while this one works.
      bool ranInner = false;
      auto* inner = Create<TfrProgressForm>(Form);
      EXPECT_EQ(inner->Show(report, "inner", [&] { ranInner = true; }), mrCancel);
      EXPECT_FALSE(ranInner);
      for (int page = 1; page <= 5 && !report->Terminated; ++page) {
        pages.push_back(page);
        progress->SetMessageText("Processing page:  " + std::to_string(page));
        if (page == cancelAt) progress->CancelButton->Click();
        Application->ProcessMessages();
      }
    };
  };
  EXPECT_EQ(progress->Show(report, "Preparing report", work(0)), mrOk);
  EXPECT_EQ(progress->Caption(), "Preparing report");
  EXPECT_EQ(pages.size(), 5u);
  EXPECT_FALSE(TfrProgressForm::Running());
  pages.clear();
  EXPECT_EQ(progress->Show(report, "Printing", work(2)), mrCancel);
  EXPECT_EQ(pages, (std::vector<int>{1, 2}));
  EXPECT_TRUE(report->Terminated);
  EXPECT_EQ(progress->CancelButton->Caption(), "Cancel");
}

TEST_F(DialogsTest, SearchDialogTexts) {
  auto* form = Create<TfrPreviewSearchForm>(Form);
  EXPECT_EQ(form->Caption(), "Find text");
  EXPECT_EQ(form->CaseBox->Caption(), "&Case sensitive");
  EXPECT_TRUE(form->FirstPageButton->Checked());
  EXPECT_EQ(form->CurrentPageButton->Caption(), "Current &page");
  EXPECT_EQ(form->OkButton->Caption(), "OK");
}

}  // namespace
