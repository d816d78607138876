// The standard calibration method, offered beside the window's: the curve's
// own uncertainty combined with the measurement's, a probability per calendar
// year, the median and the highest-density ranges at 68.3% and 95.4%, each
// interval with its own share.
//
// For every year y of the curve the likelihood is
//   exp(-(age - mu(y))^2 / (2 s^2)) / s,  s^2 = error^2 + sigma_c(y)^2,
// normalised to sum 1 over the years. Only the years from the first to the
// last whose age lies within AnnualCurve::kReach combined sigmas are worked
// out; the rest count as 0, their share being at the rounding of the sums.
//
// Stateless: the curve is only read and everything a calculation writes lives
// in the caller's StandardResult, so one curve serves any number of threads,
// each with its own result. A result reused from call to call keeps its
// buffers: once they have grown to the spans met, a calculation allocates
// nothing. Arithmetic is in double, in a fixed order, so the same inputs give
// the same bits on every run.
#ifndef KAL_CORE_STANDARD_CALIBRATION_H_
#define KAL_CORE_STANDARD_CALIBRATION_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/annual_curve.h"

namespace kal {

// The two levels of the highest-density ranges.
inline constexpr double kLevel68 = 0.683;
inline constexpr double kLevel95 = 0.954;

// The measurement as calibrated: radiocarbon age (years BP) and its one-sigma
// error, both after any reservoir offset.
struct StandardInputs {
  double age = 0;
  double error = 0;
};

// The measurement corrected for a reservoir offset Delta R with its error:
// age - R, and sqrt(error^2 + E^2). A negative R is valid (the local
// reservoir is younger than the curve's mean).
StandardInputs ReservoirCorrected(double age, double error, double delta_r, double delta_r_error);

// Why inputs get no calculation (an error not above 0, a value not finite),
// or nullopt when they do.
std::optional<std::string> StandardInputProblem(const StandardInputs& inputs);

// One interval of a highest-density range: calendar years from (the oldest)
// to (the youngest), both included, and the share of the probability in them
// (0..1).
struct HpdInterval {
  int32_t from = 0;
  int32_t to = 0;
  double probability = 0;
};

struct StandardResult {
  // False when no year of the curve comes within reach of the age (an age
  // beyond the curve's ends) or the inputs are refused; the rest is then empty.
  bool found = false;
  int32_t median = 0;               // first year whose cumulative share reaches 0.5
  std::vector<HpdInterval> hpd68;   // oldest first
  std::vector<HpdInterval> hpd95;   // oldest first
  int32_t first_year = 0;           // span of `probability`
  std::vector<double> probability;  // per year from first_year, sums to 1
  std::vector<double> scratch;      // working space of the range search
};

// Calibrates `inputs` on `curve` into `result`, overwriting it.
void CalibrateStandard(const AnnualCurve& curve, const StandardInputs& inputs,
                       StandardResult& result);

// The highest-density ranges of `probability` (one entry per year from
// first_year, summing to 1) at kLevel68 and kLevel95: years taken in
// decreasing probability until their sum reaches the level, grouped into runs
// of consecutive years. Among equal probabilities the older year is taken
// first: the curve has plateaus of several years with the same age and sigma,
// and when one straddles a level only as many of its years are taken as the
// level needs. `scratch` is working space.
void HighestDensityRanges(std::span<const double> probability, int32_t first_year,
                          std::vector<double>& scratch, std::vector<HpdInterval>& hpd68,
                          std::vector<HpdInterval>& hpd95);

// "788BC - 464BC 93.7%, 434BC - 421BC 1.7%": each interval's years as the
// window writes them, with its share in percent to one decimal.
std::string IntervalsText(std::span<const HpdInterval> intervals);

}  // namespace kal

#endif  // KAL_CORE_STANDARD_CALIBRATION_H_
