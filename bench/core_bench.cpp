// One calculation without drawing, with the bisecting window search (Fast)
// and with the two linear scans (Scan), and loading the embedded curve.
#include <benchmark/benchmark.h>

#include "core/calibration.h"
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
