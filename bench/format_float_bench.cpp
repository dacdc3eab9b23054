// Number formatting over a spread of magnitudes; the register prints sums
// and rates through these on every grid repaint and report page.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/base/format.h"
#include "platform/base/number_format.h"

namespace {

const std::vector<double>& Values() {
  static const std::vector<double> values = [] {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-6, 12);
    std::vector<double> v(1024);
    for (double& x : v) {
      x = mantissa(random) * std::pow(10.0, exponent(random));
    }
    return v;
  }();
  return values;
}

template <class F>
void Run(benchmark::State& state, F format) {
  const auto& values = Values();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(format(values[i++ & 1023]));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatFloatFixed(benchmark::State& state) {
  Run(state, [](double x) { return FormatFloat("0.00", x); });
}
BENCHMARK(BM_FormatFloatFixed);

void BM_FormatFloatGrouped(benchmark::State& state) {
  Run(state, [](double x) { return FormatFloat("#,##0.##", x); });
}
BENCHMARK(BM_FormatFloatGrouped);

void BM_FloatToStr(benchmark::State& state) {
  Run(state, [](double x) { return FloatToStr(x); });
}
BENCHMARK(BM_FloatToStr);

void BM_FormatFixed(benchmark::State& state) {
  Run(state, [](double x) { return Format("%.2f", x); });
}
BENCHMARK(BM_FormatFixed);

}  // namespace
