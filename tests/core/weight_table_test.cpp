#include "core/weight_table.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kal {
namespace {

TEST(WeightTable, ErrorFiftyGivesTheKnownWeights) {
  WeightTable table;
  table.Build(55);
  EXPECT_EQ(table[0], 0.9);
  EXPECT_NEAR(table[55], 0.5458776, 5e-8);
  EXPECT_NEAR(table[220], 0.000302, 5e-7);
  EXPECT_EQ(table[221], 0.0);  // beyond the band of a fresh table
  for (int d = 1; d <= 220; ++d) ASSERT_EQ(table[d], table[-d]) << d;
}

TEST(WeightTable, EntriesAreTheExtendedPrecisionFormula) {
  WeightTable table;
  table.Build(15);
  const double r = static_cast<double>(-0.5L / 15 / 15);
  for (int d = -60; d <= 60; ++d) {
    const long double x = (static_cast<long double>(d) * r) * d;
    ASSERT_EQ(table[d], static_cast<double>(std::exp(x) * 0.9L)) << d;
  }
  EXPECT_EQ(table[61], 0.0);
  EXPECT_EQ(table[-61], 0.0);
}

TEST(WeightTable, ANarrowerBuildKeepsTheWiderEntries) {
  WeightTable table;
  table.Build(750);  // the whole -3000..3000
  const double old_entry = table[2000];
  EXPECT_GT(table[3000], 0.0);
  table.Build(100);
  EXPECT_EQ(table[2000], old_entry);
  EXPECT_EQ(table[400], GaussWeight(GaussRate(100), 400));
}

TEST(WeightTable, GrowsForWideErrorsAndNeverReadsOutside) {
  WeightTable table;
  table.Build(kMaxSigma);
  EXPECT_EQ(table[4 * kMaxSigma], table[-4 * kMaxSigma]);
  EXPECT_NEAR(table[4 * kMaxSigma], 0.9 * std::exp(-8.0), 1e-12);
  EXPECT_EQ(table[4 * kMaxSigma + 1], 0.0);
  EXPECT_EQ(table[int64_t{1} << 40], 0.0);
  EXPECT_EQ(table[-(int64_t{1} << 40)], 0.0);
}

// Both halves come from one exponential each; every entry, negative
// differences included, must still be the formula's own value.
TEST(WeightTable, BandOnlyHoldsJustTheBandWithTheFormulasEntries) {
  for (int32_t sigma : {1, 15, 55, 751, 2005}) {
    WeightTable band = WeightTable::BandOnly();
    band.Build(sigma);
    EXPECT_EQ(band.Bytes(), (8 * static_cast<size_t>(sigma) + 1) * sizeof(double));
    const double rate = GaussRate(sigma);
    for (int32_t d = -4 * sigma; d <= 4 * sigma; ++d) {
      ASSERT_EQ(band[d], GaussWeight(rate, d)) << sigma << " " << d;
    }
    EXPECT_EQ(band[4 * sigma + 1], 0.0);
    EXPECT_EQ(band[-4 * sigma - 1], 0.0);
  }
}

}  // namespace
}  // namespace kal
