#include "core/calibration.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "core/numbers.h"

namespace kal {
namespace {

constexpr Extended kSumFloor = 0.00001L;
constexpr Extended kLowerShare = 0.023L;
constexpr Extended kUpperShare = 0.977L;

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

void FindRange(CalibrationState& state) {
  const CurveTable& curve = *state.CalCurve;
  const int32_t high = state.SampleAge + 4 * state.Sigma;
  const int32_t low = state.SampleAge - 4 * state.Sigma;
  constexpr int32_t kFrom = CurveTable::kSearchOldest + 1;
  constexpr int32_t kTo = CurveTable::kSearchYoungest - 1;

  // First year whose running minimum from the old end is at most high: the
  // first year the upward scan would stop at.
  int32_t lo = kFrom, hi = kTo + 1;  // answer in [lo, hi]; hi means none
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (curve.MinFromOld(mid) <= high)
      hi = mid;
    else
      lo = mid + 1;
  }
  state.RangeFirst = lo - 1;  // lo == kTo + 1 is kSearchYoungest, where the scan stops

  // Last year whose running maximum from the young end is at least low.
  lo = kFrom - 1;  // kFrom - 1 means none: kSearchOldest, where the scan stops
  hi = kTo;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo + 1) / 2;
    if (curve.MaxFromYoung(mid) >= low)
      lo = mid;
    else
      hi = mid - 1;
  }
  state.RangeLast = lo + 1;
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

// The running sums must equal, to the last bit, sums carried in extended
// precision and rounded to double at every step. Extended (x87) arithmetic
// with a rounding store per step costs some 25 cycles here, so both loops run
// in double arithmetic and prove, step by step, that the result is the same;
// where they cannot, they take the extended path.

// ulp of a positive normal double.
inline double Ulp(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  bits = (bits & 0x7FF0000000000000ULL) - (uint64_t{52} << 52);
  double ulp;
  std::memcpy(&ulp, &bits, sizeof ulp);
  return ulp;
}

// double(Extended(a) + b) for a, b >= 0, as a + b in double arithmetic.
// Rounding the exact sum first to 64 and then to 53 bits differs from rounding
// it once only when the 64-bit value lands exactly on a midpoint between two
// doubles, that is when the exact residual of the double sum lies within a
// 64-bit ulp of half (or, below a power of two, a quarter of) the double's
// ulp. Such a step sets `doubtful`, and the caller redoes the sum.
inline double AddAsExtended(double a, double b, bool& doubtful) {
  const double s = a + b;
  const double bb = s - a;
  const double residual = std::fabs((a - (s - bb)) + (b - bb));  // exact (TwoSum)
  const double ulp = Ulp(s);
  const double margin = ulp * 0x1p-10;
  doubtful |=
      (std::fabs(residual - 0.5 * ulp) <= margin) | (std::fabs(residual - 0.25 * ulp) <= margin);
  return s;
}

struct Window {
  const int32_t* ages;    // curve ages from RangeFirst on
  int32_t length;         // years in the window
  const double* weights;  // weight table at d = 0
  int32_t band;
  int32_t age;

  double Weight(int32_t i) const {
    const int32_t d = ages[i] - age;
    return static_cast<uint32_t>(d + band) <= 2 * static_cast<uint32_t>(band) ? weights[d] : 0.0;
  }
};

double SumExtended(const Window& window) {
  double sum = 0.0;
  for (int32_t i = 0; i < window.length; ++i) {
    sum = static_cast<double>(Extended{sum} + window.Weight(i));
  }
  return sum;
}

double SumWithFloor(const Window& window) {
  double sum = 0.0;
  bool doubtful = false;
  for (int32_t i = 0; i < window.length; ++i) sum = AddAsExtended(sum, window.Weight(i), doubtful);
  if (doubtful) sum = SumExtended(window);
  if (sum < kSumFloor) sum = 1.0;
  return sum;
}

// The cut loop in plain extended precision: the definition.
void CutPointsExtended(const Window& window, int32_t first, double sum, CalibrationResult& result) {
  const Extended divisor = sum;
  double share = 0.0;
  bool lower_found = false;
  for (int32_t i = 0; i < window.length; ++i) {
    share = static_cast<double>(share + window.Weight(i) / divisor);
    if (!lower_found && share > kLowerShare) {
      result.lower = first + i;
      lower_found = true;
    }
    if (share > kUpperShare) {  // the upper cut is the last thing to find
      result.upper = first + i;
      return;
    }
  }
}

// The same decisions from a running share in double arithmetic (with the
// reciprocal of the sum), which stays within `tolerance` of the extended one.
// Both shares only grow, so each threshold is met once: a double share that
// comes within the tolerance of it hands over to the extended loop.
void CutPoints(const Window& window, int32_t first, double sum, CalibrationResult& result) {
  const double tolerance = (window.length + 1.0) * 0x1p-48;
  const double reciprocal = 1.0 / sum;
  const double limits[2] = {static_cast<double>(kLowerShare), static_cast<double>(kUpperShare)};
  int32_t* cuts[2] = {&result.lower, &result.upper};
  double share = 0.0;
  int32_t i = 0;
  for (int k = 0; k < 2; ++k) {
    const double near = limits[k] - tolerance;
    while (share <= near && i < window.length) share += window.Weight(i++) * reciprocal;
    if (share <= near) return;  // the window ended first: this cut stays at year 0
    if (share <= limits[k] + tolerance) {
      result.lower = result.upper = 0;
      CutPointsExtended(window, first, sum, result);
      return;
    }
    *cuts[k] = first + i - 1;
  }
}

Window WindowOf(const CalibrationState& state) {
  const CurveTable& curve = *state.CalCurve;
  return Window{curve.AgesFrom(state.RangeFirst), state.RangeLast - state.RangeFirst + 1,
                state.GaussTable.Centre(), 4 * state.Sigma, state.SampleAge};
}

// Steps 5 to 7 once the window and the table are ready. Inside the window
// every year has a curve value and the table covers the band, so each weight
// is one comparison and one load.
CalibrationResult SumAndCut(const CalibrationState& state) {
  const Window window = WindowOf(state);
  CalibrationResult result;
  result.sum = SumWithFloor(window);
  CutPoints(window, state.RangeFirst, result.sum, result);
  result.text = YearText(result.lower) + " - " + YearText(result.upper);
  return result;
}

}  // namespace

CalibrationResult CalibrateReference(CalibrationState& state) {
  FindRangeByScan(state);
  BuildGaussTable(state);
  const Window window = WindowOf(state);
  CalibrationResult result;
  double sum = SumExtended(window);
  if (sum < kSumFloor) sum = 1.0;
  result.sum = sum;
  CutPointsExtended(window, state.RangeFirst, sum, result);
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

CalibrationResult CalibrateByScan(CalibrationState& state) {
  FindRangeByScan(state);
  BuildGaussTable(state);
  return SumAndCut(state);
}

}  // namespace kal
