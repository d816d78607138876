#include "core/weight_table.h"

#include <cmath>

#include "core/numbers.h"

namespace kal {

double GaussRate(int32_t sigma) {
  const Extended s = sigma;
  return static_cast<double>(Extended{-0.5} / s / s);
}

double GaussWeight(double rate, int32_t d) {
  const Extended x = (Extended{static_cast<Extended>(d)} * rate) * d;
  return static_cast<double>(std::exp(x) * 0.9L);
}

void WeightTable::Build(int32_t sigma) {
  const int32_t band = 4 * sigma;
  if (band > half_) {
    std::vector<double> wider(2 * static_cast<size_t>(band) + 1, 0.0);
    for (int32_t d = -half_; d <= half_; ++d) wider[static_cast<size_t>(d + band)] = (*this)[d];
    entries_.swap(wider);
    half_ = band;
  }
  // The weight of -d is that of d to the last bit ((-d * r) * -d rounds as
  // (d * r) * d), so each exponential serves both sides.
  const double rate = GaussRate(sigma);
  for (int32_t d = 0; d <= band; ++d) {
    const double weight = GaussWeight(rate, d);
    entries_[static_cast<size_t>(half_ + d)] = weight;
    entries_[static_cast<size_t>(half_ - d)] = weight;
  }
}

}  // namespace kal
