// Preparing a register-like report: a title, a page header, a data band
// with 12 text objects, a group footer and a summary with SUM, over 10,000
// and 100,000 records (targets 0.3 s and 3 s, linear).
#include <benchmark/benchmark.h>

#include <string>

#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_memo_view.h"
#include "report/fr_page.h"
#include "report/fr_report.h"

namespace {

void AddBand(TfrPage* page, int kind, int y, int dy, const std::string& name,
             const std::string& source = "") {
  auto v = CreateUnique<TfrBandView>();
  v->SetBandType(kind);
  v->Name = name;
  v->y = y;
  v->dy = dy;
  v->dx = 700;
  v->SetDataSource(source);
  page->Add(std::move(v));
}

void AddMemo(TfrPage* page, int x, int y, int dx, const std::string& text) {
  auto m = CreateUnique<TfrMemoView>();
  m->x = x;
  m->y = y;
  m->dx = dx;
  m->dy = 18;
  m->FrameTyp = 15;
  m->Memo.SetText(text);
  page->Add(std::move(m));
}

void BM_PrepareRegister(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TfrReport>(owner.get());
  report->ShowProgress = false;
  auto* ds = Create<TfrUserDataset>(owner.get());
  ds->SetName("Register1");
  ds->RangeEnd = reCount;
  ds->RangeEndCount = records;
  report->OnGetValue = [&](const std::string& name, Variant& v) {
    if (name == "NUM")
      v = Variant(ds->RecNo + 1);
    else if (name == "SUM")
      v = Variant(2000.0 + (ds->RecNo % 2) * 1000);
    else if (name == "FIO")
      v = Variant(std::string("Иванова Мария Петровна"));
    else if (name == "GRP")
      v = Variant(ds->RecNo / 50);
  };
  TfrPage* page = report->Pages().Add();
  AddBand(page, btReportTitle, 0, 30, "Title");
  AddMemo(page, 10, 0, 600, "Реестр талонов родовых сертификатов");
  AddBand(page, btPageHeader, 40, 20, "Header");
  AddMemo(page, 10, 40, 600, "Страница [PAGE#]");
  AddBand(page, btGroupHeader, 70, 0, "Group", "[GRP]");
  AddBand(page, btMasterData, 80, 20, "Data", "Register1");
  const char* fields[] = {"[NUM]", "[FIO]", "[SUM]", "[NUM]", "[FIO]", "[SUM]",
                          "[NUM]", "[FIO]", "[SUM]", "[NUM]", "[FIO]", "[SUM] #N0,2"};
  for (int i = 0; i < 12; ++i) AddMemo(page, 10 + i * 60, 80, 58, fields[i]);
  AddBand(page, btGroupFooter, 110, 20, "GroupFooter");
  AddMemo(page, 10, 110, 300, "Итого по группе: [SUM([SUM])]");
  AddBand(page, btReportSummary, 140, 20, "Summary");
  AddMemo(page, 10, 140, 300, "Итого: [SUM([SUM])]");
  for (auto _ : state) {
    if (!report->PrepareReport()) state.SkipWithError("prepare failed");
    benchmark::DoNotOptimize(report->EMFPages().Count());
  }
  state.counters["pages"] = report->EMFPages().Count();
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_PrepareRegister)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
