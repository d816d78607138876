#include "core/cal_curve.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "core/numbers.h"

namespace kal {
namespace {

// The straight-line extension, 0.867 per year, as the exact decimal product
// 867 * n / 1000 rounded half to even; no floating point needed.
int64_t ExtensionRise(int64_t years_before_first) {
  return static_cast<int64_t>(DivideHalfEven(Int128{867} * years_before_first, 1000));
}

}  // namespace

int32_t CurveTable::FirstAtMost(int64_t high) const {
  constexpr int32_t kFrom = kSearchOldest + 1;
  constexpr int32_t kTo = kSearchYoungest - 1;
  if (!first_at_most_.empty()) {
    if (high < first_lowest_) return kTo + 1;
    const int64_t i = high - first_lowest_;
    if (i >= static_cast<int64_t>(first_at_most_.size())) return kFrom;
    return first_at_most_[static_cast<size_t>(i)];
  }
  int32_t lo = kFrom, hi = kTo + 1;  // answer in [lo, hi]; hi means none
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (MinFromOld(mid) <= high)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

int32_t CurveTable::LastAtLeast(int64_t low) const {
  constexpr int32_t kFrom = kSearchOldest + 1;
  constexpr int32_t kTo = kSearchYoungest - 1;
  if (!last_at_least_.empty()) {
    if (low <= last_lowest_) return kTo;
    const int64_t i = low - last_lowest_;
    if (i >= static_cast<int64_t>(last_at_least_.size())) return kFrom - 1;
    return last_at_least_[static_cast<size_t>(i)];
  }
  int32_t lo = kFrom - 1, hi = kTo;  // kFrom - 1 means none
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo + 1) / 2;
    if (MaxFromYoung(mid) >= low)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

Result<CurveTable> LoadCurve(std::span<const std::string_view> lists, int32_t first_year) {
  std::vector<int32_t> values;
  size_t total = 0;
  for (std::string_view text : lists) total += text.size();
  values.reserve(total / 4);
  for (size_t list = 0; list < lists.size(); ++list) {
    const std::string_view text = lists[list];
    size_t line_number = 0;
    size_t start = 0;
    while (start < text.size()) {
      ++line_number;
      // The common line, up to nine digits and a line end, is read in one
      // pass: a curve has some 52,000 of them and the window loads one at
      // start-up. Anything else goes through the strict reader.
      uint32_t value = 0;
      size_t i = start;
      while (i < text.size() && static_cast<unsigned char>(text[i] - '0') <= 9) {
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
        ++i;
      }
      const size_t digits = i - start;
      if (digits > 0 && digits <= 9 && (i == text.size() || text[i] == '\n')) {
        values.push_back(static_cast<int32_t>(value));
        start = i + 1;
        continue;
      }
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      start = end + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      const auto parsed = StrictDecimal(line);
      if (!parsed) {
        return Error{"curve list " + std::to_string(list + 1) + ", line " +
                     std::to_string(line_number) + ": not a decimal integer: \"" +
                     std::string(line.substr(0, 40)) + "\""};
      }
      values.push_back(*parsed);
    }
  }
  return LoadCurveValues(values, first_year);
}

Result<CurveTable> LoadCurveValues(std::span<const int32_t> values, int32_t first_year) {
  CurveTable curve;
  constexpr int64_t kCapacity = int64_t{CurveTable::kYoungestYear} - CurveTable::kOldestYear + 1;
  curve.ages_.assign(static_cast<size_t>(kCapacity), 0);

  // Values are placed year after year from first_year on; those that fall
  // outside the table are dropped.
  const int64_t placed_first = std::max<int64_t>(first_year, CurveTable::kOldestYear);
  const int64_t placed_last = std::min<int64_t>(
      int64_t{first_year} + static_cast<int64_t>(values.size()) - 1, CurveTable::kYoungestYear);
  const bool any = placed_first <= placed_last;
  for (int64_t y = placed_first; y <= placed_last; ++y) {
    curve.ages_[static_cast<size_t>(y - CurveTable::kOldestYear)] =
        values[static_cast<size_t>(y - first_year)];
  }
  if (any) curve.last_year_ = static_cast<int32_t>(placed_last);
  if (!any) return Error{"the curve has no value between the years -50000 and 1950"};
  if (curve.last_year_ < CurveTable::kSearchYoungest) {
    return Error{"the curve does not reach the present: it ends at the year " +
                 std::to_string(curve.last_year_) + ", cal BP " +
                 std::to_string(1950 - curve.last_year_) + "; it must reach cal BP " +
                 std::to_string(1950 - CurveTable::kSearchYoungest) + " or less"};
  }

  const int64_t first_value =
      curve.ages_[static_cast<size_t>(placed_first - CurveTable::kOldestYear)];
  for (int64_t y = CurveTable::kOldestYear; y < placed_first; ++y) {
    const int64_t age = first_value + ExtensionRise(std::llabs(y - placed_first));
    if (age > INT32_MAX) return Error{"the curve's extension to the year -50000 overflows"};
    curve.ages_[static_cast<size_t>(y - CurveTable::kOldestYear)] = static_cast<int32_t>(age);
  }
  curve.ages_.resize(static_cast<size_t>(curve.last_year_ - CurveTable::kOldestYear + 1));

  constexpr int32_t kFrom = CurveTable::kSearchOldest + 1;
  constexpr int32_t kTo = CurveTable::kSearchYoungest - 1;
  constexpr auto kSpan = static_cast<size_t>(kTo - kFrom + 1);
  curve.min_from_old_.resize(kSpan);
  curve.max_from_young_.resize(kSpan);
  int32_t running = curve[kFrom];
  for (int32_t y = kFrom; y <= kTo; ++y) {
    running = std::min(running, curve[y]);
    curve.min_from_old_[static_cast<size_t>(y - kFrom)] = running;
  }
  running = curve[kTo];
  for (int32_t y = kTo; y >= kFrom; --y) {
    running = std::max(running, curve[y]);
    curve.max_from_young_[static_cast<size_t>(y - kFrom)] = running;
  }

  // Both running extremes fall as the year grows, so every bound's answer
  // follows from one walk down the bounds beside one walk along the years.
  const int64_t min_span = int64_t{curve.MinFromOld(kFrom)} - curve.MinFromOld(kTo) + 1;
  const int64_t max_span = int64_t{curve.MaxFromYoung(kFrom)} - curve.MaxFromYoung(kTo) + 1;
  if (min_span <= CurveTable::kMaxAnswerSpan && max_span <= CurveTable::kMaxAnswerSpan) {
    curve.first_lowest_ = curve.MinFromOld(kTo);
    curve.first_at_most_.resize(static_cast<size_t>(min_span));
    int32_t y = kFrom;
    for (int64_t i = min_span - 1; i >= 0; --i) {
      while (curve.MinFromOld(y) > curve.first_lowest_ + i) ++y;
      curve.first_at_most_[static_cast<size_t>(i)] = y;
    }
    curve.last_lowest_ = curve.MaxFromYoung(kTo);
    curve.last_at_least_.resize(static_cast<size_t>(max_span));
    y = kTo;
    for (int64_t i = 0; i < max_span; ++i) {
      while (curve.MaxFromYoung(y) < curve.last_lowest_ + i) --y;
      curve.last_at_least_[static_cast<size_t>(i)] = y;
    }
  }
  return curve;
}

}  // namespace kal
