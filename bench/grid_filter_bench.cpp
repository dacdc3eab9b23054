// Parsing the filter row's typical condition texts.
#include <benchmark/benchmark.h>

#include "grid/filter_expression.h"
#include "platform/base/format_settings.h"

namespace {

void BM_FilterParseRange(benchmark::State& state) {
  FormatSettings.DecimalSeparator = '.';
  TSTFilterExpressionEh e;
  for (auto _ : state) {
    e.ValueType = fvtNumberEh;
    ParseFilterExpression(">= 1000 AND < 25000.50", e);
    benchmark::DoNotOptimize(e);
  }
}
BENCHMARK(BM_FilterParseRange);

void BM_FilterParseText(benchmark::State& state) {
  TSTFilterExpressionEh e;
  for (auto _ : state) {
    e.ValueType = fvtStringEh;
    ParseFilterExpression("Иванова", e);
    benchmark::DoNotOptimize(e);
  }
}
BENCHMARK(BM_FilterParseText);

void BM_FilterParseList(benchmark::State& state) {
  TSTFilterExpressionEh e;
  for (auto _ : state) {
    e.ValueType = fvtStringEh;
    ParseFilterExpression("in ('А','Б','В')", e);
    benchmark::DoNotOptimize(e);
  }
}
BENCHMARK(BM_FilterParseList);

}  // namespace
