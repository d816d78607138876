// One calculation without drawing, with the window search that reads the
// curve's answer tables (Fast) and with the two linear scans (Scan), loading
// the embedded curve, and the window's running sums alone at each vector
// width (items are years).
#include <benchmark/benchmark.h>

#include "core/calibration.h"
#include "core/window_sums.h"
#include "data/curves.h"

namespace {

const kal::LoadedCurve& Curve() {
  static const kal::LoadedCurve curve = kal::DefaultCurve();
  return curve;
}

template <bool kFast>
void Calculation(benchmark::State& bench) {
  kal::CalibrationState state;
  state.CalCurve = &Curve().table;
  state.SampleAge = static_cast<int32_t>(bench.range(0));
  state.Sigma = static_cast<int32_t>(bench.range(1)) + 5;
  for (auto _ : bench) {
    kal::CalibrationResult result = kFast ? kal::Calibrate(state) : kal::CalibrateByScan(state);
    benchmark::DoNotOptimize(result);
  }
}

void BM_CalculationFast(benchmark::State& bench) { Calculation<true>(bench); }
void BM_CalculationScan(benchmark::State& bench) { Calculation<false>(bench); }

void Inputs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"age", "error"});
  b->Args({2501, 50})->Args({600, 10})->Args({40000, 100})->Args({10000, 1000});
}

BENCHMARK(BM_CalculationFast)->Apply(Inputs);
BENCHMARK(BM_CalculationScan)->Apply(Inputs);

void BM_LoadEmbeddedCurve(benchmark::State& bench) {
  for (auto _ : bench) {
    kal::LoadedCurve curve = kal::DefaultCurve();
    benchmark::DoNotOptimize(curve);
  }
  bench.SetLabel("IntCal20, 51951 lines");
}
BENCHMARK(BM_LoadEmbeddedCurve)->Unit(benchmark::kMicrosecond);

}  // namespace

// The window's running sums and cut points alone, four years at a time where
// the processor allows and two at a time, over the window of an age and error.
template <kal::SumLanes kLanes>
void WindowSums(benchmark::State& bench) {
  const auto age = static_cast<int32_t>(bench.range(0));
  const int32_t sigma = static_cast<int32_t>(bench.range(1)) + 5;
  kal::WeightTable table = kal::WeightTable::BandOnly();
  table.Build(sigma);
  const kal::CalendarWindow window = kal::FindWindow(Curve().table, age, sigma);
  const kal::WindowWeights weights{Curve().table.AgesFrom(window.first),
                                   window.last - window.first + 1, table.Centre(), 4 * sigma, age};
  for (auto _ : bench) {
    kal::WindowTotals totals = kal::WindowSumAndCuts(weights, window.first, kLanes);
    benchmark::DoNotOptimize(totals);
  }
  bench.SetItemsProcessed(bench.iterations() * weights.length);
}

void BM_WindowSumsWidest(benchmark::State& bench) { WindowSums<kal::SumLanes::kWidest>(bench); }
void BM_WindowSumsTwoLanes(benchmark::State& bench) { WindowSums<kal::SumLanes::kTwo>(bench); }
BENCHMARK(BM_WindowSumsWidest)->Apply(Inputs);
BENCHMARK(BM_WindowSumsTwoLanes)->Apply(Inputs);
