// One calibration run: from a radiocarbon age and working width to the
// calendar window, the year weights, the normalising sum and the 95% range
// text. The state the calculation shares with the plot, the inputs and the
// export lives in one CalibrationState, owned by whoever runs the calculation
// (the window, the command line, a test) and passed where it is needed.
//
// Floating-point work is carried in extended precision and rounded to double
// where a value is stored, so results agree to the last bit on every run.
#ifndef KAL_CORE_CALIBRATION_H_
#define KAL_CORE_CALIBRATION_H_

#include <cstdint>
#include <optional>
#include <string>

#include "core/cal_curve.h"
#include "core/weight_table.h"

namespace kal {

// Everything the calculation and its readers share for the program's run.
// The names are those the whole program uses for these values.
struct CalibrationState {
  const CurveTable* CalCurve = nullptr;  // not owned; loaded before any calculation
  WeightTable GaussTable;
  bool GaussReady = false;
  int32_t Sigma = 0;      // working width: the error + 5
  int32_t SampleAge = 0;  // radiocarbon age under calibration, years BP
  int32_t RangeFirst = 0;
  int32_t RangeLast = 0;
  std::optional<int32_t> RulerCentre;  // empty: no ruler drawn yet
};

// Steps 3 and 4 of a calculation, supplied by whoever shows the result.
class CalibrationDrawing {
 public:
  virtual ~CalibrationDrawing() = default;
  virtual void DrawRuler(CalibrationState& state) = 0;
  virtual void DrawDistribution(CalibrationState& state) = 0;
};

// What a calculation found.
struct CalibrationResult {
  double sum = 0.0;  // S, after its floor
  int32_t lower = 0;
  int32_t upper = 0;
  std::string text;  // e.g. "234BC - 130AD"
};

// Why an age and working width get no calculation, or nullopt when they do:
// an age not above 0, a width not above 0 or beyond kMaxSigma, or a band
// (age +- 4 sigma) outside the 32-bit range.
std::optional<std::string> InputProblem(int64_t sample_age, int64_t sigma);

// The working width for an error as typed: error + 5, or nullopt when that
// leaves the 32-bit range.
std::optional<int32_t> SigmaOf(int64_t error);

// Builds GaussTable for Sigma when GaussReady is false.
void BuildGaussTable(CalibrationState& state);

// Sets RangeFirst and RangeLast: the year before the first year from
// kSearchOldest + 1 on whose age is at most age + 4 sigma, and the year after
// the last year up to kSearchYoungest - 1 whose age is at least age - 4 sigma.
// Reads the curve's answer tables (or bisects its running extremes) instead
// of scanning.
void FindRange(CalibrationState& state);
// The same by the two plain linear scans; the reference FindRange must match.
void FindRangeByScan(CalibrationState& state);

// The weight of one calendar year; 0 for a year without a curve value.
double WeightOf(const CalibrationState& state, int32_t year);

// "234BC", "130AD", "0AD".
std::string YearText(int32_t year);

// The middle of the window rounded to whole hundreds, halves to even at both
// roundings: the year in the middle column of plot and ruler.
int32_t CentreYear(int32_t range_first, int32_t range_last);

// The normalising sum over RangeFirst..RangeLast with its 0.00001 floor.
double NormalisingSum(const CalibrationState& state);

// The whole calculation: window, table, drawing (when given), sum, cut points
// and text. Requires a loaded curve and InputProblem(SampleAge, Sigma) empty.
CalibrationResult Calibrate(CalibrationState& state, CalibrationDrawing* drawing = nullptr);

// The calendar window of an age and working width: what FindRange sets.
struct CalendarWindow {
  int32_t first = 0;
  int32_t last = 0;
};
CalendarWindow FindWindow(const CurveTable& curve, int32_t sample_age, int32_t sigma);

// The calculation without the shared state, for work that calibrates many
// ages side by side (a date list, on several threads at once): the window and
// the result Calibrate gives for the same age and width, no drawing. `table`
// must hold the band built for `sigma`; it is only read, so one table may
// serve any number of threads. Requires InputProblem(sample_age, sigma) empty.
struct WindowCalibration {
  CalendarWindow window;
  CalibrationResult result;
};
WindowCalibration CalibrateWith(const CurveTable& curve, const WeightTable& table,
                                int32_t sample_age, int32_t sigma);

// Same, with the reference scans for the window (for tests and benchmarks).
CalibrationResult CalibrateByScan(CalibrationState& state);

// The calculation written exactly as defined, step by step in extended
// precision with the two linear scans: the reference the fast one must match.
CalibrationResult CalibrateReference(CalibrationState& state);

}  // namespace kal

#endif  // KAL_CORE_CALIBRATION_H_
