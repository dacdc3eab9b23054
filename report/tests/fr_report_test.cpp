// Reports built in code over virtual and user datasets, prepared headless
// (the whole A4 page printable: 794 x 1123 pixels), with the prepared pages
// inspected as data.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/base/file_stream.h"
#include "platform/base/format_settings.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/printers.h"
#include "platform/draw/recording_canvas.h"
#include "report/fr_band.h"
#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_format.h"
#include "report/fr_functions.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_picture_view.h"
#include "report/fr_printer.h"
#include "report/fr_report.h"
#include "report/fr_utils.h"
#include "report_fixture.h"

namespace {

class FrBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateUnique<TComponent>();
    report = Create<TfrReport>(owner.get());
    report->ShowProgress = false;
    page = report->Pages().Add();
    frReportHooks().ShowError = [this](const std::string& text) { errors.push_back(text); };
  }
  void TearDown() override { frReportHooks() = TfrReportHooks{}; }

  TfrBandView* Band(TfrPage* p, int kind, int y, int dy, const std::string& name,
                    const std::string& source = "", std::uint16_t flags = 0) {
    auto v = CreateUnique<TfrBandView>();
    v->SetBandType(kind);
    v->Name = name;
    v->y = y;
    v->dy = dy;
    v->dx = 700;
    v->Flags = flags;
    v->SetDataSource(source);
    return static_cast<TfrBandView*>(p->Add(std::move(v)));
  }
  TfrBandView* Band(int kind, int y, int dy, const std::string& name,
                    const std::string& source = "", std::uint16_t flags = 0) {
    return Band(page, kind, y, dy, name, source, flags);
  }
  TfrMemoView* Memo(TfrPage* p, int y, const std::string& text, int dy = 18,
                    const std::string& name = "") {
    auto m = CreateUnique<TfrMemoView>();
    m->x = 10;
    m->y = y;
    m->dx = 300;
    m->dy = dy;
    m->Memo.SetText(text);
    m->Name = name.empty() ? "M" + std::to_string(++counter) : name;
    return static_cast<TfrMemoView*>(p->Add(std::move(m)));
  }
  TfrMemoView* Memo(int y, const std::string& text, int dy = 18, const std::string& name = "") {
    return Memo(page, y, text, dy, name);
  }
  // "y:text" of every text object on prepared page `index`.
  std::vector<std::string> Page(int index, TfrReport* r = nullptr) {
    TfrEMFPages& pages = (r != nullptr ? r : report)->EMFPages();
    pages.ObjectsToPage(index);
    std::vector<std::string> out;
    for (const auto& o : pages.Pages(index).Page->Objects) {
      std::string text;
      for (int i = 0; i < o->Memo1.Count(); ++i) {
        if (i > 0) text += '|';
        for (char c : o->Memo1[i])
          if (c != kParagraphEnd) text += c;
      }
      if (!text.empty() && text.back() == '|') text.pop_back();
      out.push_back(std::to_string(o->y) + ":" + text);
    }
    return out;
  }
  int Pages() { return report->EMFPages().Count(); }
  // "x,y:text" of every object on prepared page `index`.
  std::vector<std::string> Placed(int index) {
    TfrEMFPages& pages = report->EMFPages();
    pages.ObjectsToPage(index);
    std::vector<std::string> out;
    for (const auto& o : pages.Pages(index).Page->Objects) {
      std::string t = o->Memo1.Count() > 0 ? o->Memo1[0] : std::string();
      if (!t.empty() && t.back() == kParagraphEnd) t.pop_back();
      out.push_back(std::to_string(o->x) + "," + std::to_string(o->y) + ":" + t);
    }
    return out;
  }
  TfrSubReportView* SubReport(int x, int y, int subPage) {
    auto sub = CreateUnique<TfrSubReportView>();
    sub->x = x;
    sub->y = y;
    sub->dx = 300;
    sub->dy = 20;
    sub->SubPage = subPage;
    return static_cast<TfrSubReportView*>(page->Add(std::move(sub)));
  }

  TObjectPtr<TComponent> owner;
  TfrReport* report = nullptr;
  TfrPage* page = nullptr;
  std::vector<std::string> errors;
  int counter = 0;
};

using Lines = std::vector<std::string>;

TEST_F(FrBuild, TitleDataAndSummary) {
  Band(btReportTitle, 0, 20, "Title");
  Memo(0, "Title");
  Band(btMasterData, 40, 20, "Data", "3");
  Memo(40, "rec [LINE#]");
  Band(btReportSummary, 80, 20, "Sum");
  Memo(80, "end");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 1);
  EXPECT_EQ(Page(0), (Lines{"0:Title", "20:rec 1", "40:rec 2", "60:rec 3", "80:end"}));
  EXPECT_TRUE(errors.empty());
  // The template is as it was.
  EXPECT_EQ(report->FindObject("M2")->y, 40);
}

TEST_F(FrBuild, PagesBreakWithHeadersAndFooters) {
  Band(btPageHeader, 0, 20, "PH");
  Memo(0, "head [PAGE#]");
  Band(btMasterData, 40, 100, "Data", "25");
  Memo(40, "[LINE#]");
  Band(btPageFooter, 200, 20, "PF", "", flBandOnLastPage);
  Memo(200, "foot [PAGE#]");
  ASSERT_TRUE(report->PrepareReport());
  // 1103 usable above the footer: 11 records on page 1 (no header and no
  // footer there: neither has OnFirstPage), 10 on the next pages.
  ASSERT_EQ(Pages(), 3);
  const Lines p1 = Page(0);
  EXPECT_EQ(p1.front(), "0:1");
  EXPECT_EQ(p1.back(), "1000:11");
  EXPECT_EQ(p1.size(), 11u);
  const Lines p2 = Page(1);
  EXPECT_EQ(p2[0], "0:head 2");
  EXPECT_EQ(p2[1], "20:12");
  EXPECT_EQ(p2.back(), "1103:foot 2");
  const Lines p3 = Page(2);
  EXPECT_EQ(p3.back(), "1103:foot 3");
}

TEST_F(FrBuild, PageFooterFlagsOnFirstAndLastPage) {
  Band(btPageHeader, 0, 20, "PH", "", flBandOnFirstPage);
  Memo(0, "head");
  Band(btMasterData, 40, 600, "Data", "3");
  Memo(40, "[LINE#]");
  Band(btPageFooter, 700, 20, "PF");
  Memo(700, "foot");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 3);
  // Footer neither on the first page (no OnFirstPage) nor on the last.
  EXPECT_EQ(Page(0), (Lines{"0:head", "20:1"}));
  EXPECT_EQ(Page(1), (Lines{"0:head", "20:2", "1103:foot"}));
  EXPECT_EQ(Page(2), (Lines{"0:head", "20:3"}));
}

TEST_F(FrBuild, MasterDetailSkipsEmptySubsets) {
  auto* detail = Create<TfrUserDataset>(owner.get());
  detail->SetName("Detail1");
  detail->RangeEnd = reCount;
  TfrBand* masterBand = nullptr;
  const std::vector<int> counts = {2, 0, 1};
  report->OnBeginBand = [&](TfrBand* b) {
    if (b->Kind == btMasterData) masterBand = b;
  };
  detail->OnFirst = [&](TObject*) {
    detail->RangeEndCount = counts[static_cast<std::size_t>(masterBand->DataSet->RecNo)];
  };
  Band(btMasterData, 0, 20, "Master", "3");
  Memo(0, "M[LINE#]");
  Band(btDetailHeader, 30, 20, "DH");
  Memo(30, "dh");
  Band(btDetailData, 60, 20, "Detail", "Detail1");
  Memo(60, "d[LINE#]");
  Band(btDetailFooter, 90, 20, "DF");
  Memo(90, "df");
  report->OnBeginBand = [&](TfrBand* b) {
    if (b->Kind == btMasterData) masterBand = b;
  };
  // The master band is known before its detail walks.
  report->OnBeginDoc = [&] {};
  masterBand = nullptr;
  report->OnBeginBand = nullptr;
  detail->OnFirst = [&](TObject*) {
    TfrBand* m = report->Pages().Pages(0)->Bands[btMasterData];
    detail->RangeEndCount = counts[static_cast<std::size_t>(m->DataSet->RecNo)];
  };
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Page(0), (Lines{"0:M1", "20:dh", "40:d1", "60:d2", "80:df", "100:M2", "120:dh",
                            "140:d1", "160:df"}));
  // With PrintIfSubsetEmpty the second master prints alone.
  report->FindObject("Master")->Flags |= flBandPrintIfSubsetEmpty;
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Page(0)[5], "100:M2");
  EXPECT_EQ(Page(0)[6], "120:M3");
}

TEST_F(FrBuild, GroupsWithFootersAndAggregates) {
  auto* ds = Create<TfrUserDataset>(owner.get());
  ds->SetName("Users1");
  ds->RangeEnd = reCount;
  ds->RangeEndCount = 5;
  const std::vector<std::string> groups = {"a", "a", "b", "b", "b"};
  const std::vector<int> values = {1, 2, 3, 4, 8};
  report->OnGetValue = [&](const std::string& name, Variant& v) {
    const auto i = static_cast<std::size_t>(std::min(ds->RecNo, 4));
    if (name == "GRP") v = Variant(groups[i]);
    if (name == "VAL") v = Variant(values[i]);
  };
  TfrBandView* gh = Band(btGroupHeader, 0, 20, "GH", "[GRP]");
  (void)gh;
  Memo(0, "g [GRP]");
  Band(btMasterData, 30, 20, "Data", "Users1");
  Memo(30, "[VAL]");
  Band(btGroupFooter, 60, 20, "GF");
  Memo(60, "s [SUM([VAL])] a [AVG([VAL])] n [COUNT(Data)]");
  Band(btReportSummary, 90, 20, "RS");
  Memo(90, "t [SUM([VAL])] max [MAX([VAL])] min [MIN([VAL])]");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:g a", "20:1", "40:2", "60:s 3 a 1,5 n 2", "80:g b", "100:3", "120:4",
                            "140:8", "160:s 15 a 5 n 3", "180:t 18 max 8 min 1"}));
}

TEST_F(FrBuild, GroupHeaderFormNewPage) {
  auto* ds = Create<TfrUserDataset>(owner.get());
  ds->SetName("Users1");
  ds->RangeEnd = reCount;
  ds->RangeEndCount = 4;
  report->OnGetValue = [&](const std::string& name, Variant& v) {
    if (name == "GRP") v = Variant(ds->RecNo < 2 ? 1 : 2);
  };
  Band(btGroupHeader, 0, 20, "GH", "[GRP]", flBandNewPageAfter);
  Memo(0, "g [GRP]");
  Band(btMasterData, 30, 20, "Data", "Users1");
  Memo(30, "r");
  Band(btGroupFooter, 60, 20, "GF");
  Memo(60, "f");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 2);
  EXPECT_EQ(Page(0), (Lines{"0:g 1", "20:r", "40:r", "60:f"}));
  EXPECT_EQ(Page(1), (Lines{"0:g 2", "20:r", "40:r", "60:f"}));
}

TEST_F(FrBuild, RepeatedHeaderOnEveryPage) {
  Band(btMasterHeader, 0, 20, "MH", "", flBandRepeatHeader);
  Memo(0, "hdr");
  Band(btMasterData, 30, 600, "Data", "3");
  Memo(30, "[LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 3);
  EXPECT_EQ(Page(1), (Lines{"0:hdr", "20:2"}));
}

TEST_F(FrBuild, EmptyMasterYieldsNoPageWithoutPrintIfEmpty) {
  Band(btReportTitle, 0, 20, "Title");
  Memo(0, "Title");
  Band(btMasterHeader, 30, 20, "MH");
  Memo(30, "hdr");
  Band(btMasterData, 60, 20, "Data", "0");
  Memo(60, "r");
  Band(btMasterFooter, 90, 20, "MF");
  Memo(90, "ftr");
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Page(0), (Lines{"0:Title"}));
  report->PrintIfEmpty = false;
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Pages(), 0);
}

TEST_F(FrBuild, TwoPassesGiveTotalPages) {
  Band(btMasterData, 0, 600, "Data", "3");
  Memo(0, "[PAGE#] of [TOTALPAGES]");
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Page(2), (Lines{"0:3 of 0"}));
  report->DoublePass = true;
  std::vector<int> progress;
  report->OnProgress = [&](int n) { progress.push_back(n); };
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 3);
  EXPECT_EQ(Page(2), (Lines{"0:3 of 3"}));
  EXPECT_TRUE(report->DoublePass);
  EXPECT_FALSE(progress.empty());
}

TEST_F(FrBuild, StretchedBandGrowsAndSplitsAcrossPages) {
  Band(btMasterData, 0, 20, "Data", "1", flBandStretched);
  TfrMemoView* m = Memo(0, "a\r\nb\r\nc\r\nd");
  m->Flags = flStretched | flWordWrap | flTextOnly;
  Memo(20, "after");
  ASSERT_TRUE(report->PrepareReport());
  // Four lines of 15 and the gaps: 62 high; the band grows to it.
  EXPECT_EQ(Page(0), (Lines{"0:a|b|c|d", "20:after"}));

  // A long memo on a band that may split continues on the next page.
  TfrPage* p2 = report->Pages().Add();
  p2->PrintToPrevPage = false;
  Band(p2, btMasterData, 0, 20, "Long", "1", flBandStretched | flBandBreaked);
  std::string text;
  for (int i = 1; i <= 100; ++i) text += "line" + std::to_string(i) + "\r\n";
  TfrMemoView* longMemo = Memo(p2, 0, text, 20);
  longMemo->Flags = flStretched | flWordWrap | flTextOnly;
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 3);
  const Lines a = Page(1), b = Page(2);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(a[0].substr(0, 8), "0:line1|");
  EXPECT_NE(b[0].find("line100"), std::string::npos);
  EXPECT_EQ(b[0].find("line1|"), std::string::npos);
}

TEST_F(FrBuild, TooTallBandsStillEnd) {
  Band(btPageHeader, 0, 2000, "PH");
  Memo(0, "huge header", 2000);
  Band(btMasterData, 2100, 3000, "Data", "2", flBandBreaked);
  Memo(2100, "huge", 3000);
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_GE(Pages(), 1);
  EXPECT_LE(Pages(), 6);
}

TEST_F(FrBuild, BandColumnsPrintSideBySide) {
  TfrBandView* data = Band(btMasterData, 0, 20, "Data", "4");
  data->Columns = 3;
  data->ColumnWidth = 100;
  data->ColumnGap = 10;
  Memo(0, "[LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  report->EMFPages().ObjectsToPage(0);
  std::vector<std::pair<int, int>> xy;
  for (const auto& o : report->EMFPages().Pages(0).Page->Objects) xy.emplace_back(o->x, o->y);
  EXPECT_EQ(xy, (std::vector<std::pair<int, int>>{{10, 0}, {120, 0}, {230, 0}, {10, 20}}));
}

TEST_F(FrBuild, ScriptsAndTemplateRestore) {
  TfrBandView* data = Band(btMasterData, 0, 20, "Data", "3");
  data->Script.SetText("begin if [LINE#] = 2 then Data.Visible := False; Total := Total + 1 end");
  Memo(0, "r[LINE#]", 18, "Memo1");
  Band(btReportSummary, 40, 20, "RS");
  TfrMemoView* sum = Memo(40, "[Total]", 18, "Memo2");
  sum->Script.SetText("Memo1.Memo := 'changed'");
  report->Variables().SetVariable("Total", Variant(0));
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:r1", "20:r3", "40:3"}));
  EXPECT_EQ(report->FindObject("Memo1")->Memo.Text(), "r[LINE#]\r\n");
}

TEST_F(FrBuild, ErrorsAreShownAndLeaveNoPages) {
  report->SetName("Report1");
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "[NOSUCHNAME]");
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_EQ(Pages(), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0],
            "An error occured during calculating\r[NOSUCHNAME]\r\rReport: Report1\rObject: "
            "M1\r\rUndefined symbol \"NOSUCHNAME\"");
  // No preview after a failed preparation; no second preparation inside one.
  bool shown = false;
  frReportHooks().ShowPreview = [&](TfrReport&, const std::string&) { shown = true; };
  report->ShowReport();
  EXPECT_FALSE(shown);
  bool nested = true;
  report->FindObject("M1")->Memo.SetText("x");
  report->OnBeginDoc = [&] { nested = report->PrepareReport(); };
  EXPECT_TRUE(report->PrepareReport());
  EXPECT_FALSE(nested);
}

TEST_F(FrBuild, ATemplateThatDoesNotReadBackFailsEveryPreparationAndStays) {
  Band(btMasterData, 0, 20, "Data", "2");
  Memo(0, "row [LINE#]");
  // Made in code beyond what the template reader takes; the build copes.
  Memo(0, "far")->x = kfrMaxCoordinate + 1;
  report->Dictionary().Variables.Add(" Cat");
  report->Dictionary().Variables.Add("V=1");
  TfrCompositeReport* composite = Create<TfrCompositeReport>(owner.get());
  composite->ShowProgress = false;
  composite->Reports.push_back(report);
  for (TfrReport* r : {report, static_cast<TfrReport*>(composite), report}) {
    EXPECT_FALSE(r->PrepareReport());
    EXPECT_EQ(r->EMFPages().Count(), 0);
    ASSERT_EQ(report->Pages().Count(), 1);
    EXPECT_EQ(report->Pages().Pages(0)->Objects.size(), 3u);
    EXPECT_EQ(report->Dictionary().Variables.Count(), 2);
  }
  EXPECT_EQ(errors, std::vector<std::string>(3, "Unsupported FRF format"));
}

TEST_F(FrBuild, SelfReferringVariablesAreUndefined) {
  report->Dictionary().Variables.Add(" Cat");
  report->Dictionary().Variables.Add("A=[B] + 1");
  report->Dictionary().Variables.Add("B=[A]");
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "[A]");
  EXPECT_FALSE(report->PrepareReport());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Undefined symbol"), std::string::npos);
}

TEST_F(FrBuild, CompositeContinuesOnThePreviousPage) {
  Band(btMasterData, 0, 20, "Data", "2");
  Memo(0, "first [LINE#]");
  auto* second = Create<TfrReport>(owner.get());
  TfrPage* p2 = second->Pages().Add();
  p2->PrintToPrevPage = true;
  Band(p2, btMasterData, 0, 20, "Data2", "2");
  Memo(p2, 0, "second [LINE#]");
  auto* composite = Create<TfrCompositeReport>(owner.get());
  composite->ShowProgress = false;
  composite->Reports = {report, second};
  ASSERT_TRUE(composite->PrepareReport());
  ASSERT_EQ(composite->EMFPages().Count(), 1);
  EXPECT_EQ(Page(0, composite), (Lines{"0:first 1", "20:first 2", "40:second 1", "60:second 2"}));
  second->Pages().Pages(0)->PrintToPrevPage = false;
  ASSERT_TRUE(composite->PrepareReport());
  EXPECT_EQ(composite->EMFPages().Count(), 2);
}

TEST_F(FrBuild, ShowAndPrintUseTheHooksAndThePrinter) {
  Band(btMasterData, 0, 600, "Data", "3");
  Memo(0, "x");
  auto backend = std::make_unique<TRecordingPrinterBackend>(
      std::vector<TRecordingPrinterBackend::TDevice>{{"Office", {}}}, 0);
  TRecordingPrinterBackend& jobs = *backend;
  auto oldBackend = SetPrinterBackend(std::move(backend));
  frPrinter().SetPrinter(Printer());
  std::vector<int> printed;
  std::string caption;
  frReportHooks().ShowPreview = [&](TfrReport&, const std::string& c) { caption = c; };
  report->Title = "Register";
  report->ShowReport();
  EXPECT_EQ(caption, "Preview - Register");
  // The printed page numbers come as progress.
  report->OnProgress = [&](int n) { printed.push_back(n); };
  report->PrintPreparedReport("2-", 1, true, 0);
  EXPECT_EQ(printed, (std::vector<int>{2, 3}));
  ASSERT_EQ(jobs.Jobs().size(), 1u);
  EXPECT_EQ(jobs.Jobs()[0]->Settings.Title, "Register");
  EXPECT_EQ(jobs.Jobs()[0]->Pages.size(), 2u);
  printed.clear();
  report->PrintPreparedReport("", 2, true, 1);
  EXPECT_EQ(printed, (std::vector<int>{1, 3, 1, 3}));
  // Nothing prepared: no preview, no print.
  caption.clear();
  report->EMFPages().Clear();
  report->ShowPreparedReport();
  printed.clear();
  report->PrintPreparedReport("", 1, true, 0);
  EXPECT_TRUE(caption.empty());
  EXPECT_TRUE(printed.empty());
  EXPECT_EQ(jobs.Jobs().size(), 2u);
  SetPrinterBackend(std::move(oldBackend));
  frPrinter().SetPrinter(Printer());
}

TEST_F(FrBuild, AHookTheReportNeedsIsAnErrorWhenEmpty) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "x");
  for (const auto& [expr, hook] :
       {std::pair{"INPUT('Name')", "Input"}, std::pair{"MESSAGEBOX('a', 'b', 0)", "MessageBox"}}) {
    try {
      report->ExpressionText(nullptr, expr);
      ADD_FAILURE() << expr;
    } catch (const EfrMissingHook& e) {
      EXPECT_NE(e.Message().find(hook), std::string::npos) << e.Message();
    }
  }
  ASSERT_TRUE(report->PrepareReport());
  try {
    report->ShowPreparedReport();
    ADD_FAILURE() << "no error";
  } catch (const EfrMissingHook& e) {
    EXPECT_NE(e.Message().find("ShowPreview"), std::string::npos);
  }
  // A dialog page inside a build: the error is shown, nothing prepared.
  report->Pages().Add()->PageType = ptDialog;
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_EQ(Pages(), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("RunDialog"), std::string::npos) << errors[0];
}

TEST_F(FrBuild, TheSecondPrintAfterAPreviewResolvesNamesAndFunctions) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "[cName] [UPPERCASE('a')]");
  report->OnGetValue = [](const std::string& name, Variant& v) {
    if (name == "cName") v = Variant(std::string("v"));
  };
  frReportHooks().ShowPreview = [](TfrReport&, const std::string&) {};
  for (int print = 0; print < 2; ++print) {
    SCOPED_TRACE(print);
    report->ShowReport();
    ASSERT_EQ(Pages(), 1) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(Page(0), (Lines{"0:v A"}));
  }
}

TEST_F(FrBuild, CompositeMembersReportProgressThroughTheComposite) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "x");
  auto* composite = Create<TfrCompositeReport>(owner.get());
  composite->Reports = {report};
  std::vector<std::string> heard;
  frReportHooks().RunWithProgress = [](TfrReport&, const std::string&, const std::string&,
                                       const std::function<void()>& work) {
    work();
    return true;
  };
  frReportHooks().Progress = [&](const std::string& text) { heard.push_back(text); };
  ASSERT_TRUE(composite->PrepareReport());
  ASSERT_FALSE(heard.empty());
  for (const std::string& text : heard) EXPECT_EQ(text.rfind("Processing page:  ", 0), 0u) << text;
}

TEST(FrPageNumbers, Parse) {
  const struct {
    const char* Text;
    int Count;
    std::vector<int> Pages;
  } cases[] = {
      {"", 5, {}},
      {"2-", 4, {2, 3, 4}},
      {"1,3,5-7", 10, {1, 3, 5, 6, 7}},
      {" 1 , 2 ", 3, {1, 2}},
      {"1-2000000000", 3, {1, 2, 3}},
      // A lone number past either end prints nothing; of a range, only the
      // pages the report has.
      {"0,9", 3, {}},
      {"7-9", 2, {}},
      {"3-", 2, {}},
      {"5", 3, {}},
      {"0", 3, {}},
      {"2,5,99999999999", 3, {2}},
      {"0-1,3-9", 3, {1, 3}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParsePageNumbers(c.Text, c.Count), c.Pages) << c.Text;
  EXPECT_THROW(ParsePageNumbers("1,x", 3), EConvertError);
  EXPECT_THROW(ParsePageNumbers("1-2-3", 3), EConvertError);
}

TEST(FrFormatSuffix, Codes) {
  const char sep = FormatSettings.DecimalSeparator;
  const struct {
    const char* Fmt;
    std::int32_t Code;
    const char* FormatStr;
  } cases[] = {
      {"N0,2", MakeFormat(1, 1, 2, ','), ""},
      {"0.3", MakeFormat(1, 1, 3, '.'), ""},
      {"N2", MakeFormat(1, 1, 2, sep), ""},
      {"2", MakeFormat(1, 1, 2, sep), ""},
      {"N0", MakeFormat(1, 1, 0, sep), ""},
      {"N2x", MakeFormat(1, 1, 0, sep), ""},
      {"N#,##0.00", MakeFormat(1, 4, 0, sep), "#,##0.00"},
      {"Ddd.mm.yyyy", MakeFormat(2, 4, 0, sep), "dd.mm.yyyy"},
      {"BНет;Да", MakeFormat(4, 4, 0, sep), "Нет;Да"},
  };
  for (const auto& c : cases) {
    std::string fs;
    EXPECT_EQ(ParseFormatSuffix(c.Fmt, fs), c.Code) << c.Fmt;
    EXPECT_EQ(fs, c.FormatStr) << c.Fmt;
  }
}

TEST_F(FrBuild, ExpressionTextsAndFunctions) {
  report->OnGetValue = [](const std::string& name, Variant& v) {
    if (name == "cINN") v = Variant(std::string("7701"));
  };
  const struct {
    const char* Expr;
    const char* Text;
  } cases[] = {
      {"cINN", "7701"},
      {"1234.5 #N0,2", "1234,50"},
      {"5 #N2", "5.00"},
      {"1234.5 #3", "1234.500"},
      {"'a #b'", "a #b"},
      {"NAMECASE('iVANOVA')", "Ivanova"},
      {"POS('x', 'abc')", "0"},
      {"POS('b', 'abc')", "2"},
      {"LENGTH('Ёлка')", "4"},
      {"UPPERCASE('ёлка')", "ЁЛКА"},
      {"LOWERCASE('ABC')", "abc"},
      {"TRIM('  a ')", "a"},
      {"MAXNUM(2, 7)", "7"},
      {"MINNUM(2, 7)", "2"},
      {"FORMATFLOAT('0.00', 2)", "2.00"},
      {"DAYOF(STRTODATE('05.03.2007'))", "5"},
      {"MONTHOF(STRTODATE('05.03.2007'))", "3"},
      {"YEAROF(STRTODATE('05.03.2007'))", "2007"},
      {"FORMATDATETIME('yyyy', STRTODATE('05.03.2007'))", "2007"},
      {"clRed", "255"},
      {"mb_IconWarning", "48"},
      {"NOSUCHFUNCTION(1)", "0"},
  };
  const TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.DateSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(report->ExpressionText(nullptr, c.Expr), c.Text) << c.Expr;
    } catch (const Exception& e) {
      ADD_FAILURE() << c.Expr << ": " << e.Message();
    }
  }
  FormatSettings = saved;
}

TEST_F(FrBuild, ReportProcedures) {
  Band(btMasterData, 0, 20, "Data", "5");
  TfrMemoView* m = Memo(0, "[LINE#]");
  m->Script.SetText(
      "begin Inc(N); Arr[[LINE#]] := [LINE#] * 10; if [LINE#] = 3 then StopReport end");
  Band(btReportSummary, 40, 20, "RS");
  Memo(40, "[N] [GETARRAY(Arr, 2)]");
  report->Variables().SetVariable("N", Variant(0));
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:1", "20:2", "40:3", "60:3 20"}));
}

// An array index names its element by its whole part; one past the 64-bit
// range is the parser's error, not a wrapped number.
TEST_F(FrBuild, ArrayIndexesBeyondSixtyFourBitsAreRefused) {
  report->ExpressionText(nullptr, "SETARRAY('a', -2.7, 'x')");
  EXPECT_EQ(report->ExpressionText(nullptr, "GETARRAY('a', -2)"), "x");
  for (const char* expression :
       {"GETARRAY('a', 1e300)", "GETARRAY('a', -1e19)", "SETARRAY('a', 1e300, 1)"})
    EXPECT_THROW(report->ExpressionText(nullptr, expression), EParserError) << expression;
}

// A child band counts the records of the nearest band above it in its
// chain that has a dataset.
TEST_F(FrBuild, ChildBandsCountTheRecordsOfTheBandAboveThem) {
  Band(btMasterData, 0, 20, "Data", "3")->ChildBand = "Child1";
  Memo(0, "r[LINE#]");
  Band(btChild, 40, 20, "Child1")->ChildBand = "Child2";
  Memo(40, "k[LINE#]/[LINETHROUGH#]");
  Band(btChild, 80, 20, "Child2");
  Memo(80, "c[LINE#]");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:r1", "20:k1/1", "40:c1", "60:r2", "80:k2/2", "100:c2", "120:r3",
                            "140:k3/3", "160:c3"}));
}

// The failing object's text, name and report, then the cause: also when
// the failure comes while its stretched band is measured.
TEST_F(FrBuild, AFailedExpressionShowsTheEnginesWholeText) {
  report->SetName("Report1");
  report->OnGetValue = [](const std::string& name, Variant&) {
    if (name == "BOOM") throw Exception("boom");
  };
  Band(btMasterData, 0, 40, "Data", "2", flBandStretched);
  Memo(0, "fine", 18, "Fine");
  Memo(20, "first\r\nv=[BOOM]", 18, "Failing")->Flags = flStretched | flWordWrap;
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_EQ(Pages(), 0);
  EXPECT_EQ(errors, (std::vector<std::string>{"An error occured during calculating\rfirst\rv=[BOOM]"
                                              "\r\rReport: Report1\rObject: Failing\r\rboom"}));
}

// No object stays current after a preparation: the restored template's
// objects are new, and the next preparation measures a stretched band,
// whose script reads CALCWIDTH, before any object prints.
TEST_F(FrBuild, NoObjectStaysCurrentAfterAPreparation) {
  Band(btMasterData, 0, 20, "Data", "2", flBandStretched);
  TfrMemoView* m = Memo(0, "w[W]");
  m->Flags = flStretched | flWordWrap;
  m->Script.SetText("W := CALCWIDTH");
  report->Variables().SetVariable("W", Variant(0));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(frEngine().CurView, nullptr);
  }
  {
    auto view = CreateUnique<TfrMemoView>();
    frEngine().CurView = frEngine().CurBandView = view.get();
  }
  EXPECT_EQ(frEngine().CurView, nullptr);
  EXPECT_EQ(frEngine().CurBandView, nullptr);
}

}  // namespace

namespace {

TEST_F(FrBuild, FieldReferencesInsideExpressions) {
  TArrayDataSet* table = MakeTable(owner.get(), 3);
  auto* db = Create<TfrDBDataSet>(owner.get());
  db->SetName("frDB1");
  db->SetDataSet(table);
  Band(btMasterData, 0, 20, "Data", "frDB1");
  Memo(0, "[frDB1.\"NAME\"] [frDB1.ID * 10]");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:n1 10", "20:n2 20", "40:n3 30"}));
}

TEST_F(FrBuild, DataBandFormNewPageAndManualBuild) {
  Band(btMasterData, 0, 20, "Data", "3", flBandNewPageAfter);
  Memo(0, "[LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 3);
  EXPECT_EQ(Page(2), (Lines{"0:3"}));

  int built = 0;
  report->OnManualBuild = [&](TfrPage* p) {
    ++built;
    p->ShowBandByName("data");
    p->NewPage();
    p->ShowBandByName("Data");
  };
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(built, 1);
  EXPECT_EQ(Pages(), 2);
}

TEST_F(FrBuild, PageColumnsWithColumnHeaderAndFooter) {
  page->Columns = 2;
  page->ColumnGap = 20;
  Band(btColumnHeader, 0, 20, "CH");
  Memo(0, "ch");
  Band(btMasterData, 30, 500, "Data", "5");
  Memo(30, "[LINE#]");
  Band(btColumnFooter, 600, 20, "CF");
  Memo(600, "cf");
  ASSERT_TRUE(report->PrepareReport());
  ASSERT_EQ(Pages(), 2);
  report->EMFPages().ObjectsToPage(0);
  std::vector<std::string> placed;
  for (const auto& o : report->EMFPages().Pages(0).Page->Objects)
    placed.push_back(std::to_string(o->x) + "," + std::to_string(o->y) + ":" +
                     o->Memo1[0].substr(0, 2));
  // Columns 387 wide: (794 - 20) / 2. The column footer prints above the
  // page bottom in each column.
  EXPECT_EQ(placed, (std::vector<std::string>{"10,0:ch", "10,20:1", "10,520:2", "10,1020:cf",
                                              "417,0:ch", "417,20:3", "417,520:4", "417,1020:cf"}));
}

TEST_F(FrBuild, LoadFromFileReportsFailure) {
  EXPECT_FALSE(report->LoadFromFile("/nonexistent/report.frf"));
  const std::string path = ::testing::TempDir() + "broken.frf";
  {
    TFileStream f(path, fmCreate);
    const char bytes[] = {24, 0, 0, 0, 0, 0, 0, 7, 7, 7};
    f.WriteBuffer(bytes, sizeof bytes);
  }
  EXPECT_FALSE(report->LoadFromFile(path));
  EXPECT_EQ(errors.size(), 1u);
  ASSERT_EQ(report->Pages().Count(), 1);
  page = report->Pages().Pages(0);
  // A template written and read back prepares the same.
  Band(btMasterData, 0, 20, "Data", "2");
  Memo(0, "[LINE#]");
  const std::string good = ::testing::TempDir() + "good.frf";
  {
    TFileStream f(good, fmCreate);
    report->SaveToStream(f);
  }
  auto* other = Create<TfrReport>(owner.get());
  other->ShowProgress = false;
  ASSERT_TRUE(other->LoadFromFile(good));
  ASSERT_TRUE(other->PrepareReport());
  EXPECT_EQ(Page(0, other), (Lines{"0:1", "20:2"}));
}

TEST_F(FrBuild, PositionVariables) {
  Band(btReportTitle, 0, 40, "Title");
  Memo(0, "[CURY] [FREESPACE] [PAGEHEIGHT] [PAGEWIDTH] [FINALPASS]");
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Page(0), (Lines{"0:0 1123 1123 794 True"}));
}

}  // namespace

namespace {

TEST_F(FrBuild, SubReportPrintsInsideItsBand) {
  Band(btMasterData, 0, 40, "Data", "2");
  Memo(0, "m[LINE#]");
  auto sub = CreateUnique<TfrSubReportView>();
  sub->x = 400;
  sub->y = 10;
  sub->dx = 300;
  sub->dy = 20;
  sub->SubPage = 1;
  page->Add(std::move(sub));
  TfrPage* inner = report->Pages().Add();
  Band(inner, btMasterData, 0, 20, "Inner", "3");
  TfrMemoView* m = Memo(inner, 0, "s[LINE#]");
  m->x = 0;
  Band(btReportSummary, 100, 20, "RS");
  Memo(100, "end");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(Pages(), 1);
  report->EMFPages().ObjectsToPage(0);
  std::vector<std::string> placed;
  for (const auto& o : report->EMFPages().Pages(0).Page->Objects)
    placed.push_back(std::to_string(o->x) + "," + std::to_string(o->y) + ":" + o->Memo1[0]);
  for (std::string& p : placed)
    if (!p.empty() && p.back() == kParagraphEnd) p.pop_back();
  // The sub-report's records run from its place; the band then ends below
  // the lowest of them.
  EXPECT_EQ(placed,
            (std::vector<std::string>{"10,0:m1", "400,10:s1", "400,30:s2", "400,50:s3", "10,70:m2",
                                      "400,80:s1", "400,100:s2", "400,120:s3", "10,140:end"}));
}

}  // namespace

namespace {

TEST_F(FrBuild, CrossTabColumnsPerRow) {
  Band(btMasterData, 0, 20, "Data", "2");
  Memo(0, "r[LINE#]");  // x 10..310: outside the cross bands
  TfrBandView* ch = Band(btCrossHeader, 0, 1000, "CH");
  ch->x = 400;
  ch->dx = 50;
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "3");
  cd->x = 450;
  cd->dx = 40;
  TfrBandView* cf = Band(btCrossFooter, 0, 1000, "CF");
  cf->x = 490;
  cf->dx = 60;
  const auto cell = [&](int x, int dx, const std::string& text) {
    TfrMemoView* m = Memo(0, text);
    m->x = x;
    m->dx = dx;
  };
  cell(400, 50, "h");
  cell(450, 40, "[COLUMN#]");
  cell(490, 60, "f");
  std::vector<int> widths;
  report->OnPrintColumn = [&](int col, int& width) {
    widths.push_back(col);
    if (col == 2) width = 70;
  };
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  report->EMFPages().ObjectsToPage(0);
  std::vector<std::string> placed;
  for (const auto& o : report->EMFPages().Pages(0).Page->Objects) {
    std::string t = o->Memo1[0];
    if (!t.empty() && t.back() == kParagraphEnd) t.pop_back();
    placed.push_back(std::to_string(o->x) + "," + std::to_string(o->y) + ":" + t);
  }
  EXPECT_EQ(placed, (std::vector<std::string>{"10,0:r1", "400,0:h", "450,0:1", "490,0:2", "560,0:3",
                                              "600,0:f", "10,20:r2", "400,20:h", "450,20:1",
                                              "490,20:2", "560,20:3", "600,20:f"}));
  EXPECT_EQ(widths, (std::vector<int>{1, 2, 3, 1, 2, 3}));
}

}  // namespace

namespace {

TEST_F(FrBuild, PreparedPagesDrawTheirText) {
  Band(btMasterData, 0, 40, "Data", "1");
  TfrMemoView* m = Memo(0, "first second third", 40);
  m->dx = 60;  // 56 for text: "first" and "second" on lines of their own
  ASSERT_TRUE(report->PrepareReport());
  TRecordingCanvas canvas;
  report->EMFPages().Pages(0).Visible = true;
  const TSize size = report->EMFPages().Pages(0).ScreenSize();
  report->EMFPages().Draw(0, canvas, TRect{0, 0, size.cx, size.cy});
  std::vector<std::string> texts;
  for (const auto& r : canvas.Records())
    if (r.Kind == TRecordKind::Text) texts.push_back(r.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"first", "second", "third"}));
}

}  // namespace

namespace {

TEST_F(FrBuild, BoundaryObjectsGoToTheLowerKind) {
  // An object exactly at the data band's bottom and the summary's top goes
  // to the band of the lower kind, whatever the order of the objects.
  Band(btMasterData, 0, 20, "Data", "2");
  Band(btReportSummary, 20, 20, "RS");
  Memo(20, "edge");
  ASSERT_TRUE(report->PrepareReport());
  EXPECT_EQ(Page(0), (Lines{"40:edge"}));
}

}  // namespace

namespace {

TEST_F(FrBuild, DialogPagesRunFirstAndCancelStops) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "[Answer]");
  TfrPage* dialog = report->Pages().Add();
  dialog->PageType = ptDialog;
  dialog->Script.SetText("Answer := 42");
  int result = 1;
  int shown = 0;
  frReportHooks().RunDialog = [&](TfrReport&, TfrPage&) {
    ++shown;
    return result;
  };
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(Page(0), (Lines{"0:42"}));
  result = 2;
  EXPECT_FALSE(report->PrepareReport());
  EXPECT_EQ(Pages(), 0);
}

}  // namespace

namespace {

TEST_F(FrBuild, CrossTabColumnsContinueOnTheNextPage) {
  Band(btMasterData, 0, 20, "Data", "2");
  TfrBandView* ch = Band(btCrossHeader, 0, 1000, "CH", "", flBandRepeatHeader);
  ch->x = 300;
  ch->dx = 100;
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "3");
  cd->x = 400;
  cd->dx = 300;
  for (auto [x, dx, text] : {std::tuple{300, 100, "h"}, std::tuple{400, 300, "[COLUMN#]"}}) {
    TfrMemoView* m = Memo(0, text);
    m->x = x;
    m->dx = dx;
  }
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(Pages(), 2);
  const auto placed = [&](int index) {
    report->EMFPages().ObjectsToPage(index);
    std::vector<std::string> out;
    for (const auto& o : report->EMFPages().Pages(index).Page->Objects) {
      std::string t = o->Memo1[0];
      if (!t.empty() && t.back() == kParagraphEnd) t.pop_back();
      out.push_back(std::to_string(o->x) + "," + std::to_string(o->y) + ":" + t);
    }
    return out;
  };
  EXPECT_EQ(placed(0), (std::vector<std::string>{"300,0:h", "400,0:1", "300,20:h", "400,20:1"}));
  EXPECT_EQ(placed(1), (std::vector<std::string>{"0,0:h", "100,0:2", "400,0:3", "0,20:h",
                                                 "100,20:2", "400,20:3"}));
}

}  // namespace

namespace {

class TTextFilter : public TfrExportFilter {
 public:
  std::vector<std::string> Calls;
  void OnBeginDoc(TStream&) override { Calls.push_back("doc"); }
  void OnBeginPage() override { Calls.push_back("page"); }
  void OnText(const TRect&, int, int y, const std::string& text, int, TfrView*) override {
    Calls.push_back(std::to_string(y) + ":" + text);
  }
  void OnEndPage() override { Calls.push_back("/page"); }
  void OnEndDoc() override { Calls.push_back("/doc"); }
};

TEST_F(FrBuild, ExportHandsEveryPageToTheFilter) {
  Band(btMasterData, 0, 600, "Data", "2");
  Memo(0, "r[LINE#]");
  ASSERT_TRUE(report->PrepareReport());
  TTextFilter filter;
  bool after = false;
  filter.OnAfterExport = [&] { after = true; };
  report->ExportTo(filter, ::testing::TempDir() + "export.txt");
  EXPECT_EQ(filter.Calls, (std::vector<std::string>{"doc", "page", "1:r1", "/page", "page", "1:r2",
                                                    "/page", "/doc"}));
  EXPECT_TRUE(after);
  TTextFilter vetoed;
  vetoed.OnBeforeExport = [](bool& cancel) { cancel = true; };
  report->ExportTo(vetoed, ::testing::TempDir() + "export2.txt");
  EXPECT_TRUE(vetoed.Calls.empty());
}

}  // namespace

namespace {

TEST_F(FrBuild, MissingAddInsAreReportedAndTheRestLoads) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "kept");
  frRegisterObject("TfrLater", [] { return TObjectPtr<TfrView>(CreateUnique<TfrMemoView>()); });
  // Written under its own class name, which no add-in answers when read.
  page->Add(CreateReportObject(gtAddIn, "TfrLater"));
  TMemoryStream stream;
  report->SaveToStream(stream);
  frUnregisterObject("TfrLater");
  auto* other = Create<TfrReport>(owner.get());
  other->ShowProgress = false;
  stream.SetPosition(0);
  other->LoadFromStream(stream);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(
      errors[0],
      "Report contains the following non-plugged components:\r\nTfrMemoView\rYou must include "
      "these components into your project.");
  ASSERT_TRUE(other->PrepareReport());
  EXPECT_EQ(Page(0, other), (Lines{"0:kept"}));
}

}  // namespace

namespace {

// Two sub-reports in one band print side by side from their places; the
// longer one continues on the next page, and the band ends below the
// lower of the two.
TEST_F(FrBuild, SubReportsPrintSideBySide) {
  struct Case {
    int left, right;
    int pages;
    std::vector<std::string> lastPage;  // what the last page holds, in order
  };
  const Case cases[] = {
      {2,
       4,
       1,
       {"10,0:m", "0,20:l1", "0,40:l2", "400,20:r1", "400,40:r2", "400,60:r3", "400,80:r4",
        "10,100:end"}},
      // 55 records fit below y 20 on a page 1123 high.
      {3, 57, 2, {"400,0:r56", "400,20:r57", "10,40:end"}},
      {58, 56, 2, {"0,0:l56", "0,20:l57", "0,40:l58", "400,0:r56", "10,60:end"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + "/" + std::to_string(c.right));
    SetUp();
    Band(btMasterData, 0, 40, "Data", "1");
    Memo(0, "m")->dx = 100;
    SubReport(0, 20, 1);
    SubReport(400, 20, 2);
    Band(btReportSummary, 100, 20, "RS");
    Memo(100, "end");
    for (const auto& [name, count] : {std::pair{"l", c.left}, std::pair{"r", c.right}}) {
      TfrPage* inner = report->Pages().Add();
      Band(inner, btMasterData, 0, 20, std::string("D") + name, std::to_string(count));
      Memo(inner, 0, std::string(name) + "[LINE#]")->x = 0;
    }
    ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
    ASSERT_EQ(Pages(), c.pages);
    EXPECT_EQ(Placed(c.pages - 1), c.lastPage);
    if (c.pages > 1) {
      // Both start at the band's place on the first page.
      const Lines first = Placed(0);
      EXPECT_EQ(first[1], "0,20:l1");
      EXPECT_NE(std::find(first.begin(), first.end(), "400,20:r1"), first.end());
      EXPECT_NE(std::find(first.begin(), first.end(), "400,1100:r55"), first.end());
    }
  }
}

// A sub-report band that cannot fit even on an empty page prints there
// anyway (after moving to one): the build ends, one page per record.
TEST_F(FrBuild, SubReportBandTallerThanAPageStillEnds) {
  Band(btMasterData, 0, 40, "Data", "1");
  SubReport(0, 20, 1);
  TfrPage* inner = report->Pages().Add();
  Band(inner, btMasterData, 0, 2000, "Tall", "2");
  Memo(inner, 0, "t[LINE#]", 2000)->x = 0;
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(Pages(), 3);
  EXPECT_EQ(Placed(0), (Lines{}));
  EXPECT_EQ(Placed(1), (Lines{"0,0:t1"}));
  EXPECT_EQ(Placed(2), (Lines{"0,0:t2"}));
}

// A sub-report with groups: the group values are compared while the
// sub-report is recorded, so the footers come after the last record of
// each group and show its values.
TEST_F(FrBuild, SubReportGroupsAndDetailRecords) {
  auto* ds = Create<TfrUserDataset>(owner.get());
  ds->SetName("Inner1");
  ds->RangeEnd = reCount;
  ds->RangeEndCount = 4;
  report->OnGetValue = [&](const std::string& name, Variant& v) {
    if (name == "GRP") v = Variant(std::min(ds->RecNo, 3) / 2);
    if (name == "VAL") v = Variant(std::min(ds->RecNo, 3) + 1);
  };
  // The sub-report keeps its place in its band, wherever the band prints.
  Band(btReportTitle, 0, 30, "Title");
  Memo(0, "T");
  Band(btMasterData, 40, 20, "Data", "1");
  SubReport(0, 50, 1);
  TfrPage* inner = report->Pages().Add();
  Band(inner, btGroupHeader, 0, 20, "GH", "[GRP]");
  Memo(inner, 0, "g[GRP]")->x = 0;
  Band(inner, btMasterData, 30, 20, "DI", "Inner1");
  Memo(inner, 30, "v[VAL]")->x = 0;
  Band(inner, btGroupFooter, 60, 20, "GF");
  Memo(inner, 60, "s[SUM([VAL])]")->x = 0;
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Placed(0), (Lines{"10,0:T", "0,40:g0", "0,60:v1", "0,80:v2", "0,100:s3", "0,120:g1",
                              "0,140:v3", "0,160:v4", "0,180:s7"}));
}

// Columns that do not fit beside the rows go to a page of their own, which
// gets the page header and the column header of the page it continues,
// and its own page footer.
TEST_F(FrBuild, CrossTabOverflowPageHasHeadersAndFooter) {
  Band(btPageHeader, 0, 20, "PH", "", flBandOnFirstPage);
  Memo(0, "ph[PAGE#]")->dx = 200;
  Band(btColumnHeader, 20, 20, "CO");
  Memo(20, "col")->dx = 200;
  Band(btMasterData, 40, 20, "Data", "2");
  Band(btPageFooter, 100, 20, "PF", "", flBandOnFirstPage | flBandOnLastPage);
  Memo(100, "pf[PAGE#]")->dx = 200;
  TfrBandView* ch = Band(btCrossHeader, 0, 1000, "CH", "", flBandRepeatHeader);
  ch->x = 300;
  ch->dx = 100;
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "3");
  cd->x = 400;
  cd->dx = 300;
  for (auto [x, dx, text] : {std::tuple{300, 100, "h"}, std::tuple{400, 300, "[COLUMN#]"}}) {
    TfrMemoView* m = Memo(40, text);
    m->x = x;
    m->dx = dx;
  }
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(Pages(), 2);
  EXPECT_EQ(Placed(0), (Lines{"10,0:ph1", "10,20:col", "300,40:h", "400,40:1", "300,60:h",
                              "400,60:1", "10,1103:pf1"}));
  EXPECT_EQ(Placed(1), (Lines{"10,0:ph2", "10,20:col", "0,40:h", "100,40:2", "400,40:3", "0,60:h",
                              "100,60:2", "400,60:3", "10,1103:pf2"}));
}

// A band that splits: what lies under a cut text object (in its span)
// moves down when the rest of the text needs more room than the part of
// the object left below the cut; what lies beside it does not.
TEST_F(FrBuild, SplitBandMovesOnlyWhatLiesUnderACutText) {
  Band(btMasterData, 0, 1300, "Data", "1", flBandBreaked);
  std::string text;
  for (int i = 1; i <= 100; ++i) text += "line" + std::to_string(i) + "\r\n";
  TfrMemoView* cut = Memo(0, text, 1200);
  cut->Flags = flWordWrap | flTextOnly;
  Memo(1210, "under")->Flags = flTextOnly;
  TfrMemoView* aside = Memo(1210, "aside");
  aside->Flags = flTextOnly;
  aside->x = 400;
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(Pages(), 2);
  const Lines second = Placed(1);
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[0].substr(0, 4), "10,0");
  // 1210 - 1121 (the first part's usable height).
  EXPECT_EQ(second[2], "400,89:aside");
  const int under = std::stoi(second[1].substr(3));
  EXPECT_GT(under, 300);
  EXPECT_EQ(second[1].substr(second[1].find(':')), ":under");
}

class THookMemo : public TfrMemoView {
  MEBRATH_CLASS(THookMemo, TfrMemoView)
 public:
  std::vector<std::string>* Heard = nullptr;
  void OnHook(TfrView* printed) override { Heard->push_back(printed->Name); }

 protected:
  THookMemo() = default;
};

TEST_F(FrBuild, ObjectsWithFlagBit7HearEveryPrintedText) {
  std::vector<std::string> heard;
  Band(btMasterData, 0, 20, "Data", "2");
  Memo(0, "r[LINE#]")->Flags = flTextOnly | flWordWrap;
  // Flag bit 7 of a text object; a band's bit 7 means something else.
  Band(btReportTitle, 40, 20, "Title", "", flWantHook);
  auto hook = CreateUnique<THookMemo>();
  hook->Heard = &heard;
  hook->y = 40;
  hook->dx = 100;
  hook->dy = 18;
  hook->Flags = flWantHook | flTextOnly;
  hook->Memo.SetText("t");
  hook->Name = "Hook";
  page->Add(std::move(hook));
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(heard, (std::vector<std::string>{"Hook", "M1", "M1"}));
  EXPECT_TRUE(frEngine().HookObjects.empty());
}

TEST_F(FrBuild, DialogPageScriptSetsTheModalResult) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "x");
  report->Pages().Add()->PageType = ptDialog;
  frReportHooks().RunDialog = [&](TfrReport&, TfrPage&) { return 1; };
  const struct {
    const char* script;
    bool prepared;
  } cases[] = {{"", true}, {"ModalResult := mrCancel", false}, {"ModalResult := mrOk", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    // Each preparation reloads the template.
    report->Pages().Pages(1)->Script.SetText(c.script);
    EXPECT_EQ(report->PrepareReport(), c.prepared);
    EXPECT_EQ(Pages(), c.prepared ? 1 : 0);
  }
}

TEST_F(FrBuild, ReportFormHoldsTheTemplateWhenStoredInTheForm) {
  Band(btMasterData, 0, 20, "Data", "1");
  Memo(0, "kept");
  for (bool store : {false, true}) {
    SCOPED_TRACE(store);
    report->StoreInDFM = store;
    TMemoryStream form;
    report->WriteReportForm(form);
    TMemoryStream templ;
    report->SaveToStream(templ);
    EXPECT_EQ(form.Size(), store ? 8 + templ.Size() : 4);

    auto* copy = Create<TfrReport>(owner.get());
    copy->StoreInDFM = store;
    copy->BeginLoading();
    form.SetPosition(0);
    copy->ReadReportForm(form);
    copy->EndLoading();
    EXPECT_EQ(copy->Pages().Count(), store ? 1 : 0);
    EXPECT_EQ(copy->FindObject("M1") != nullptr, store);
  }
  // A size beyond the stream is refused.
  TMemoryStream bad;
  WriteI32(bad, 24);
  WriteI32(bad, 1000);
  bad.SetPosition(0);
  auto* copy = Create<TfrReport>(owner.get());
  copy->StoreInDFM = true;
  EXPECT_THROW(copy->ReadReportForm(bad), EReadError);
}

}  // namespace

namespace {

// The cross footer's cells total the columns of their own row.
TEST_F(FrBuild, CrossFooterTotalsItsRow) {
  Band(btMasterData, 0, 20, "Data", "2");
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "3");
  cd->x = 400;
  cd->dx = 40;
  TfrBandView* cf = Band(btCrossFooter, 0, 1000, "CF");
  cf->x = 440;
  cf->dx = 100;
  for (auto [x, dx, text] :
       {std::tuple{400, 40, "[COLUMN#]"}, std::tuple{440, 100, "t[SUM([COLUMN#] * [LINE#])]"}}) {
    TfrMemoView* m = Memo(0, text);
    m->x = x;
    m->dx = dx;
  }
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Placed(0), (Lines{"400,0:1", "440,0:2", "480,0:3", "520,0:t6", "400,20:1", "440,20:2",
                              "480,20:3", "520,20:t12"}));
}

}  // namespace

namespace {

// A footer's cell in a cross-tab column totals that column over the rows.
TEST_F(FrBuild, CrossColumnTotalsInTheFooter) {
  Band(btMasterData, 0, 20, "Data", "3");
  Band(btMasterFooter, 40, 20, "MF");
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "2");
  cd->x = 400;
  cd->dx = 40;
  for (auto [y, text] : {std::pair{0, "[COLUMN#]"}, std::pair{40, "[SUM([COLUMN#] * [LINE#])]"}}) {
    TfrMemoView* m = Memo(y, text);
    m->x = 400;
    m->dx = 40;
  }
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Placed(0), (Lines{"400,0:1", "440,0:2", "400,20:1", "440,20:2", "400,40:1", "440,40:2",
                              "400,60:6", "440,60:12"}));
}

}  // namespace

namespace {

// A script that sets its object's memo sets the text to expand, from the
// first record on; only a text the report's handler changes prints as it
// is.
TEST_F(FrBuild, ScriptSetMemoIsExpandedOnEveryRecord) {
  Band(btMasterData, 0, 20, "Data", "3");
  Memo(0, "t[LINE#]", 18, "M")->Script.SetText("M.Memo := 'abc [LINE#]'");
  Band(btMasterData, 100, 20, "Wide", "2", flBandStretched);
  Memo(100, "w[LINE#]", 18, "W")->Script.SetText("W.Memo := 'wide [LINE#]'");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:abc 1", "20:abc 2", "40:abc 3", "60:wide 1", "80:wide 2"}));

  int calls = 0;
  report->OnBeforePrint = [&](TStringList& memo, TfrView* view) {
    if (view->Name == "M" && ++calls == 2) memo.SetText("[by hand]");
  };
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Page(0), (Lines{"0:abc 1", "20:[by hand]", "40:abc 3", "60:wide 1", "80:wide 2"}));
}

// Cells of a stretched band print the number of the column they print in,
// not the one the band's measuring saw.
TEST_F(FrBuild, StretchedCrossCellsPrintTheirOwnColumn) {
  Band(btMasterData, 0, 20, "Data", "2", flBandStretched);
  TfrBandView* ch = Band(btCrossHeader, 0, 1000, "CH");
  ch->x = 340;
  ch->dx = 60;
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "3");
  cd->x = 400;
  cd->dx = 60;
  for (auto [x, text] : {std::pair{340, "h[COLUMN#]"}, std::pair{400, "c[COLUMN#] [LINE#]"}}) {
    TfrMemoView* m = Memo(0, text);
    m->x = x;
    m->dx = 60;
  }
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(Placed(0), (Lines{"340,0:h1", "400,0:c1 1", "460,0:c2 1", "520,0:c3 1", "340,20:h1",
                              "400,20:c1 2", "460,20:c2 2", "520,20:c3 2"}));
}

}  // namespace

namespace {

// The texts of `page`'s objects named `name`, in order.
Lines TextsOf(TfrReport& report, int index, const std::string& name) {
  TfrEMFPages& pages = report.EMFPages();
  pages.ObjectsToPage(index);
  Lines out;
  for (const auto& o : pages.Pages(index).Page->Objects) {
    if (o->Name != name || o->Memo1.Count() == 0) continue;
    std::string t = o->Memo1[0];
    if (!t.empty() && t.back() == kParagraphEnd) t.pop_back();
    out.push_back(t);
  }
  return out;
}

// An object's script runs once for each print of the object, however often
// its band is measured: chained with bands without a dataset, with a child
// chain, moved to the next page, and in the first of two passes.
TEST_F(FrBuild, ScriptsRunOncePerPrintWhateverMeasuresTheBand) {
  const auto counted = [&](TfrPage* p, int y, const std::string& name, const std::string& var) {
    TfrMemoView* m = Memo(p, y, name + "=[" + var + "]", 18, name);
    m->Script.SetText("Inc(" + var + ")");
    return m;
  };
  const auto reset = [&] {
    for (const char* v : {"N", "K", "T"}) report->Variables().SetVariable(v, Variant(0));
  };
  // A data band printed as one block with the band below it.
  Band(btMasterData, 0, 20, "Data", "3", flBandStretched);
  counted(page, 0, "n", "N");
  Band(btMasterData, 30, 20, "Chained", "", flBandStretched);
  counted(page, 30, "k", "K");
  int handled = 0;
  report->OnBeforePrint = [&](TStringList&, TfrView* view) { handled += view->Name == "n"; };
  reset();
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(TextsOf(*report, 0, "n"), (Lines{"n=1", "n=2", "n=3"}));
  EXPECT_EQ(TextsOf(*report, 0, "k"), (Lines{"k=1", "k=2", "k=3"}));
  EXPECT_EQ(handled, 3);
  report->OnBeforePrint = nullptr;

  // A child chain: the parent measures the child's objects and its own.
  const auto fresh = [&] {
    report->Pages().Clear();
    return report->Pages().Add();
  };
  TfrPage* p = fresh();
  Band(p, btMasterData, 0, 20, "Parent", "3", flBandStretched)->ChildBand = "Kid";
  counted(p, 0, "p", "N");
  Band(p, btChild, 30, 20, "Kid", "", flBandStretched);
  counted(p, 30, "c", "K");
  reset();
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(TextsOf(*report, 0, "p"), (Lines{"p=1", "p=2", "p=3"}));
  EXPECT_EQ(TextsOf(*report, 0, "c"), (Lines{"c=1", "c=2", "c=3"}));

  // Stretched records over two pages: the one that moves keeps its number
  // and shows the page it prints on; a dialog in its script or its text
  // asks once.
  p = fresh();
  Band(p, btMasterData, 0, 40, "Long", "40", flBandStretched);
  Memo(p, 0, "[N] [PAGE#]", 18, "r")->Script.SetText("begin Inc(N); A := INPUT('Name', 'x') end");
  Memo(p, 20, "[MESSAGEBOX('m', 'c', 0)]", 18, "q");
  int asked = 0, shown = 0;
  frFunctionHooks().Input = [&](const std::string&, const std::string& value) {
    ++asked;
    return value;
  };
  frFunctionHooks().MessageBox = [&](const std::string&, const std::string&, int) {
    return ++shown;
  };
  reset();
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  ASSERT_EQ(Pages(), 2);
  Lines records = TextsOf(*report, 0, "r");
  const Lines second = TextsOf(*report, 1, "r");
  ASSERT_FALSE(second.empty());
  records.insert(records.end(), second.begin(), second.end());
  ASSERT_EQ(records.size(), 40u);
  for (std::size_t i = 0; i < records.size(); ++i) {
    const bool moved = i >= records.size() - second.size();
    EXPECT_EQ(records[i], std::to_string(i + 1) + (moved ? " 2" : " 1")) << i;
  }
  EXPECT_EQ(asked, 40);
  EXPECT_EQ(shown, 40);
  EXPECT_EQ(TextsOf(*report, 1, "q")[0], std::to_string(41 - second.size()));
  frFunctionHooks() = TfrFunctionHooks{};

  // The first of two passes counts each record once.
  p = fresh();
  Band(p, btMasterData, 0, 20, "Rows", "3", flBandStretched);
  Memo(p, 0, "r", 18, "r")->Script.SetText("begin if FINALPASS then exit; Inc(T) end");
  Band(p, btReportSummary, 100, 20, "Total");
  Memo(p, 100, "T=[T]", 18, "t");
  report->DoublePass = true;
  reset();
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(TextsOf(*report, 0, "t"), (Lines{"T=3"}));
}

// A memo's highlight reads the memo's own VALUE, and the memo is measured
// in the style it prints in: "v=10" wraps in bold only.
TEST_F(FrBuild, AHighlightReadsItsOwnMemosValue) {
  auto* rows = Create<TfrUserDataset>(owner.get());
  rows->SetName("Rows");
  rows->RangeEnd = reCount;
  rows->RangeEndCount = 3;
  report->OnGetValue = [rows](const std::string& name, Variant& v) {
    const bool odd = rows->RecNo % 2 == 0;
    if (name == "V") v = Variant(odd ? 10 : 1);
    if (name == "W") v = Variant(odd ? 1 : 10);
  };
  for (std::uint16_t flags : {std::uint16_t{0}, flBandStretched}) {
    report->Pages().Clear();
    TfrPage* p = report->Pages().Add();
    Band(p, btMasterData, 0, 20, "Data", "Rows", flags);
    TfrMemoView* v = Memo(p, 0, "v=[V]", 18, "v");
    v->dx = 34;
    v->SetHighlightCondition("[VALUE] > 5");
    Memo(p, 0, "w=[W]", 18, "w")->x = 100;
    ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
    TfrEMFPages& pages = report->EMFPages();
    pages.ObjectsToPage(0);
    Lines look;
    for (const auto& o : pages.Pages(0).Page->Objects) {
      const bool bold = IntFromStyle(static_cast<TfrMemoView*>(o.get())->Font.Style()) & 2;
      look.push_back(o->Name + std::to_string(o->y) + (bold ? "b" : ""));
    }
    EXPECT_EQ(look, flags != 0 ? (Lines{"v0b", "w0", "v32", "w32", "v52b", "w52"})
                               : (Lines{"v0b", "w0", "v20", "w20", "v40b", "w40"}));
  }
}

}  // namespace

namespace {

// A stretched row is as tall as its tallest cross-tab cell in any column,
// each cell measured with its own column and cross record, and each cell's
// script runs once per column it prints in.
TEST_F(FrBuild, AStretchedRowIsAsTallAsItsTallestCrossCell) {
  auto* columns = Create<TfrUserDataset>(owner.get());
  columns->SetName("Cols");
  columns->RangeEnd = reCount;
  columns->RangeEndCount = 3;
  report->OnGetValue = [columns](const std::string& name, Variant& v) {
    if (name == "CELL") v = Variant(std::string(columns->RecNo == 2 ? "a\r\nb\r\nc\r\nd" : "x"));
  };
  Band(btMasterData, 0, 20, "Data", "2", flBandStretched);
  Memo(0, "r[LINE#]", 18, "r");
  TfrBandView* cd = Band(btCrossData, 0, 1000, "CD", "Cols");
  cd->x = 400;
  cd->dx = 40;
  TfrMemoView* cell = Memo(0, "[CELL][COLUMN#]", 18, "c");
  cell->x = 400;
  cell->dx = 40;
  cell->Script.SetText("Inc(N)");
  report->Variables().SetVariable("N", Variant(0));
  Band(btReportSummary, 200, 20, "Sum");
  Memo(200, "n=[N]", 18, "n");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  // Four lines of 15 and the gaps: 62.
  EXPECT_EQ(Placed(0), (Lines{"10,0:r1", "400,0:x1", "440,0:x2", "480,0:a", "10,62:r2", "400,62:x1",
                              "440,62:x2", "480,62:a", "10,124:n=6"}));
  TfrEMFPages& pages = report->EMFPages();
  pages.ObjectsToPage(0);
  const TfrView& tall = *pages.Pages(0).Page->Objects[3];
  EXPECT_EQ(tall.dy, 62);
  EXPECT_EQ(tall.Memo1.Text(), "a\r\nb\r\nc\r\nd3\r\n");
}

}  // namespace

namespace {

// CALCWIDTH: the width the current text object's evaluated text needs,
// also while its band is measured; another object's width; 0 without one.
TEST_F(FrBuild, CalcWidthIsTheWidthTheCurrentTextNeeds) {
  Band(btReportTitle, 0, 20, "Title");
  Memo(0, "title")->dx = 500;
  for (std::uint16_t flags : {std::uint16_t{0}, flBandStretched}) {
    const std::string band = flags != 0 ? "S" : "P";
    Band(btMasterData, flags != 0 ? 60 : 30, 20, band, "1", flags);
    Memo(flags != 0 ? 60 : 30, "a[LINE#]c", 18, "m" + band)
        ->Script.SetText("W" + band + " := CALCWIDTH");
  }
  auto line = CreateUnique<TfrLineView>();
  line->x = 400, line->y = 30, line->dx = 77, line->dy = 0;
  line->Script.SetText("L := CALCWIDTH");
  page->Add(std::move(line));
  Band(btReportSummary, 100, 20, "Sum");
  Memo(100, "[WP] [WS] [L]", 18, "sum");
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(TextsOf(*report, 0, "sum"), (Lines{"27 27 77"}));
  TValueGuard<TfrView*> none(frEngine().CurView, nullptr);
  EXPECT_EQ(report->ExpressionText(nullptr, "CALCWIDTH"), "0");
}

}  // namespace

namespace {

// A table whose graphic field PIC holds the bytes of Pictures[row] (null
// when empty).
class TPictureTable : public TArrayDataSet {
  MEBRATH_CLASS(TPictureTable, TArrayDataSet)
 public:
  std::vector<std::string> Pictures;
  std::unique_ptr<TStream> CreateBlobStream(TField*, TBlobStreamMode) override {
    return std::make_unique<TStringStream>(Pictures[static_cast<std::size_t>(Position())]);
  }
  bool GetFieldData(TField* field, void* buffer) override {
    if (field->DataType() == ftGraphic)
      return !Pictures[static_cast<std::size_t>(Position())].empty();
    return TArrayDataSet::GetFieldData(field, buffer);
  }

 protected:
  using TArrayDataSet::TArrayDataSet;
};

// A picture bound to a graphic field prints each record's picture; a
// record without one prints an empty picture.
TEST_F(FrBuild, APictureBoundToAFieldPrintsTheRecordsPicture) {
  auto* table = Create<TPictureTable>(owner.get());
  table->Columns = {{"ID", ftInteger}, {"PIC", ftGraphic}};
  table->Open();
  for (TColor color : {clRed, clBlue, clNone}) {
    std::string bytes;
    if (color != clNone) {
      auto bmp = CreateUnique<TBitmap>();
      bmp->SetSize(2, 2);
      bmp->ScanLine(0)[0] = color == clRed ? 0xFFFF0000u : 0xFF0000FFu;
      TStringStream out;
      bmp->SaveToStream(out);
      bytes = out.DataString();
    }
    table->Pictures.push_back(bytes);
    table->Append();
    table->FieldByName("ID")->SetAsInteger(static_cast<int>(table->Pictures.size()));
    table->Post();
  }
  auto* rows = Create<TfrDBDataSet>(owner.get());
  rows->SetName("Pics");
  rows->SetDataSet(table);
  Band(btMasterData, 0, 30, "Data", "Pics");
  auto pict = CreateUnique<TfrPictureView>();
  pict->Name = "P";
  pict->x = 10, pict->y = 0, pict->dx = 20, pict->dy = 20;
  pict->Memo.SetText("[Pics.PIC]");
  page->Add(std::move(pict));
  ASSERT_TRUE(report->PrepareReport()) << (errors.empty() ? "" : errors[0]);
  TfrEMFPages& pages = report->EMFPages();
  pages.ObjectsToPage(0);
  Lines printed;
  for (const auto& o : pages.Pages(0).Page->Objects) {
    TGraphic* g = static_cast<TfrPictureView*>(o.get())->Picture.Graphic();
    auto* bmp = dynamic_cast<TBitmap*>(g);
    if (bmp == nullptr || bmp->Empty()) {
      printed.push_back("empty");
      continue;
    }
    char pixel[16];
    std::snprintf(pixel, sizeof pixel, "%08X", bmp->ScanLine(0)[0]);
    printed.push_back(std::to_string(bmp->Width()) + "x" + std::to_string(bmp->Height()) + " " +
                      pixel);
  }
  EXPECT_EQ(printed, (Lines{"2x2 FFFF0000", "2x2 FF0000FF", "empty"}));
}

}  // namespace
