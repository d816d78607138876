// One tick of the sweep at its first calculation, 2501/50 on IntCal20: the
// calculation with the plot (the ruler keeps its centre, as on most ticks),
// the same when the centre changes and the ruler is drawn as well, and the
// two pictures alone. Also an average tick of a whole upward sweep.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QRect>
#include <QRegion>
#include <cstdlib>

#include "core/calibration.h"
#include "data/curves.h"
#include "plot/distribution_pictures.h"

namespace {

const kal::LoadedCurve& Curve() {
  static const kal::LoadedCurve curve = kal::DefaultCurve();
  return curve;
}

// The pictures need an application for their fonts; benchmarks draw off screen.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "kal_plot_bench";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() != nullptr) return;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  new QGuiApplication(argc, argv);  // lives as long as the process
}

kal::CalibrationState FirstTick() {
  kal::CalibrationState state;
  state.CalCurve = &Curve().table;
  state.SampleAge = 2501;
  state.Sigma = 55;
  return state;
}

const kal::DesktopColours kColours{0xFFEFEFEF, 0xFF000000};

void BM_CalculationAndPlot(benchmark::State& bench) {
  EnsureApplication();
  kal::CalibrationState state = FirstTick();
  kal::DistributionPictures pictures(kColours);
  kal::Calibrate(state, &pictures);  // draws the ruler once
  for (auto _ : bench) {
    kal::CalibrationResult result = kal::Calibrate(state, &pictures);
    benchmark::DoNotOptimize(result);
  }
  if (pictures.RulerDrawings() != 1) bench.SkipWithError("the ruler was redrawn");
}
BENCHMARK(BM_CalculationAndPlot)->Unit(benchmark::kMicrosecond);

void BM_CalculationPlotAndRuler(benchmark::State& bench) {
  EnsureApplication();
  kal::CalibrationState state = FirstTick();
  kal::DistributionPictures pictures(kColours);
  for (auto _ : bench) {
    state.RulerCentre.reset();  // as after a change of the centre year
    kal::CalibrationResult result = kal::Calibrate(state, &pictures);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_CalculationPlotAndRuler)->Unit(benchmark::kMicrosecond);

void BM_PlotAlone(benchmark::State& bench) {
  EnsureApplication();
  kal::CalibrationState state = FirstTick();
  kal::DistributionPictures pictures(kColours);
  kal::Calibrate(state, &pictures);
  for (auto _ : bench) pictures.DrawDistribution(state);
}
BENCHMARK(BM_PlotAlone)->Unit(benchmark::kMicrosecond);

void BM_RulerAlone(benchmark::State& bench) {
  EnsureApplication();
  kal::CalibrationState state = FirstTick();
  kal::DistributionPictures pictures(kColours);
  kal::Calibrate(state, &pictures);
  for (auto _ : bench) {
    state.RulerCentre.reset();
    pictures.DrawRuler(state);
  }
}
BENCHMARK(BM_RulerAlone)->Unit(benchmark::kMicrosecond);

// The sweep at position 0: the age climbs by 1 from 500 to 10000 and wraps.
void BM_SweepTick(benchmark::State& bench) {
  EnsureApplication();
  kal::CalibrationState state = FirstTick();
  kal::DistributionPictures pictures(kColours);
  // What the window is asked to repaint of the plot: rectangles and pixels.
  double parts = 0;
  double part_pixels = 0;
  double bounds_pixels = 0;
  double region_rects = 0;
  for (auto _ : bench) {
    state.SampleAge = state.SampleAge >= 10000 ? 500 : state.SampleAge + 1;
    kal::CalibrationResult result = kal::Calibrate(state, &pictures);
    benchmark::DoNotOptimize(result);
    parts += static_cast<double>(pictures.PlotChangedParts().size());
    QRegion region;
    for (const QRect& part : pictures.PlotChangedParts()) {
      part_pixels += part.width() * part.height();
      region += part;
    }
    region_rects += region.rectCount();
    bounds_pixels += pictures.PlotChanged().width() * pictures.PlotChanged().height();
  }
  const auto ticks = static_cast<double>(pictures.PlotDrawings());
  bench.counters["ruler_share"] = static_cast<double>(pictures.RulerDrawings()) / ticks;
  bench.counters["parts"] = parts / ticks;
  bench.counters["part_pixels"] = part_pixels / ticks;
  bench.counters["bounds_pixels"] = bounds_pixels / ticks;
  bench.counters["region_rects"] = region_rects / ticks;
}
BENCHMARK(BM_SweepTick)->Unit(benchmark::kMicrosecond);

}  // namespace
