#include "core/annual_curve.h"

#include <algorithm>
#include <cmath>

namespace kal {

bool AnnualCurve::ReachOf(double age, double error, int32_t* first, int32_t* last) const {
  const double high = age + kReach * error;
  const double low = age - kReach * error;
  // Both running extremes fall as the year grows.
  const auto first_it = std::partition_point(low_from_old_.begin(), low_from_old_.end(),
                                             [&](double v) { return v > high; });
  const auto last_it = std::partition_point(high_from_young_.begin(), high_from_young_.end(),
                                            [&](double v) { return v >= low; });
  if (first_it == low_from_old_.end() || last_it == high_from_young_.begin()) return false;
  // The extremes allow for error + sigma; the ends are then trimmed to the
  // years that are within reach of the combined sigma itself.
  auto within = [&](int32_t i) {
    const double d = age - ages_[static_cast<size_t>(i)];
    return d * d <= kReach * kReach * (error * error + sigma_squares_[static_cast<size_t>(i)]);
  };
  int32_t f = static_cast<int32_t>(first_it - low_from_old_.begin());
  int32_t l = static_cast<int32_t>(last_it - high_from_young_.begin()) - 1;
  while (f <= l && !within(f)) ++f;
  while (l >= f && !within(l)) --l;
  if (f > l) return false;
  *first = first_year_ + f;
  *last = first_year_ + l;
  return true;
}

Result<AnnualCurve> AnnualCurveFromScaled(const AnnualScaledList& list) {
  const size_t n = list.ages.size();
  if (n < 2 || list.sigmas.size() != n) return Error{"the curve covers fewer than two years"};
  if (list.start_year < AnnualCurve::kOldestYear ||
      int64_t{list.start_year} + static_cast<int64_t>(n) - 1 > AnnualCurve::kYoungestYear) {
    return Error{"the curve's years lie outside " + std::to_string(AnnualCurve::kOldestYear) +
                 " to " + std::to_string(AnnualCurve::kYoungestYear)};
  }
  AnnualCurve curve;
  curve.first_year_ = list.start_year;
  curve.ages_.resize(n);
  curve.sigmas_.resize(n);
  curve.sigma_squares_.resize(n);
  for (size_t i = 0; i < n; ++i) {
    if (list.sigmas[i] < 0) {
      return Error{"the sigma of year " +
                   std::to_string(list.start_year + static_cast<int64_t>(i)) + " is negative"};
    }
    // Millionths of a year convert exactly enough: the division is correctly
    // rounded, so the same scaled value always gives the same double.
    curve.ages_[i] = static_cast<double>(list.ages[i]) / kCurveScale;
    curve.sigmas_[i] = static_cast<double>(list.sigmas[i]) / kCurveScale;
    curve.sigma_squares_[i] = curve.sigmas_[i] * curve.sigmas_[i];
  }
  curve.low_from_old_.resize(n);
  curve.high_from_young_.resize(n);
  double low = INFINITY;
  for (size_t i = 0; i < n; ++i) {
    low = std::min(low, curve.ages_[i] - AnnualCurve::kReach * curve.sigmas_[i]);
    curve.low_from_old_[i] = low;
  }
  double high = -INFINITY;
  for (size_t i = n; i-- > 0;) {
    high = std::max(high, curve.ages_[i] + AnnualCurve::kReach * curve.sigmas_[i]);
    curve.high_from_young_[i] = high;
  }
  return curve;
}

Result<AnnualCurve> AnnualCurveFromNodes(const std::vector<CurveNode>& nodes) {
  return AnnualCurveFromScaled(
      AnnualScaledValues(nodes, AnnualCurve::kOldestYear, AnnualCurve::kYoungestYear));
}

Result<AnnualCurve> LoadAnnualCurve(std::string_view list, int32_t first_year) {
  AnnualScaledList scaled;
  scaled.start_year = first_year;
  size_t line_number = 0;
  size_t pos = 0;
  while (pos < list.size()) {
    size_t end = list.find('\n', pos);
    if (end == std::string_view::npos) end = list.size();
    std::string_view line = list.substr(pos, end - pos);
    pos = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t comma = line.find(',');
    const auto age =
        comma == std::string_view::npos ? std::nullopt : ParseScaledDecimal(line.substr(0, comma));
    const auto sigma =
        comma == std::string_view::npos ? std::nullopt : ParseScaledDecimal(line.substr(comma + 1));
    // The decimal reader takes a leading "+"; the lists never write one.
    if (!age || !sigma || line.find('+') != std::string_view::npos) {
      return Error{"line " + std::to_string(line_number) + ": expected \"age,sigma\", found \"" +
                   std::string(line.substr(0, 40)) + "\""};
    }
    scaled.ages.push_back(*age);
    scaled.sigmas.push_back(*sigma);
  }
  return AnnualCurveFromScaled(scaled);
}

std::string AnnualCurveLine(int64_t age_scaled, int64_t sigma_scaled) {
  return ScaledDecimalText(age_scaled) + "," + ScaledDecimalText(sigma_scaled);
}

}  // namespace kal
