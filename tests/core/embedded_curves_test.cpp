#include <gtest/gtest.h>

#include "core/calibration.h"
#include "data/curves.h"

namespace kal {
namespace {

TEST(EmbeddedCurves, IntCal20MatchesThePublishedAges) {
  const LoadedCurve curve = DefaultCurve();
  EXPECT_EQ(curve.name, "IntCal20");
  EXPECT_TRUE(curve.is_default);
  const struct {
    int32_t year, age;
  } cases[] = {
      {0, 2033},        // cal BP 1950, a node
      {1950, 199},      // cal BP 0, the youngest node
      {1944, 185},      // cal BP 6, the youngest year the window search reads
      {-18050, 16566},  // cal BP 20000, a node
      {-28040, 25642},  // cal BP 29990, between 25619 and 25664: 25641.5 to even
      {-27960, 25480},  // cal BP 29910, between 25464 and 25497: 25480.5 to even
      {-50000, 48670},  // cal BP 51950, between 48658 and 48681: 48669.5 to even
  };
  for (const auto& c : cases) EXPECT_EQ(curve.table[c.year], c.age) << c.year;
  EXPECT_EQ(curve.table.LastYear(), 1950);
}

TEST(EmbeddedCurves, AllLoadAndReachBothEnds) {
  for (const EmbeddedCurve& embedded : EmbeddedCurves()) {
    const auto curve = ResolveCurve(embedded.key);
    ASSERT_TRUE(curve.ok()) << curve.error();
    EXPECT_EQ(curve->name, embedded.name);
    EXPECT_EQ(curve->table.LastYear(), 1950);
    EXPECT_GT(curve->table[-50000], 40000);
  }
  EXPECT_TRUE(ResolveCurve("SHCal20").ok());
  EXPECT_FALSE(ResolveCurve("intcal13").ok());
}

// Calculations on IntCal20 followed against the curve's values: 2500 BP lies
// on the Hallstatt plateau, whose ages 2400-2550 span roughly 800-400 BC.
TEST(EmbeddedCurves, IntCal20Calculations) {
  const LoadedCurve curve = DefaultCurve();
  const struct {
    int32_t age, error;
    const char* text;
  } cases[] = {
      {2500, 50, "779BC - 427BC"},
      {2501, 50, "780BC - 428BC"},
  };
  for (const auto& c : cases) {
    CalibrationState state;
    state.CalCurve = &curve.table;
    state.SampleAge = c.age;
    state.Sigma = c.error + 5;
    EXPECT_EQ(Calibrate(state).text, c.text) << c.age;
  }
  // A young age beyond the curve: 10 BP lies below every age up to 1943.
  CalibrationState young;
  young.CalCurve = &curve.table;
  young.SampleAge = 10;
  young.Sigma = 15;
  EXPECT_EQ(Calibrate(young).text, "0AD - 0AD");
  EXPECT_EQ(young.RangeFirst, 1943);
  EXPECT_EQ(young.RangeLast, 1944);
}

}  // namespace
}  // namespace kal
