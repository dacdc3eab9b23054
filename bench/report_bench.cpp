// The report engine: evaluating a prepared expression, expanding a memo,
// and reading and writing templates and prepared pages.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/stream.h"
#include "report/fr_data_dictionary.h"
#include "report/fr_engine.h"
#include "report/fr_format.h"
#include "report/fr_memo_view.h"
#include "report/fr_pages.h"

namespace {

class TBenchReport : public TfrReportBase {
  MEBRATH_CLASS(TBenchReport, TfrReportBase)
 public:
  TfrPages& Pages() override { return FPages; }
  TfrEMFPages& EMFPages() override { return FEMFPages; }
  TfrDataDictionary& Dictionary() override { return FDictionary; }

 protected:
  explicit TBenchReport(TComponent* owner)
      : TfrReportBase(owner), FPages(*this), FEMFPages(*this) {}

 private:
  TfrPages FPages;
  TfrEMFPages FEMFPages;
  TfrDataDictionary FDictionary;
};

void BM_EvaluatePreparedExpression(benchmark::State& state) {
  TfrParser parser;
  const Variant sum(1234.5), qnt(17);
  parser.OnGetValue = [&](const std::string& name, Variant& v) { v = name == "SUM" ? sum : qnt; };
  const std::string postfix = parser.ToPostfix("[SUM] * 2 + [CQNT]");
  for (auto _ : state) benchmark::DoNotOptimize(parser.EvaluatePostfix(postfix));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluatePreparedExpression);

void BM_ExpandMemo(benchmark::State& state) {
  auto report = CreateUnique<TBenchReport>();
  report->Variables().SetVariable("SUM", Variant(1234.5));
  report->Variables().SetVariable("CQNT", Variant(17));
  report->Variables().SetVariable("NAME", Variant("Иванова"));
  auto memo = CreateUnique<TfrMemoView>();
  memo->Format = MakeFormat(fcNumber, 3, 2, ',');
  const std::string line = "[NAME]: [SUM] руб., [CQNT] талонов";
  // While a report builds it is the current one.
  TfrCurrentReport current(report.get());
  const auto text = [&](const std::string& e) { return report->ExpressionText(memo.get(), e); };
  for (auto _ : state) benchmark::DoNotOptimize(ExpandLine(line, text));
}
BENCHMARK(BM_ExpandMemo);

std::string Template(int objects) {
  auto report = CreateUnique<TBenchReport>();
  TfrPage* page = report->Pages().Add();
  for (int i = 0; i < objects; ++i) {
    TfrView* v = page->Add(CreateReportObject(i % 10 == 0 ? gtBand : gtMemo, ""));
    v->Name = v->BaseName + std::to_string(i);
    v->x = i, v->y = i * 3, v->dx = 100, v->dy = 18;
    v->Memo.SetText("[Table1.\"FIELD" + std::to_string(i) + "\"]");
  }
  TStringStream s;
  report->Pages().SaveToStream(s);
  return s.DataString();
}

void BM_LoadTemplate200(benchmark::State& state) {
  const std::string bytes = Template(200);
  auto report = CreateUnique<TBenchReport>();
  for (auto _ : state) {
    TStringStream s(bytes);
    report->Pages().LoadFromStream(s);
  }
}
BENCHMARK(BM_LoadTemplate200)->Unit(benchmark::kMillisecond);

void BM_SaveLoadPrepared100x50(benchmark::State& state) {
  auto report = CreateUnique<TBenchReport>();
  TfrPage* page = report->Pages().Add();
  auto memo = CreateUnique<TfrMemoView>();
  memo->dx = 100, memo->dy = 18;
  memo->Memo.SetText("Значение 12345,67");
  for (int p = 0; p < 100; ++p) {
    report->EMFPages().Add(*page);
    for (int i = 0; i < 50; ++i) {
      memo->y = i * 20;
      memo->Print(*report->EMFPages().Pages(p).Stream);
    }
  }
  auto other = CreateUnique<TBenchReport>();
  for (auto _ : state) {
    TMemoryStream s;
    report->EMFPages().SaveToStream(s);
    s.SetPosition(0);
    other->EMFPages().LoadFromStream(s);
    for (int p = 0; p < other->EMFPages().Count(); ++p) other->EMFPages().ObjectsToPage(p);
  }
}
BENCHMARK(BM_SaveLoadPrepared100x50)->Unit(benchmark::kMillisecond);

}  // namespace
