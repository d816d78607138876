#include "core/calibration.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/numbers.h"
#include "core/window_sums.h"

namespace kal {
namespace {

constexpr Extended kSumFloor = 0.00001L;

}  // namespace

std::optional<int32_t> SigmaOf(int64_t error) {
  const int64_t sigma = error + 5;
  if (sigma < std::numeric_limits<int32_t>::min() || sigma > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(sigma);
}

std::optional<std::string> InputProblem(int64_t sample_age, int64_t sigma) {
  if (sample_age <= 0) return "the age must be above 0";
  if (sigma <= 0) return "the error must be above -5";
  if (sigma > kMaxSigma) {
    return "errors above " + std::to_string(kMaxError) + " years are not supported";
  }
  if (sample_age > std::numeric_limits<int32_t>::max() - 4 * sigma) {
    return "the age is too large for the error (age + 4 x (error + 5) exceeds 2147483647)";
  }
  return std::nullopt;
}

void BuildGaussTable(CalibrationState& state) {
  if (state.GaussReady) return;
  state.GaussReady = true;
  state.GaussTable.Build(state.Sigma);
}

CalendarWindow FindWindow(const CurveTable& curve, int32_t sample_age, int32_t sigma) {
  // The upward scan stops at the first year whose running minimum from the
  // old end is at most age + 4 sigma (or at kSearchYoungest), the downward
  // one at the last year whose running maximum from the young end is at
  // least age - 4 sigma (or at kSearchOldest).
  const int64_t high = int64_t{sample_age} + 4 * int64_t{sigma};
  const int64_t low = int64_t{sample_age} - 4 * int64_t{sigma};
  return CalendarWindow{curve.FirstAtMost(high) - 1, curve.LastAtLeast(low) + 1};
}

void FindRange(CalibrationState& state) {
  const CalendarWindow window = FindWindow(*state.CalCurve, state.SampleAge, state.Sigma);
  state.RangeFirst = window.first;
  state.RangeLast = window.last;
}

void FindRangeByScan(CalibrationState& state) {
  const CurveTable& curve = *state.CalCurve;
  const int32_t high = state.SampleAge + 4 * state.Sigma;
  const int32_t low = state.SampleAge - 4 * state.Sigma;
  int32_t y = CurveTable::kSearchOldest;
  do {
    ++y;
  } while (!(curve[y] <= high || y == CurveTable::kSearchYoungest));
  state.RangeFirst = y - 1;
  y = CurveTable::kSearchYoungest;
  do {
    --y;
  } while (!(curve[y] >= low || y == CurveTable::kSearchOldest));
  state.RangeLast = y + 1;
}

double WeightOf(const CalibrationState& state, int32_t year) {
  const CurveTable& curve = *state.CalCurve;
  if (!curve.HasValue(year)) return 0.0;
  const int64_t d = int64_t{curve[year]} - state.SampleAge;
  if (std::llabs(d) > int64_t{4} * state.Sigma) return 0.0;
  return state.GaussTable[d];
}

std::string YearText(int32_t year) {
  const int64_t magnitude = std::llabs(int64_t{year});
  return IntToText(magnitude) + (year < 0 ? "BC" : "AD");
}

int32_t CentreYear(int32_t range_first, int32_t range_last) {
  const int64_t m = RoundHalfEven((int64_t{range_first} + range_last) * 0.5L);
  return static_cast<int32_t>(RoundHalfEven(static_cast<Extended>(m) / 100) * 100);
}

double NormalisingSum(const CalibrationState& state) {
  double sum = 0.0;
  for (int64_t y = state.RangeFirst; y <= state.RangeLast; ++y) {
    sum = static_cast<double>(Extended{sum} + WeightOf(state, static_cast<int32_t>(y)));
  }
  if (sum < kSumFloor) sum = 1.0;
  return sum;
}

namespace {

WindowWeights WindowOf(const CurveTable& curve, const WeightTable& table, CalendarWindow window,
                       int32_t sample_age, int32_t sigma) {
  return WindowWeights{curve.AgesFrom(window.first), window.last - window.first + 1, table.Centre(),
                       4 * sigma, sample_age};
}

WindowWeights WindowOf(const CalibrationState& state) {
  return WindowOf(*state.CalCurve, state.GaussTable, {state.RangeFirst, state.RangeLast},
                  state.SampleAge, state.Sigma);
}

// Steps 5 to 7 once the window and the table are ready.
CalibrationResult SumAndCut(const WindowWeights& window, int32_t first_year) {
  CalibrationResult result;
  const WindowTotals totals = WindowSumAndCuts(window, first_year);
  result.sum = totals.sum;
  result.lower = totals.cuts.lower;
  result.upper = totals.cuts.upper;
  result.text = YearText(result.lower) + " - " + YearText(result.upper);
  return result;
}

CalibrationResult SumAndCut(const CalibrationState& state) {
  return SumAndCut(WindowOf(state), state.RangeFirst);
}

}  // namespace

CalibrationResult CalibrateReference(CalibrationState& state) {
  FindRangeByScan(state);
  BuildGaussTable(state);
  const WindowWeights window = WindowOf(state);
  CalibrationResult result;
  result.sum = WindowSumExtended(window);
  const CutYears cuts = WindowCutsExtended(window, state.RangeFirst, result.sum);
  result.lower = cuts.lower;
  result.upper = cuts.upper;
  result.text = YearText(result.lower) + " - " + YearText(result.upper);
  return result;
}

CalibrationResult Calibrate(CalibrationState& state, CalibrationDrawing* drawing) {
  FindRange(state);
  BuildGaussTable(state);
  if (drawing != nullptr) {
    drawing->DrawRuler(state);
    drawing->DrawDistribution(state);
  }
  return SumAndCut(state);
}

WindowCalibration CalibrateWith(const CurveTable& curve, const WeightTable& table,
                                int32_t sample_age, int32_t sigma) {
  WindowCalibration calibration;
  calibration.window = FindWindow(curve, sample_age, sigma);
  calibration.result = SumAndCut(WindowOf(curve, table, calibration.window, sample_age, sigma),
                                 calibration.window.first);
  return calibration;
}

CalibrationResult CalibrateByScan(CalibrationState& state) {
  FindRangeByScan(state);
  BuildGaussTable(state);
  return SumAndCut(state);
}

}  // namespace kal
