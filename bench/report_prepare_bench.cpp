// Preparing a register-like report: a title, a page header, a data band
// with 12 text objects, a group footer and a summary with SUM, over 10,000
// and 100,000 records (targets 0.3 s and 3 s, linear).
#include <benchmark/benchmark.h>

#include "report/fr_report.h"

#include "report_prepare_fixture.h"

namespace {

using namespace report_bench;

void BM_PrepareRegister(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  auto owner = CreateUnique<TComponent>();
  TfrReport* report = MakeRegisterReport(owner.get(), records);
  for (auto _ : state) {
    if (!report->PrepareReport()) state.SkipWithError("prepare failed");
    benchmark::DoNotOptimize(report->EMFPages().Count());
  }
  state.counters["pages"] = report->EMFPages().Count();
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_PrepareRegister)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
