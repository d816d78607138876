#include "core/window_sums.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/numbers.h"

namespace kal {
namespace {

constexpr Extended kSumFloor = 0.00001L;
constexpr Extended kLowerShare = 0.023L;
constexpr Extended kUpperShare = 0.977L;

// Weights are gathered and summed a block at a time, so the checks of a block
// run over arrays the processor can take two at a time, and a block in doubt
// (a few in a hundred) is summed again in extended precision.
constexpr int32_t kBlock = 64;

// Whether any step partial[i] + weight[i] = partial[i + 1], done in double
// arithmetic, may differ from the same addition rounded first to 64 and then
// to 53 bits. That happens only when the 64-bit value lands exactly on a
// midpoint between two doubles, that is when the exact residual of the double
// sum (TwoSum) lies within half a 64-bit ulp (2^-12 of the double's ulp) of
// half the double's ulp (or, when the double is a power of two, a quarter of
// it) without being exactly that. The margin is inclusive, so the test can
// only err towards doubt.
bool AnyDoubtfulStep(const double* partial, const double* weight, int32_t n) {
  const __m128d sign_off = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
  const __m128i exponent = _mm_set1_epi64x(0x7FF0000000000000LL);
  const __m128i ulp_shift = _mm_set1_epi64x(int64_t{52} << 52);
  __m128d doubt = _mm_setzero_pd();
  int32_t i = 0;
  for (; i + 2 <= n; i += 2) {
    const __m128d a = _mm_loadu_pd(partial + i);
    const __m128d b = _mm_loadu_pd(weight + i);
    const __m128d s = _mm_loadu_pd(partial + i + 1);
    const __m128d bb = _mm_sub_pd(s, a);
    const __m128d residual =
        _mm_and_pd(_mm_add_pd(_mm_sub_pd(a, _mm_sub_pd(s, bb)), _mm_sub_pd(b, bb)), sign_off);
    const __m128d ulp =
        _mm_castsi128_pd(_mm_sub_epi64(_mm_and_si128(_mm_castpd_si128(s), exponent), ulp_shift));
    const __m128d margin = _mm_mul_pd(ulp, _mm_set1_pd(0x1p-12));
    const __m128d power_of_two = _mm_cmpeq_pd(s, _mm_and_pd(s, _mm_castsi128_pd(exponent)));
    const __m128d off_half =
        _mm_and_pd(_mm_sub_pd(residual, _mm_mul_pd(ulp, _mm_set1_pd(0.5))), sign_off);
    const __m128d off_quarter =
        _mm_and_pd(_mm_sub_pd(residual, _mm_mul_pd(ulp, _mm_set1_pd(0.25))), sign_off);
    // A residual of exactly half (or a quarter) is an exact tie, which both
    // roundings break the same way; the differences here are exact.
    const __m128d zero = _mm_setzero_pd();
    const __m128d near_half =
        _mm_and_pd(_mm_cmple_pd(off_half, margin), _mm_cmpneq_pd(off_half, zero));
    const __m128d near_quarter =
        _mm_and_pd(_mm_and_pd(_mm_cmple_pd(off_quarter, margin), _mm_cmpneq_pd(off_quarter, zero)),
                   power_of_two);
    doubt = _mm_or_pd(doubt, _mm_or_pd(near_half, near_quarter));
  }
  bool any = _mm_movemask_pd(doubt) != 0;
  for (; i < n; ++i) {
    // The odd last step: checked in extended precision directly.
    any |= static_cast<double>(Extended{partial[i]} + weight[i]) != partial[i + 1];
  }
  return any;
}

}  // namespace

double WindowSumExtended(const WindowWeights& window) {
  double sum = 0.0;
  for (int32_t i = 0; i < window.length; ++i) {
    sum = static_cast<double>(Extended{sum} + window.Weight(i));
  }
  if (sum < kSumFloor) sum = 1.0;
  return sum;
}

CutYears WindowCutsExtended(const WindowWeights& window, int32_t first_year, double sum) {
  CutYears cuts;
  const Extended divisor = sum;
  double share = 0.0;
  bool lower_found = false;
  for (int32_t i = 0; i < window.length; ++i) {
    share = static_cast<double>(share + window.Weight(i) / divisor);
    if (!lower_found && share > kLowerShare) {
      cuts.lower = first_year + i;
      lower_found = true;
    }
    if (share > kUpperShare) {  // the upper cut is the last thing to find
      cuts.upper = first_year + i;
      break;
    }
  }
  return cuts;
}

WindowTotals WindowSumAndCuts(const WindowWeights& window, int32_t first_year) {
  // The running sum after every year of the window; a thread's buffer grows
  // to its widest window once and is reused.
  thread_local std::vector<double> partial;
  partial.resize(static_cast<size_t>(window.length) + 1);
  partial[0] = 0.0;
  double weight[kBlock];
  for (int32_t start = 0; start < window.length; start += kBlock) {
    const int32_t n = std::min(kBlock, window.length - start);
    for (int32_t i = 0; i < n; ++i) weight[i] = window.Weight(start + i);
    double* const block = partial.data() + start;
    for (int32_t i = 0; i < n; ++i) block[i + 1] = block[i] + weight[i];
    if (AnyDoubtfulStep(block, weight, n)) {
      for (int32_t i = 0; i < n; ++i) {
        block[i + 1] = static_cast<double>(Extended{block[i]} + weight[i]);
      }
    }
  }
  WindowTotals totals;
  totals.sum = partial[static_cast<size_t>(window.length)];
  if (totals.sum < kSumFloor) totals.sum = 1.0;

  // The running share after year i is the running sum over S, to within
  // `tolerance` of the share summed step by step in extended precision: each
  // of the at most `length` steps of either sum errs by less than 2^-52 of S,
  // and the quotient by 2^-52. Both only grow, so each cut is the first year
  // whose share passes its threshold, found by bisection; a share that comes
  // within the tolerance of a threshold hands over to the extended loop.
  const double tolerance = (window.length + 1.0) * 0x1p-48;
  const double reciprocal = 1.0 / totals.sum;
  const double* const first = partial.data() + 1;
  const double* const last = first + window.length;
  int32_t* const found[2] = {&totals.cuts.lower, &totals.cuts.upper};
  const Extended limits[2] = {kLowerShare, kUpperShare};
  for (int k = 0; k < 2; ++k) {
    const double limit = static_cast<double>(limits[k]);
    const double* year = std::upper_bound(first, last, limit - tolerance,
                                          [&](double v, double p) { return v < p * reciprocal; });
    if (year == last) break;  // no year reaches it: the cut stays at year 0
    if (*year * reciprocal <= limit + tolerance) {
      totals.cuts = WindowCutsExtended(window, first_year, totals.sum);
      break;
    }
    *found[k] = first_year + static_cast<int32_t>(year - first);
  }
  return totals;
}

}  // namespace kal
