#include "core/window_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/weight_table.h"

namespace kal {
namespace {

// The fast sums and cuts against their step-by-step definitions, on windows
// made to reach the awkward cases: running sums crossing powers of two again
// and again, weights far below the sum's ulp (where the 64-bit grid decides),
// dyadic weights that fall exactly on a rounding tie, and real weight tables.
TEST(WindowSumAndCuts, EqualsTheStepByStepDefinition) {
  std::mt19937_64 random(5);
  auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  for (int trial = 0; trial < 4000; ++trial) {
    const int32_t sigma = 1 + static_cast<int32_t>(random() % 1500);
    const int32_t band = 4 * sigma;
    std::vector<double> table(2 * static_cast<size_t>(band) + 1);
    const int family = trial % 4;
    if (family == 3) {
      WeightTable real = WeightTable::BandOnly();
      real.Build(sigma);
      for (int32_t d = -band; d <= band; ++d) table[static_cast<size_t>(d + band)] = real[d];
    } else {
      for (double& w : table) {
        if (family == 0) {
          w = uniform(0.0, 0.9);
        } else if (family == 1) {  // multiples of powers of two: ties are common
          w = std::ldexp(static_cast<double>(random() % (1 << 20)),
                         -20 - static_cast<int>(random() % 30));
        } else {  // large and tiny weights mixed
          w = random() % 2 ? uniform(0.3, 0.9)
                           : std::ldexp(uniform(1.0, 2.0), -10 - static_cast<int>(random() % 40));
        }
      }
    }
    const int32_t length = 2 + static_cast<int32_t>(random() % (trial % 10 == 0 ? 30000 : 1500));
    const int32_t age = 20000;
    std::vector<int32_t> ages(static_cast<size_t>(length));
    for (int32_t& a : ages) a = age - band - 3 + static_cast<int32_t>(random() % (2 * band + 7));
    const WindowWeights window{ages.data(), length, table.data() + band, band, age};

    const WindowTotals fast = WindowSumAndCuts(window, -1000);
    const double sum = WindowSumExtended(window);
    const CutYears cuts = WindowCutsExtended(window, -1000, sum);
    ASSERT_EQ(fast.sum, sum) << "trial " << trial;
    ASSERT_EQ(fast.cuts.lower, cuts.lower) << "trial " << trial;
    ASSERT_EQ(fast.cuts.upper, cuts.upper) << "trial " << trial;
  }
}

}  // namespace
}  // namespace kal
