#include "core/window_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
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

    const double sum = WindowSumExtended(window);
    const CutYears cuts = WindowCutsExtended(window, -1000, sum);
    for (const SumLanes lanes : {SumLanes::kWidest, SumLanes::kTwo}) {
      const WindowTotals fast = WindowSumAndCuts(window, -1000, lanes);
      ASSERT_EQ(fast.sum, sum) << "trial " << trial;
      ASSERT_EQ(fast.cuts.lower, cuts.lower) << "trial " << trial;
      ASSERT_EQ(fast.cuts.upper, cuts.upper) << "trial " << trial;
    }
  }
}

// A window whose years carry the given weights in order: year i lies i years
// above the sample's age, inside a band just wide enough.
struct ListedWindow {
  explicit ListedWindow(std::vector<double> weights) {
    const auto n = static_cast<int32_t>(weights.size());
    table.assign(2 * weights.size() + 1, 0.0);
    for (int32_t i = 0; i < n; ++i) {
      table[static_cast<size_t>(n + i)] = weights[static_cast<size_t>(i)];
      ages.push_back(kAge + i);
    }
    window = WindowWeights{ages.data(), n, table.data() + n, n, kAge};
  }
  static constexpr int32_t kAge = 5000;
  std::vector<double> table;
  std::vector<int32_t> ages;
  WindowWeights window{};
};

std::vector<double> Repeated(std::initializer_list<double> start, double weight, size_t count) {
  std::vector<double> list(start);
  list.insert(list.end(), count, weight);
  return list;
}

// Windows made by hand for the steps where adding in whole ulps must hand
// over to the extended addition, with the sum each must give.
TEST(WindowSumAndCuts, HandMadeWindowsGiveTheExtendedSum) {
  struct Case {
    const char* what;
    std::vector<double> weights;
  };
  const double half_ulp_of_one = 0x1p-53;
  const std::vector<Case> cases = {
      {"two years", {0.25, 0.5}},
      {"one year", {0.7}},
      {"no weight at all: the floor", {0.0, 0.0, 0.0}},
      {"tiny weights: the floor", Repeated({}, 1e-7, 50)},
      {"just above the floor", Repeated({}, 0.00001 / 40, 41)},
      // 1 + 2^-53 is a tie that stays at 1; 1 + 2^-52 + 2^-53 one that goes
      // up; 2^-53 + 2^-70 rounds to the tie on the 64-bit grid, where a plain
      // double addition would round up.
      {"ties to even, down and up", {1.0, half_ulp_of_one, 0x1p-52, half_ulp_of_one}},
      {"a tie made by the 64-bit grid", Repeated({1.0}, half_ulp_of_one + 0x1p-70, 40)},
      {"just below the 64-bit tie", Repeated({1.0}, half_ulp_of_one - 0x1p-65, 40)},
      {"weights far below the sum's ulp", Repeated({0.9}, 0x1p-60, 100)},
      {"a sum that runs into a power of two", Repeated({1.0 - 0x1p-52}, 0x1p-53, 9)},
      {"the largest weight for 47,000 years", Repeated({}, 0.9, 47000)},
      {"large steps from a tiny start", {0x1p-40, 0.9, 0x1p-30, 0.5, 0.9, 0.9, 0.9, 0x1p-50}},
  };
  for (const Case& c : cases) {
    const ListedWindow listed(c.weights);
    const double sum = WindowSumExtended(listed.window);
    const CutYears cuts = WindowCutsExtended(listed.window, -10, sum);
    for (const SumLanes lanes : {SumLanes::kWidest, SumLanes::kTwo}) {
      const WindowTotals fast = WindowSumAndCuts(listed.window, -10, lanes);
      EXPECT_EQ(fast.sum, sum) << c.what;
      EXPECT_EQ(fast.cuts.lower, cuts.lower) << c.what;
      EXPECT_EQ(fast.cuts.upper, cuts.upper) << c.what;
    }
  }
}

// The hand-made ties really are ties: the extended sum differs from the
// plain double one there, so a loop that ignored them would be caught.
TEST(WindowSumAndCuts, TheHandMadeTiesDifferFromPlainDoubleSums) {
  const ListedWindow listed(Repeated({1.0}, 0x1p-53 + 0x1p-70, 40));
  double plain = 0.0;
  for (const double w : listed.table) plain += w;
  EXPECT_EQ(WindowSumExtended(listed.window), 1.0);
  EXPECT_GT(plain, 1.0);
}

}  // namespace
}  // namespace kal
