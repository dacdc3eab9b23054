// Code page conversion of a typical record text (40 characters, mostly
// Cyrillic): conversions per second, as items/s.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/codepage.h"
#include "platform/base/text.h"

namespace {

const std::string kRecordText = "Иванова Мария Петровна, г. Ёлкино, д. 12";

void BM_Utf8ToWin1251(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToWin1251(kRecordText));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Utf8ToWin1251);

void BM_Win1251ToUtf8(benchmark::State& state) {
  const std::string bytes = Utf8ToWin1251(kRecordText);
  for (auto _ : state) benchmark::DoNotOptimize(Win1251ToUtf8(bytes));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Win1251ToUtf8);

void BM_Utf8ToOem866(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToOem866(kRecordText));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Utf8ToOem866);

void BM_Oem866ToUtf8(benchmark::State& state) {
  const std::string bytes = Utf8ToOem866(kRecordText);
  for (auto _ : state) benchmark::DoNotOptimize(Oem866ToUtf8(bytes));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Oem866ToUtf8);

}  // namespace
