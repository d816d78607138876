#include "core/standard_calibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/calibration.h"
#include "core/exp_pair.h"

namespace kal {

StandardInputs ReservoirCorrected(double age, double error, double delta_r, double delta_r_error) {
  return StandardInputs{age - delta_r, std::sqrt(error * error + delta_r_error * delta_r_error)};
}

std::optional<std::string> StandardInputProblem(const StandardInputs& inputs) {
  if (!std::isfinite(inputs.age) || !std::isfinite(inputs.error)) {
    return "the age and the error must be finite numbers";
  }
  if (!(inputs.error > 0)) return "the error must be above 0";
  return std::nullopt;
}

namespace {

// Where a highest-density range is cut: every value above `threshold` is in
// it, holding `above` together, and of the values equal to it only as many as
// the level still needs.
struct DensityCut {
  double threshold = 0;
  double above = 0;
};

// The cut among `values`, reordered in place, given that the values greater
// than all of them hold `above`. A quickselect that carries the sums along.
// The pivots come from a fixed pseudo-random sequence, so the order of the
// sums, and with it every bit of the result, is the same on every run.
DensityCut FindDensityCut(std::span<double> values, double above, double level) {
  uint64_t random = 0x9E3779B97F4A7C15u;
  auto pick = [&](size_t lo, size_t hi) {
    random = random * 6364136223846793005u + 1442695040888963407u;
    return values[lo + static_cast<size_t>((random >> 33) % (hi - lo))];
  };
  double lowest_taken = 0;
  size_t lo = 0;
  size_t hi = values.size();
  while (lo < hi) {
    double a = pick(lo, hi), b = pick(lo, hi), c = pick(lo, hi);
    if (a > b) std::swap(a, b);
    const double pivot = c < a ? a : (c > b ? b : c);
    // Greater first, equal next, smaller last.
    size_t lt = lo, i = lo, gt = hi;
    double greater = 0, equal = 0;
    while (i < gt) {
      const double x = values[i];
      if (x > pivot) {
        greater += x;
        std::swap(values[i++], values[lt++]);
      } else if (x < pivot) {
        std::swap(values[i], values[--gt]);
      } else {
        equal += x;
        ++i;
      }
    }
    if (above + greater >= level) {
      hi = lt;  // not empty: greater > 0
    } else if (above + greater + equal >= level) {
      return {pivot, above + greater};
    } else {
      above += greater + equal;
      lowest_taken = pivot;
      lo = gt;
    }
  }
  // Only rounding in the sums gets here, with every value taken: so are all
  // the values equal to the last one.
  return {lowest_taken, -INFINITY};
}

}  // namespace

void HighestDensityRanges(std::span<const double> probability, int32_t first_year,
                          std::vector<double>& scratch, std::vector<HpdInterval>& hpd68,
                          std::vector<HpdInterval>& hpd95) {
  hpd68.clear();
  hpd95.clear();
  const size_t n = probability.size();
  if (n == 0) return;
  // Whatever lies outside a range holds more than 1 - level, so a year below
  // (1 - level) / n is never in it: the search looks only at the years above
  // half that, which leaves out the long tails.
  const double floor = (1 - kLevel95) / (2 * static_cast<double>(n));
  size_t lo = 0, hi = n;
  while (lo < hi && probability[lo] < floor) ++lo;
  while (hi > lo && probability[hi - 1] < floor) --hi;
  if (lo == hi) return;
  const std::span<const double> span = probability.subspan(lo, hi - lo);
  const double top = *std::max_element(span.begin(), span.end());

  // Sorting the years by probability would cost n log n. Instead the values
  // go into buckets of equal width by value, whose sums, taken from the top,
  // show which bucket each level falls in; only that bucket's few values are
  // then searched one by one. Four sets of buckets, used in turn, keep
  // neighbouring years (often in the same bucket) from waiting on each other.
  constexpr size_t kBuckets = 512;
  std::array<std::array<double, kBuckets>, 4> sums{};
  const double scale = kBuckets / (top - floor);
  auto bucket_of = [&](double p) {
    return std::min(kBuckets - 1, static_cast<size_t>((p - floor) * scale));
  };
  for (size_t i = 0; i < span.size(); ++i) {
    if (span[i] >= floor) sums[i & 3][bucket_of(span[i])] += span[i];
  }
  const double levels[2] = {kLevel68, kLevel95};
  size_t level_bucket[2] = {0, 0};
  double above[2] = {-INFINITY, -INFINITY};  // kept when rounding leaves a level unreached
  double cumulative = 0;
  int level = 0;
  for (size_t b = kBuckets; b-- > 0 && level < 2;) {
    const double bucket_sum = (sums[0][b] + sums[1][b]) + (sums[2][b] + sums[3][b]);
    while (level < 2 && cumulative + bucket_sum >= levels[level]) {
      level_bucket[level] = b;
      above[level] = cumulative;
      ++level;
    }
    cumulative += bucket_sum;
  }
  // Unreached levels take every candidate: bucket 0 with nothing above.
  scratch.clear();
  for (double p : span) {
    if (p >= floor && bucket_of(p) == level_bucket[0]) scratch.push_back(p);
  }
  const size_t count68 = scratch.size();
  for (double p : span) {
    if (p >= floor && bucket_of(p) == level_bucket[1]) scratch.push_back(p);
  }
  DensityCut cuts[2] = {
      FindDensityCut(std::span(scratch).first(count68), above[0], levels[0]),
      FindDensityCut(std::span(scratch).subspan(count68), above[1], levels[1]),
  };
  if (above[0] == -INFINITY) cuts[0] = {floor, -INFINITY};
  if (above[1] == -INFINITY) cuts[1] = {floor, -INFINITY};

  std::vector<HpdInterval>* ranges[2] = {&hpd68, &hpd95};
  for (int l = 0; l < 2; ++l) {
    double taken = cuts[l].above;
    bool open = false;
    for (size_t i = 0; i < span.size(); ++i) {
      const double p = span[i];
      bool in = p > cuts[l].threshold;
      // Years equal to the threshold, oldest first, until the level is reached.
      if (p == cuts[l].threshold && taken < levels[l]) {
        in = true;
        taken += p;
      }
      const auto year = static_cast<int32_t>(first_year + static_cast<int64_t>(lo + i));
      if (in && !open) ranges[l]->push_back({year, year, 0});
      if (in) {
        ranges[l]->back().to = year;
        ranges[l]->back().probability += p;
      }
      open = in;
    }
  }
}

void CalibrateStandard(const AnnualCurve& curve, const StandardInputs& inputs,
                       StandardResult& result) {
  result.found = false;
  result.median = 0;
  result.hpd68.clear();
  result.hpd95.clear();
  result.probability.clear();
  int32_t first = 0, last = 0;
  if (StandardInputProblem(inputs) || !curve.ReachOf(inputs.age, inputs.error, &first, &last)) {
    return;
  }
  const size_t n = static_cast<size_t>(last - first) + 1;
  result.first_year = first;
  result.probability.resize(n);
  double* p = result.probability.data();
  const double* mu = curve.AgesFrom(first);
  const double* sigma_c2 = curve.SigmaSquaresFrom(first);
  const double error2 = inputs.error * inputs.error;

  // The likelihoods two years at a time (the exponential is most of the
  // time); an odd last year goes as a pair with itself.
  DoublePair sum_pair = {0, 0};
  for (size_t i = 0; i < n; i += 2) {
    const size_t j = std::min(i + 1, n - 1);
    const DoublePair inverse = 1.0 / (error2 + DoublePair{sigma_c2[i], sigma_c2[j]});
    const DoublePair d = inputs.age - DoublePair{mu[i], mu[j]};
    const DoublePair e = ExpPair(-0.5 * d * d * inverse);
    p[i] = e[0] * std::sqrt(inverse[0]);
    sum_pair[0] += p[i];
    if (j != i) {
      p[j] = e[1] * std::sqrt(inverse[1]);
      sum_pair[1] += p[j];
    }
  }
  const double sum = sum_pair[0] + sum_pair[1];
  // All underflowed: the reach holds only years of negligible likelihood.
  if (!(sum > 0)) {
    result.probability.clear();
    return;
  }
  const double inverse_sum = 1 / sum;
  for (size_t i = 0; i < n; ++i) p[i] *= inverse_sum;

  // The median by blocks of eight years, then year by year inside the block
  // that reaches 0.5: a running sum of every year would wait on each addition.
  double cumulative = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const double block = ((p[i] + p[i + 1]) + (p[i + 2] + p[i + 3])) +
                         ((p[i + 4] + p[i + 5]) + (p[i + 6] + p[i + 7]));
    if (cumulative + block >= 0.5) break;
    cumulative += block;
  }
  for (; i < n; ++i) {
    cumulative += p[i];
    if (cumulative >= 0.5) break;
  }
  result.median = first + static_cast<int32_t>(std::min(i, n - 1));
  HighestDensityRanges(result.probability, first, result.scratch, result.hpd68, result.hpd95);
  result.found = true;
}

std::string IntervalsText(std::span<const HpdInterval> intervals) {
  std::string text;
  for (const HpdInterval& interval : intervals) {
    char percent[32];
    std::snprintf(percent, sizeof percent, " %.1f%%", 100 * interval.probability);
    if (!text.empty()) text += ", ";
    text += YearText(interval.from) + " - " + YearText(interval.to) + percent;
  }
  return text;
}

}  // namespace kal
