// Reading a calibration curve published in the ".14c" text format and turning
// its nodes into one value per calendar year. The format: lines starting with
// "#" are comments, blank lines are skipped, a data line is
// "cal BP,14C age,sigma[,...]" with integer cal BP and ages that may carry
// decimals. Nodes may come in any order and at any spacing.
//
// The annual values are interpolated exactly (scaled integers, no floating
// point) so the embedded lists are reproducible bit for bit from the
// published files on any machine.
#ifndef KAL_CORE_CURVE_FILE_H_
#define KAL_CORE_CURVE_FILE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace kal {

// Decimal numbers in the file are held as integers scaled by this factor.
inline constexpr int64_t kCurveScale = 1'000'000;

struct CurveNode {
  int32_t cal_bp;        // calendar years before 1950
  int64_t age_scaled;    // radiocarbon age in years BP times kCurveScale
  int64_t sigma_scaled;  // the curve's one-sigma uncertainty times kCurveScale
};

// The nodes of a .14c text, sorted by cal BP (youngest first). Fails on a
// malformed line (naming it), on two nodes at the same cal BP and on fewer
// than two nodes.
Result<std::vector<CurveNode>> ParseCurveText(std::string_view text);

// The value of a scaled curve quantity at cal BP t, with t inside the nodes'
// span: linear between the bracketing nodes, rounded to the nearest integer
// with exact halves to even. `field` picks age or sigma.
enum class CurveField { kAge, kSigma };
int64_t InterpolateRounded(const std::vector<CurveNode>& nodes, int32_t cal_bp, CurveField field);

// One value per calendar year: the years the nodes cover, clipped to
// [first_year, last_year], youngest last. `start_year` receives the calendar
// year of the first value.
struct AnnualList {
  int32_t start_year = 0;
  std::vector<int32_t> values;
};
AnnualList AnnualAges(const std::vector<CurveNode>& nodes, int32_t first_year, int32_t last_year);

// The same per calendar year for the age and the sigma together, kept at the
// files' own resolution (scaled by kCurveScale) instead of whole years: exact
// wherever the node spacing divides into a decimal of at most six places (the
// published curves' spacings of 1, 5, 10 and 20 years need two); otherwise
// rounded to the nearest millionth of a year, halves to even.
struct AnnualScaledList {
  int32_t start_year = 0;
  std::vector<int64_t> ages;    // times kCurveScale
  std::vector<int64_t> sigmas;  // times kCurveScale
};
AnnualScaledList AnnualScaledValues(const std::vector<CurveNode>& nodes, int32_t first_year,
                                    int32_t last_year);

// A decimal number ("-12.5", "2512.35") scaled by kCurveScale, at most six
// decimals and a magnitude of 10^9; nullopt for anything else.
std::optional<int64_t> ParseScaledDecimal(std::string_view text);

// A scaled number as the shortest decimal that reads back to it: "2512.35",
// "-3", "0.000001".
std::string ScaledDecimalText(int64_t scaled);

}  // namespace kal

#endif  // KAL_CORE_CURVE_FILE_H_
