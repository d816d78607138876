// Gaussian weights by whole age difference d: 0.9 * exp(-d^2 / (2 s^2)) for
// |d| <= 4 s, where s is the working width (error + 5). Built in extended
// precision and stored as doubles, symmetric to the last bit.
//
// The table never shrinks: it spans at least -3000..3000 (a BandOnly table:
// no more than its bands) and grows to the widest band built so far. A build
// for a narrower band leaves the entries beyond it as the earlier build
// stored them; no reader takes weights from there, because WeightOf cuts at
// 4 s first. Reading outside the allocated span gives 0, so no difference,
// however large, leaves the table.
#ifndef KAL_CORE_WEIGHT_TABLE_H_
#define KAL_CORE_WEIGHT_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kal {

// The largest error (one sigma, years) the calculation accepts, and so the
// largest working width. Real date lists carry errors up to a few thousand
// years; beyond this the table would grow without any use.
inline constexpr int32_t kMaxError = 10000;
inline constexpr int32_t kMaxSigma = kMaxError + 5;

// r = -0.5 / s / s, in extended precision, stored as a double.
double GaussRate(int32_t sigma);
// The stored weight of difference d for rate r: exp((d * r) * d) * 0.9 in
// extended precision, rounded to double.
double GaussWeight(double rate, int32_t d);

class WeightTable {
 public:
  static constexpr int32_t kMinHalfSpan = 3000;

  WeightTable() : WeightTable(kMinHalfSpan) {}

  // A table that holds no more than the bands built into it: a band-sized
  // table for callers that keep one table per working width.
  static WeightTable BandOnly() { return WeightTable(0); }

  // Fills the band -4 sigma .. 4 sigma; 1 <= sigma <= kMaxSigma.
  void Build(int32_t sigma);

  // The entry at d, or 0 where the table holds none.
  double operator[](int64_t d) const {
    if (d < -half_ || d > half_) return 0.0;
    return entries_[static_cast<size_t>(d + half_)];
  }

  // Direct pointer to the entry of d = 0, for loops that know |d| <= 4 sigma
  // of the last build.
  const double* Centre() const { return entries_.data() + half_; }

  // Bytes held by the entries.
  size_t Bytes() const { return entries_.size() * sizeof(double); }

 private:
  explicit WeightTable(int32_t half)
      : half_(half), entries_(2 * static_cast<size_t>(half) + 1, 0.0) {}

  int32_t half_;
  std::vector<double> entries_;
};

}  // namespace kal

#endif  // KAL_CORE_WEIGHT_TABLE_H_
