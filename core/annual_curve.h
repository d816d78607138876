// The calibration curve as the standard method reads it: for every calendar
// year (negative years BC, year y being cal BP 1950 - y) the curve's
// radiocarbon age and its own one-sigma uncertainty, both unrounded. Built
// once, from an embedded list or a .14c file, and only read afterwards, so
// one curve serves any number of calculations on any number of threads.
//
// Both sources go through the same scaled integers (millionths of a year,
// core/curve_file.h) before becoming doubles, so an embedded curve and the
// .14c file it was made from give bit-identical values.
#ifndef KAL_CORE_ANNUAL_CURVE_H_
#define KAL_CORE_ANNUAL_CURVE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/curve_file.h"
#include "core/result.h"

namespace kal {

class AnnualCurve {
 public:
  static constexpr int32_t kOldestYear = -50000;
  static constexpr int32_t kYoungestYear = 1950;

  // How far from the measured age, in combined sigmas sqrt(error^2 +
  // sigma^2), a year's age may lie and still count. Beyond 8 a year's
  // likelihood is below e^-32 (1e-14) of the peak's, and a distribution's
  // whole tail beyond it about 1e-15 of the total: the rounding of the sums.
  static constexpr double kReach = 8.0;

  int32_t FirstYear() const { return first_year_; }
  int32_t LastYear() const { return first_year_ + static_cast<int32_t>(ages_.size()) - 1; }
  bool HasValue(int32_t y) const { return y >= FirstYear() && y <= LastYear(); }
  // Age and sigma of year y, which must have a value.
  double Age(int32_t y) const { return ages_[Index(y)]; }
  double SigmaOf(int32_t y) const { return sigmas_[Index(y)]; }
  // The ages and squared sigmas from year y on, for loops over a span of years.
  const double* AgesFrom(int32_t y) const { return ages_.data() + Index(y); }
  const double* SigmaSquaresFrom(int32_t y) const { return sigma_squares_.data() + Index(y); }

  // The first and the last year whose age comes within kReach combined
  // sigmas of `age`, every wiggle between them included; false when no year
  // of the curve does. Two bisections over running extremes, then a short
  // walk inward at each end.
  bool ReachOf(double age, double error, int32_t* first, int32_t* last) const;

 private:
  friend Result<AnnualCurve> AnnualCurveFromScaled(const AnnualScaledList& list);
  size_t Index(int32_t y) const { return static_cast<size_t>(y - first_year_); }

  int32_t first_year_ = 0;
  std::vector<double> ages_;
  std::vector<double> sigmas_;
  std::vector<double> sigma_squares_;
  // Running minimum of age - kReach x sigma from the oldest year, and running
  // maximum of age + kReach x sigma from the youngest: both never increase
  // with the year, which makes the reach a pair of bisections.
  std::vector<double> low_from_old_;
  std::vector<double> high_from_young_;
};

// The curve from scaled annual values (at least two years, sigmas not
// negative), the first belonging to list.start_year.
Result<AnnualCurve> AnnualCurveFromScaled(const AnnualScaledList& list);

// The curve of a .14c text's nodes over kOldestYear..kYoungestYear.
Result<AnnualCurve> AnnualCurveFromNodes(const std::vector<CurveNode>& nodes);

// Reads an embedded list: one line per calendar year from `first_year` on,
// each "age,sigma" as plain decimals of at most six places ("2512.35,16.4").
// Lines end in LF or CR LF, the last one's ending optional. Reading is strict:
// a bad line fails, naming it.
Result<AnnualCurve> LoadAnnualCurve(std::string_view list, int32_t first_year);

// The line LoadAnnualCurve reads for one year, without its line ending.
std::string AnnualCurveLine(int64_t age_scaled, int64_t sigma_scaled);

}  // namespace kal

#endif  // KAL_CORE_ANNUAL_CURVE_H_
