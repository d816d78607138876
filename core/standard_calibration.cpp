#include "core/standard_calibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// The sum of `values` in four interleaved parts, added in a fixed order.
double SumOf(std::span<const double> values) {
  double part[4] = {0, 0, 0, 0};
  size_t i = 0;
  for (; i + 4 <= values.size(); i += 4) {
    for (int k = 0; k < 4; ++k) part[k] += values[i + static_cast<size_t>(k)];
  }
  for (; i < values.size(); ++i) part[0] += values[i];
  return (part[0] + part[1]) + (part[2] + part[3]);
}

// Sorting the years by probability would cost n log n. Instead the values go
// into buckets of equal width by value, whose sums, taken from the top, show
// which bucket each level falls in; only that bucket's few values are then
// searched one by one. Whatever lies outside a range holds more than
// 1 - level, so a year below (1 - level) / n is never in it: the buckets start
// at half that, and the long tails stay out of them.
class DensityBuckets {
 public:
  // For n probabilities summing to 1, the largest of them `top`.
  DensityBuckets(size_t n, double top)
      : floor_((1 - kLevel95) / (2 * static_cast<double>(n))),
        // The half bucket spare keeps `top` inside the last bucket.
        scale_((kBuckets - 0.5) / (top - floor_)) {}

  // Year i's probability p. Two sets of buckets, used in turn, keep
  // neighbouring years (often in the same bucket) from waiting on each other.
  // Years are added in order, oldest first.
  void Add(size_t i, double p) {
    if (p < floor_) return;
    sums_[i & 1][Index(p)] += p;
    if (first_ > i) first_ = i;
    last_ = i;
  }

  // The first and the last year in the buckets: no year outside them can be
  // in a range. Empty (first > last) when no year is.
  size_t First() const { return first_; }
  size_t Last() const { return last_; }

  double Floor() const { return floor_; }
  size_t Index(double p) const { return static_cast<size_t>((p - floor_) * scale_); }

  // The bucket in which `level` is reached, taking buckets from the top, and
  // the share of the buckets above it; nullopt when rounding leaves the level
  // unreached.
  std::optional<std::pair<size_t, double>> Reaching(double level) const {
    double cumulative = 0;
    for (size_t b = kBuckets; b-- > 0;) {
      const double bucket = sums_[0][b] + sums_[1][b];
      if (cumulative + bucket >= level) return std::pair{b, cumulative};
      cumulative += bucket;
    }
    return std::nullopt;
  }

 private:
  static constexpr size_t kBuckets = 512;
  double floor_;
  double scale_;
  size_t first_ = SIZE_MAX;
  size_t last_ = 0;
  std::array<std::array<double, kBuckets>, 2> sums_{};
};

// HighestDensityRanges, with the probabilities already in `buckets`.
void RangesOf(std::span<const double> probability, int32_t first_year,
              const DensityBuckets& buckets, std::vector<double>& scratch,
              std::vector<HpdInterval>& hpd68, std::vector<HpdInterval>& hpd95) {
  hpd68.clear();
  hpd95.clear();
  if (buckets.First() > buckets.Last()) return;
  // Only the years from the first to the last in the buckets can be chosen.
  first_year += static_cast<int32_t>(buckets.First());
  probability = probability.subspan(buckets.First(), buckets.Last() - buckets.First() + 1);
  const size_t n = probability.size();
  const double levels[2] = {kLevel68, kLevel95};
  const auto reaching68 = buckets.Reaching(kLevel68), reaching95 = buckets.Reaching(kLevel95);

  // The two buckets' values, the 68.3% one from the front of `scratch` and
  // the 95.4% one from the back.
  const size_t bucket68 = reaching68 ? reaching68->first : 0;
  const size_t bucket95 = reaching95 ? reaching95->first : 0;
  if (scratch.size() < 2 * n) scratch.resize(2 * n);
  size_t front = 0, back = scratch.size();
  for (double p : probability) {
    if (p < buckets.Floor()) continue;
    const size_t b = buckets.Index(p);
    if (b == bucket68) scratch[front++] = p;
    if (b == bucket95) scratch[--back] = p;
  }
  DensityCut cuts[2] = {
      FindDensityCut(std::span(scratch).subspan(0, front), reaching68 ? reaching68->second : 0,
                     kLevel68),
      FindDensityCut(std::span(scratch).subspan(back), reaching95 ? reaching95->second : 0,
                     kLevel95),
  };
  // A level that rounding leaves unreached takes every year above the floor.
  if (!reaching68) cuts[0] = {buckets.Floor(), -INFINITY};
  if (!reaching95) cuts[1] = {buckets.Floor(), -INFINITY};

  // The runs of chosen years from year `begin` to `end`, each with its share
  // summed over its years.
  const auto collect = [&](int l, size_t begin, size_t end, std::vector<HpdInterval>& runs) {
    const double threshold = cuts[l].threshold;
    double taken = cuts[l].above;
    // Every year asked once, in calendar order: years equal to the threshold
    // are taken oldest first, until the level is reached.
    const auto chosen = [&](double p) {
      if (p > threshold) return true;
      if (p < threshold || taken >= levels[l]) return false;
      taken += p;
      return true;
    };
    size_t i = begin;
    for (;;) {
      while (i < end && !chosen(probability[i])) ++i;
      if (i == end) break;
      const size_t from = i++;
      while (i < end && chosen(probability[i])) ++i;
      runs.push_back({static_cast<int32_t>(first_year + static_cast<int64_t>(from)),
                      static_cast<int32_t>(first_year + static_cast<int64_t>(i - 1)),
                      SumOf(probability.subspan(from, i - from))});
    }
  };
  collect(1, 0, n, hpd95);
  // Every year of the 68.3% range is in the 95.4% one.
  if (hpd95.empty()) return;
  collect(0, static_cast<size_t>(hpd95.front().from - first_year),
          static_cast<size_t>(hpd95.back().to - first_year) + 1, hpd68);
}

}  // namespace

void HighestDensityRanges(std::span<const double> probability, int32_t first_year,
                          std::vector<double>& scratch, std::vector<HpdInterval>& hpd68,
                          std::vector<HpdInterval>& hpd95) {
  if (probability.empty()) {
    hpd68.clear();
    hpd95.clear();
    return;
  }
  DensityBuckets buckets(probability.size(),
                         *std::max_element(probability.begin(), probability.end()));
  for (size_t i = 0; i < probability.size(); ++i) buckets.Add(i, probability[i]);
  RangesOf(probability, first_year, buckets, scratch, hpd68, hpd95);
}

void CalibrateStandard(const AnnualCurve& curve, const StandardInputs& inputs,
                       StandardResult& result) {
  result.found = false;
  result.median = 0;
  result.hpd68.clear();
  result.hpd95.clear();
  int32_t first = 0, last = 0;
  if (StandardInputProblem(inputs) || !curve.ReachOf(inputs.age, inputs.error, &first, &last)) {
    result.probability.clear();
    return;
  }
  const size_t n = static_cast<size_t>(last - first) + 1;
  result.first_year = first;
  result.probability.resize(n);  // every entry written below
  double* p = result.probability.data();
  const double* mu = curve.AgesFrom(first);
  const double* sigma_c2 = curve.SigmaSquaresFrom(first);
  const double error2 = inputs.error * inputs.error;

  // The likelihoods two years at a time: the exponential is most of the
  // time, and a pair of years costs about what one does.
  const auto likelihood_of = [&](const double* ages, const double* sigma_squares) {
    DoublePair age_pair, sigma_c2_pair;
    std::memcpy(&age_pair, ages, sizeof age_pair);
    std::memcpy(&sigma_c2_pair, sigma_squares, sizeof sigma_c2_pair);
    const DoublePair inverse = 1.0 / (error2 + sigma_c2_pair);
    const DoublePair d = inputs.age - age_pair;
    return ExpPair(-0.5 * d * d * inverse) * SqrtPair(inverse);
  };
  DoublePair sum = {0, 0}, top = {0, 0};
  size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    const DoublePair likelihood = likelihood_of(mu + i, sigma_c2 + i);
    std::memcpy(p + i, &likelihood, sizeof likelihood);
    sum += likelihood;
    top = top > likelihood ? top : likelihood;
  }
  if (i < n) {  // an odd last year, paired with itself
    const double ages[2] = {mu[i], mu[i]}, sigma_squares[2] = {sigma_c2[i], sigma_c2[i]};
    const double likelihood = likelihood_of(ages, sigma_squares)[0];
    p[i] = likelihood;
    sum[0] += likelihood;
    top[0] = std::max(top[0], likelihood);
  }
  const double total = sum[0] + sum[1];
  // All underflowed: the reach holds only years of negligible likelihood.
  if (!(total > 0)) {
    result.probability.clear();
    return;
  }
  // Normalised, and into the buckets of the range search on the way.
  const double inverse_total = 1 / total;
  // Scaling by a positive number keeps the order, so the largest stays the largest.
  DensityBuckets buckets(n, std::max(top[0], top[1]) * inverse_total);
  const DoublePair inverse_pair = DoublePair{} + inverse_total;
  for (i = 0; i + 2 <= n; i += 2) {
    DoublePair pair;
    std::memcpy(&pair, p + i, sizeof pair);
    pair *= inverse_pair;
    std::memcpy(p + i, &pair, sizeof pair);
    buckets.Add(i, pair[0]);
    buckets.Add(i + 1, pair[1]);
  }
  if (i < n) {
    p[i] *= inverse_total;
    buckets.Add(i, p[i]);
  }

  // The median by blocks of eight years, then year by year inside the block
  // that reaches 0.5: a running sum of every year would wait on each addition.
  double cumulative = 0;
  for (i = 0; i + 8 <= n; i += 8) {
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
  RangesOf(result.probability, first, buckets, result.scratch, result.hpd68, result.hpd95);
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
