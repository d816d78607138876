// One calibration by the standard method on IntCal20, with a result reused
// from call to call as the batch's workers reuse theirs: a date on the
// Hallstatt plateau and an old one with a wide error.
#include <benchmark/benchmark.h>

#include "core/standard_calibration.h"
#include "data/curves.h"

namespace {

const kal::AnnualCurve& Curve() {
  static const kal::LoadedAnnualCurve curve = kal::ResolveAnnualCurve("intcal20").value();
  return curve.curve;
}

void BM_StandardCalibration(benchmark::State& bench) {
  const kal::StandardInputs inputs{static_cast<double>(bench.range(0)),
                                   static_cast<double>(bench.range(1))};
  kal::StandardResult result;
  for (auto _ : bench) {
    kal::CalibrateStandard(Curve(), inputs, result);
    benchmark::DoNotOptimize(result.median);
  }
  bench.counters["years"] = static_cast<double>(result.probability.size());
}
BENCHMARK(BM_StandardCalibration)
    ->ArgNames({"age", "error"})
    ->Args({2500, 50})
    ->Args({40000, 400})
    ->Args({20000, 100})
    ->Unit(benchmark::kMicrosecond);

void BM_LoadEmbeddedAnnualCurve(benchmark::State& bench) {
  for (auto _ : bench) {
    auto curve = kal::ResolveAnnualCurve("intcal20");
    benchmark::DoNotOptimize(curve);
  }
  bench.SetLabel("IntCal20, 51951 lines of age and sigma");
}
BENCHMARK(BM_LoadEmbeddedAnnualCurve)->Unit(benchmark::kMillisecond);

}  // namespace
