#include "core/window_sums.h"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "core/numbers.h"

namespace kal {
namespace {

constexpr Extended kSumFloor = 0.00001L;
constexpr Extended kLowerShare = 0.023L;
constexpr Extended kUpperShare = 0.977L;

// One year's addition as the definition does it.
double ExtendedStep(double sum, double weight) {
  return static_cast<double>(Extended{sum} + weight);
}

// Why the fast loop adds whole ulps. While the running sum S stays in one
// binade [2^k, 2^(k+1)), every value it takes is a whole number of the
// binade's ulp, 2^(k-52), and the extended sum S + w lies on the grid of
// ulp / 2^11. S has no bits below ulp, so rounding S + w to that grid (halves
// to even) rounds w alone: S + v. Rounding S + v to a double then adds v in
// whole ulps, to the nearest, unless v is exactly half-way between two whole
// numbers: that is a tie which goes to the even sum, and so depends on S.
// Measured in ulps (q = w / ulp, exact), v lands half-way exactly when q is
// within 2^-12 of a half, and otherwise the step adds the whole number
// nearest to q. So each year adds a whole number of ulps found from its own
// weight, the running totals are sums of whole numbers (exact in doubles
// below 2^53, in any order, so four years go at once), and only two steps
// need the extended addition itself: a tie, and the step that carries S into
// the next binade, after which the loop goes on with the new ulp.
//
// Outside [2^-960, 2^50) the shortcut is not taken (the chain below adds
// those years): there the scale to ulps
// could overflow, or a weight in ulps could lose bits. A window's sum never
// comes near either (47,000 years of weights of at most 0.9).
constexpr double kGridLowest = 0x1p-960;
constexpr double kGridHighest = 0x1p50;

struct Grid {
  double ulp;    // the step between doubles in the binade of S
  double scale;  // 1 / ulp, a power of two: w * scale is w in ulps, exactly
  double units;  // S / ulp, a whole number in [2^52, 2^53)
};

Grid GridOf(double sum) {
  // The exponent field alone is 2^k; 2^(k-52) and 2^(52-k) are made from it
  // directly, as the sum stays within the range above.
  const uint64_t power = std::bit_cast<uint64_t>(sum) & 0x7FF0000000000000ULL;
  const double scale = std::bit_cast<double>((uint64_t{2098} << 52) - power);
  return Grid{std::bit_cast<double>(power - (uint64_t{52} << 52)), scale, sum * scale};
}

// A run of the fast loop takes the years from `i` on, the running sum before
// year i being partial[i] (inside the range above), and writes partial[]
// after each year. A tie or a step into the next binade is taken as the
// definition takes it, and the run goes on with the new binade; the run ends
// where too few years are left for a whole vector, where the sum leaves the
// range, or at a stop that came soon after the one before (see kDenseRun),
// and returns the first year it did not take. The weight in ulps
// is clamped to 2^52, which still marks the step as leaving the binade; the
// whole number nearest to it comes from adding and taking away 2^52, where a
// double has no fraction left.
using GridRun = int32_t (*)(const WindowWeights& window, int32_t i, double* partial);

// Where the sum is young, steps into a new binade and ties come every few
// years, and each costs the fast loop a restart; a chain of double additions
// (one addition's latency a year) does better there. The fast loop starts
// where the sum is at least kSparse times the coming weight, and gives way
// when two of its stops come fewer than kDenseRun years apart.
constexpr double kSparse = 32.0;
constexpr int32_t kDenseRun = 16;

bool OnGrid(double sum) { return sum >= kGridLowest && sum < kGridHighest; }

// Takes the stop the fast loop found at year i (a tie or a step into the next
// binade) as the definition takes it and moves i past it. False when the run
// ends there; otherwise `run_start` and `grid` start again from the new sum.
__attribute__((always_inline)) inline bool TakeStop(const WindowWeights& window, int32_t& i,
                                                    double* partial, int32_t& run_start,
                                                    Grid& grid) {
  partial[i + 1] = ExtendedStep(partial[i], window.Weight(i));
  ++i;
  if (!OnGrid(partial[i]) || i - run_start < kDenseRun) return false;
  run_start = i;
  grid = GridOf(partial[i]);
  return true;
}

__attribute__((target("avx2"))) int32_t GridRunFour(const WindowWeights& window, int32_t i,
                                                    double* partial) {
  const int32_t* const curve_ages = window.ages;
  const double* const weights = window.weights;
  const int32_t length = window.length;
  const __m128i age = _mm_set1_epi32(window.age);
  const __m128i band = _mm_set1_epi32(window.band);
  const __m128i width = _mm_set1_epi32(2 * window.band);
  const __m256d whole = _mm256_set1_pd(0x1p52);
  const __m256d next_binade = _mm256_set1_pd(0x1p53);
  const __m256d near_half = _mm256_set1_pd(0.5 - 0x1p-12);
  const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
  const __m256d zero = _mm256_setzero_pd();
  int32_t run_start = i;
  Grid grid = GridOf(partial[i]);
  __m256d scale = _mm256_set1_pd(grid.scale);
  __m256d ulp = _mm256_set1_pd(grid.ulp);
  __m256d units = _mm256_set1_pd(grid.units);
  while (i + 4 <= length) {
    const __m128i d =
        _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(curve_ages + i)), age);
    // |d| <= band as one unsigned comparison. Years outside read the entry
    // of d = 0 and are masked to 0: four plain loads beat a gather here.
    const __m128i shifted = _mm_add_epi32(d, band);
    const __m128i in_band = _mm_cmpeq_epi32(_mm_min_epu32(shifted, width), shifted);
    alignas(16) int32_t index[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(index), _mm_and_si128(d, in_band));
    const __m256d weight = _mm256_and_pd(
        _mm256_set_pd(weights[index[3]], weights[index[2]], weights[index[1]], weights[index[0]]),
        _mm256_castsi256_pd(_mm256_cvtepi32_epi64(in_band)));
    const __m256d q = _mm256_min_pd(_mm256_mul_pd(weight, scale), whole);
    const __m256d u = _mm256_sub_pd(_mm256_add_pd(q, whole), whole);
    const __m256d tie =
        _mm256_cmp_pd(_mm256_and_pd(_mm256_sub_pd(q, u), magnitude), near_half, _CMP_GE_OQ);
    // Running totals of the four: [u0, u0+u1, u2, u2+u3], then the first
    // pair's total added to the second pair.
    __m256d run = _mm256_add_pd(u, _mm256_unpacklo_pd(zero, u));
    const __m256d pair = _mm256_permute_pd(run, 0xF);
    run = _mm256_add_pd(run, _mm256_permute2f128_pd(pair, pair, 0x08));
    const __m256d total = _mm256_add_pd(units, run);
    _mm256_storeu_pd(partial + i + 1, _mm256_mul_pd(total, ulp));
    const int events =
        _mm256_movemask_pd(_mm256_or_pd(tie, _mm256_cmp_pd(total, next_binade, _CMP_GE_OQ)));
    if (events == 0) {
      units = _mm256_add_pd(units, _mm256_permute4x64_pd(run, 0xFF));
      i += 4;
      continue;
    }
    i += std::countr_zero(static_cast<unsigned>(events));
    if (!TakeStop(window, i, partial, run_start, grid)) return i;
    scale = _mm256_set1_pd(grid.scale);
    ulp = _mm256_set1_pd(grid.ulp);
    units = _mm256_set1_pd(grid.units);
  }
  return i;
}

int32_t GridRunTwo(const WindowWeights& window, int32_t i, double* partial) {
  const __m128d whole = _mm_set1_pd(0x1p52);
  const __m128d next_binade = _mm_set1_pd(0x1p53);
  const __m128d near_half = _mm_set1_pd(0.5 - 0x1p-12);
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
  const __m128d zero = _mm_setzero_pd();
  int32_t run_start = i;
  Grid grid = GridOf(partial[i]);
  __m128d scale = _mm_set1_pd(grid.scale);
  __m128d ulp = _mm_set1_pd(grid.ulp);
  __m128d units = _mm_set1_pd(grid.units);
  while (i + 2 <= window.length) {
    const __m128d weight = _mm_set_pd(window.Weight(i + 1), window.Weight(i));
    const __m128d q = _mm_min_pd(_mm_mul_pd(weight, scale), whole);
    const __m128d u = _mm_sub_pd(_mm_add_pd(q, whole), whole);
    const __m128d tie = _mm_cmpge_pd(_mm_and_pd(_mm_sub_pd(q, u), magnitude), near_half);
    const __m128d run = _mm_add_pd(u, _mm_unpacklo_pd(zero, u));
    const __m128d total = _mm_add_pd(units, run);
    _mm_storeu_pd(partial + i + 1, _mm_mul_pd(total, ulp));
    const int events = _mm_movemask_pd(_mm_or_pd(tie, _mm_cmpge_pd(total, next_binade)));
    if (events == 0) {
      units = _mm_add_pd(units, _mm_unpackhi_pd(run, run));
      i += 2;
      continue;
    }
    i += std::countr_zero(static_cast<unsigned>(events));
    if (!TakeStop(window, i, partial, run_start, grid)) return i;
    scale = _mm_set1_pd(grid.scale);
    ulp = _mm_set1_pd(grid.ulp);
    units = _mm_set1_pd(grid.units);
  }
  return i;
}

bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

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

// The years [from, to), at most kChain of them, as a chain of double
// additions; if any step may differ from the extended one, the years are
// added again in extended precision.
constexpr int32_t kChain = 32;
void ChainYears(const WindowWeights& window, int32_t from, int32_t to, double* partial) {
  double weight[kChain];
  const int32_t n = to - from;
  for (int32_t i = 0; i < n; ++i) weight[i] = window.Weight(from + i);
  double* const block = partial + from;
  for (int32_t i = 0; i < n; ++i) block[i + 1] = block[i] + weight[i];
  if (AnyDoubtfulStep(block, weight, n)) {
    for (int32_t i = 0; i < n; ++i) block[i + 1] = ExtendedStep(block[i], weight[i]);
  }
}

// partial[0] = 0 and partial[i + 1] = the running sum after year i, each
// exactly as the extended definition has it.
void RunningSums(const WindowWeights& window, GridRun run, double* partial) {
  partial[0] = 0.0;
  int32_t i = 0;
  while (i < window.length) {
    if (OnGrid(partial[i]) && partial[i] >= kSparse * window.Weight(i)) {
      const int32_t start = i;
      i = run(window, i, partial);
      if (i != start) continue;
    }
    const int32_t to = std::min(window.length, i + kChain);
    ChainYears(window, i, to, partial);
    i = to;
  }
}

}  // namespace

double WindowSumExtended(const WindowWeights& window) {
  double sum = 0.0;
  for (int32_t i = 0; i < window.length; ++i) sum = ExtendedStep(sum, window.Weight(i));
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
  return WindowSumAndCuts(window, first_year, SumLanes::kWidest);
}

WindowTotals WindowSumAndCuts(const WindowWeights& window, int32_t first_year, SumLanes lanes) {
  // The running sum after every year of the window; a thread's buffer grows
  // to its widest window once and is reused. It never shrinks, so a narrower
  // window after a wide one clears nothing: every entry read is written first.
  thread_local std::vector<double> partial;
  if (partial.size() <= static_cast<size_t>(window.length)) {
    partial.resize(static_cast<size_t>(window.length) + 1);
  }
  RunningSums(window, lanes == SumLanes::kWidest && HasAvx2() ? GridRunFour : GridRunTwo,
              partial.data());
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
