// The calibration curve as the calculation reads it: one whole radiocarbon age
// per calendar year (negative years BC) from kOldestYear to at least
// kSearchYoungest, and at most to kYoungestYear. Built once by LoadCurve and
// only read afterwards, so one curve may be shared by any number of
// calculations, threads included.
//
// Besides the ages it keeps the running minimum from the old end and the
// running maximum from the young end of the window search's span, which turn
// each of the search's two scans into a bisection, and, for a curve whose
// ages span a sane range, each bisection's answer for every possible bound,
// so that a date list's window search is two table reads.
#ifndef KAL_CORE_CAL_CURVE_H_
#define KAL_CORE_CAL_CURVE_H_

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace kal {

class CurveTable {
 public:
  static constexpr int32_t kOldestYear = -50000;
  static constexpr int32_t kYoungestYear = 1950;
  // The span the window search walks: it starts beside kSearchOldest and
  // never reads a year after kSearchYoungest.
  static constexpr int32_t kSearchOldest = -45000;
  static constexpr int32_t kSearchYoungest = 1944;

  // Whether year y has a curve value.
  bool HasValue(int32_t y) const { return y >= kOldestYear && y <= last_year_; }
  // The age of year y; y must have a value.
  int32_t operator[](int32_t y) const { return ages_[static_cast<size_t>(y - kOldestYear)]; }
  int32_t LastYear() const { return last_year_; }
  // The ages from year y on, for loops over a span that has values.
  const int32_t* AgesFrom(int32_t y) const { return ages_.data() + (y - kOldestYear); }

  // Smallest age over kSearchOldest + 1 .. y, for y in kSearchOldest + 1 .. kSearchYoungest - 1.
  int32_t MinFromOld(int32_t y) const {
    return min_from_old_[static_cast<size_t>(y - (kSearchOldest + 1))];
  }
  // Largest age over y .. kSearchYoungest - 1, same span of y.
  int32_t MaxFromYoung(int32_t y) const {
    return max_from_young_[static_cast<size_t>(y - (kSearchOldest + 1))];
  }

  // The first year from kSearchOldest + 1 on whose MinFromOld is at most
  // `high`, or kSearchYoungest when none is.
  int32_t FirstAtMost(int64_t high) const;
  // The last year up to kSearchYoungest - 1 whose MaxFromYoung is at least
  // `low`, or kSearchOldest when none is.
  int32_t LastAtLeast(int64_t low) const;

  // The most entries each answer table may have; a curve whose ages span
  // more is searched by bisection alone.
  static constexpr int64_t kMaxAnswerSpan = int64_t{1} << 20;

 private:
  friend Result<CurveTable> LoadCurveValues(std::span<const int32_t>, int32_t);
  std::vector<int32_t> ages_;  // kOldestYear .. last_year_
  int32_t last_year_ = kOldestYear - 1;
  std::vector<int32_t> min_from_old_;
  std::vector<int32_t> max_from_young_;
  // FirstAtMost(first_lowest_ + i) and LastAtLeast(last_lowest_ + i); empty
  // when the ages span more than kMaxAnswerSpan.
  std::vector<int32_t> first_at_most_;
  int64_t first_lowest_ = 0;
  std::vector<int32_t> last_at_least_;
  int64_t last_lowest_ = 0;
};

// Fills a curve from lists of text lines, one whole age per line, the first
// line of the first list belonging to `first_year` and every further line to
// the year after, running on from one list to the next. Values after
// kYoungestYear (and before kOldestYear) are dropped. The years from
// kOldestYear up to the year before `first_year` are filled by a straight line
// that climbs 0.867 radiocarbon years per calendar year into the past from the
// first value.
//
// Each list is one text whose lines end in LF or CR LF; a final line ending is
// optional. Reading is strict: a line that is not a decimal integer fails,
// naming the list and line. The values must reach kSearchYoungest.
Result<CurveTable> LoadCurve(std::span<const std::string_view> lists, int32_t first_year);

// The same from values already read, the first belonging to `first_year`.
Result<CurveTable> LoadCurveValues(std::span<const int32_t> values, int32_t first_year);

}  // namespace kal

#endif  // KAL_CORE_CAL_CURVE_H_
