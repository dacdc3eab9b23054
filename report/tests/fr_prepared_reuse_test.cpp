// The text a band measures for its height is the text it prints: prepared
// pages come out byte for byte the same whether a printed object reuses
// the evaluation and layout of its band's measuring or does both again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_pages.h"
#include "report/fr_report.h"

namespace {

struct TShape {
  int records;
  int width;   // of the wrapping text
  int breaks;  // every n-th record carries a text taller than a page
};

TfrMemoView* AddMemo(TfrPage* page, int x, int y, int dx, const std::string& text,
                     std::uint16_t flags = flStretched | flWordWrap) {
  auto m = CreateUnique<TfrMemoView>();
  m->x = x, m->y = y, m->dx = dx, m->dy = 18;
  m->FrameTyp = 15;
  m->Flags = flags;
  m->Memo.SetText(text);
  return static_cast<TfrMemoView*>(page->Add(std::move(m)));
}

void AddBand(TfrPage* page, int kind, int y, int dy, const std::string& source,
             std::uint16_t flags = 0) {
  auto v = CreateUnique<TfrBandView>();
  v->SetBandType(kind);
  v->Name = "B" + std::to_string(y);
  v->y = y, v->dy = dy, v->dx = 700;
  v->Flags = flags;
  v->SetDataSource(source);
  page->Add(std::move(v));
}

// The prepared pages of a register-like report of `shape`: stretched and
// splitting data bands, groups with totals, highlight, suppressed repeats,
// centred and bottom-aligned text, a page footer and a summary.
std::string PreparedBytes(const TShape& shape) {
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TfrReport>(owner.get());
  report->ShowProgress = false;
  auto* ds = Create<TfrUserDataset>(owner.get());
  ds->SetName("Rows");
  ds->RangeEnd = reCount;
  ds->RangeEndCount = shape.records;
  report->OnGetValue = [ds, shape](const std::string& name, Variant& v) {
    const int n = ds->RecNo;
    if (name == "N") {
      v = Variant(n + 1);
    } else if (name == "SUM") {
      v = Variant(1000.5 * (n % 4) - 700);
    } else if (name == "GRP") {
      v = Variant(n / 7);
    } else if (name == "TEXT") {
      std::string t;
      const int words = shape.breaks > 0 && n % shape.breaks == shape.breaks - 1 ? 900 : n % 23;
      for (int i = 0; i < words; ++i) t += i % 5 == 4 ? "перерасчёт\r\n" : "слово ";
      v = Variant(t);
    }
  };
  TfrPage* page = report->Pages().Add();
  AddBand(page, btReportTitle, 0, 30, "");
  AddMemo(page, 10, 0, 600, "Реестр [DATE]");
  AddBand(page, btPageHeader, 40, 20, "");
  AddMemo(page, 10, 40, 600, "Страница [PAGE#]");
  AddBand(page, btPageFooter, 1000, 20, "");
  AddMemo(page, 10, 1000, 600, "Итого на странице: [SUM([SUM])]");
  AddBand(page, btGroupHeader, 70, 18, "[GRP]");
  AddMemo(page, 10, 70, 200, "Группа [GRP]");
  AddBand(page, btMasterData, 100, 20, "Rows", flBandStretched | flBandBreaked);
  AddMemo(page, 10, 100, 40, "[N]");
  AddMemo(page, 50, 100, shape.width, "[TEXT]")->Adjust = frtaCenter;
  TfrMemoView* sum = AddMemo(page, 60 + shape.width, 100, 90, "[SUM] #N0,2");
  sum->SetHighlightCondition("[SUM] < 0");
  sum->Highlight.FillColor = clRed;
  AddMemo(page, 160 + shape.width, 100, 50, "[GRP]", flStretched | flSuppress);
  AddMemo(page, 220 + shape.width, 100, 60, "[N] [TEXT]", flStretched | flWordWrap | flWordBreak)
      ->Adjust = frtaDown;
  AddMemo(page, 290 + shape.width, 100, 50, "[N]", 0)->Adjust = frtaMiddle;
  AddBand(page, btGroupFooter, 130, 20, "");
  AddMemo(page, 10, 130, 300, "По группе: [SUM([SUM])] [COUNT()]");
  AddBand(page, btReportSummary, 160, 20, "");
  AddMemo(page, 10, 160, 300, "Всего: [SUM([SUM])]");
  if (!report->PrepareReport()) return "not prepared";
  TStringStream out;
  report->EMFPages().SaveToStream(out);
  return out.DataString();
}

TEST(FrPreparedReuse, MeasuredTextPrintsAsIfEvaluatedAgain) {
  const TShape shapes[] = {{1, 200, 0}, {9, 40, 0}, {40, 120, 13}, {75, 300, 30}};
  for (const TShape& shape : shapes) {
    const std::string reused = PreparedBytes(shape);
    std::string again;
    {
      TValueGuard<bool> off(frEngine().ReuseMeasuredText, false);
      again = PreparedBytes(shape);
    }
    EXPECT_GT(reused.size(), 1000u) << shape.records;
    EXPECT_TRUE(reused == again) << shape.records << " records, width " << shape.width;
  }
}

}  // namespace
