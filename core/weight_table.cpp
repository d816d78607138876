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
  const double rate = GaussRate(sigma);
  for (int32_t d = -band; d <= band; ++d) {
    entries_[static_cast<size_t>(d + half_)] = GaussWeight(rate, d);
  }
}

}  // namespace kal
