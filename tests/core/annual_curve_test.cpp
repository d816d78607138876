#include "core/annual_curve.h"

#include <gtest/gtest.h>

#include "core/numbers.h"
#include "data/curves.h"

namespace kal {
namespace {

TEST(AnnualCurve, NodesGiveUnroundedAgeAndSigmaPerYear) {
  // cal BP 0 (age 100, sigma 10), 20 (age 101, sigma 12), 23 (age 110, sigma 11).
  const auto nodes = ParseCurveText("0,100,10\n20,101,12\n23,110,11\n").value();
  const AnnualScaledList list = AnnualScaledValues(nodes, -50000, 1950);
  EXPECT_EQ(list.start_year, 1927);
  ASSERT_EQ(list.ages.size(), 24u);
  // Spacing 20: exact at two decimals. cal BP 1 is year 1949, the 23rd line.
  EXPECT_EQ(list.ages[22], 100'050'000);
  EXPECT_EQ(list.sigmas[22], 10'100'000);
  // Spacing 3 does not end as a decimal: 101 + 9/3 x 1 is exact, the sigma
  // 12 - 1/3 is rounded to the millionth.
  EXPECT_EQ(list.ages[2], 104'000'000);   // cal BP 21
  EXPECT_EQ(list.sigmas[2], 11'666'667);  // cal BP 21
  EXPECT_EQ(list.sigmas[1], 11'333'333);  // cal BP 22

  const AnnualCurve curve = AnnualCurveFromNodes(nodes).value();
  EXPECT_EQ(curve.FirstYear(), 1927);
  EXPECT_EQ(curve.LastYear(), 1950);
  EXPECT_EQ(curve.Age(1949), 100.05);
  EXPECT_EQ(curve.SigmaOf(1949), 10.1);
  EXPECT_EQ(curve.SigmaOf(1929), 11.666667);
}

TEST(AnnualCurve, ListLinesReadBackToTheSameValues) {
  const struct {
    int64_t scaled;
    const char* text;
  } cases[] = {
      {2'512'350'000, "2512.35"}, {-3'000'000, "-3"},          {1, "0.000001"}, {0, "0"},
      {-500'000, "-0.5"},         {48'669'500'000, "48669.5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScaledDecimalText(c.scaled), c.text);
    EXPECT_EQ(ParseScaledDecimal(c.text), c.scaled) << c.text;
  }
  EXPECT_EQ(AnnualCurveLine(2'512'350'000, 16'400'000), "2512.35,16.4");

  // The list of a .14c text loads to the very doubles the text itself gives.
  const auto nodes = ParseCurveText("0,100,10\n20,101,12\n23,110,11\n").value();
  const AnnualScaledList list = AnnualScaledValues(nodes, -50000, 1950);
  std::string text;
  for (size_t i = 0; i < list.ages.size(); ++i) {
    text += AnnualCurveLine(list.ages[i], list.sigmas[i]) + "\r\n";
  }
  const AnnualCurve from_list = LoadAnnualCurve(text, list.start_year).value();
  const AnnualCurve from_nodes = AnnualCurveFromNodes(nodes).value();
  for (int32_t y = from_nodes.FirstYear(); y <= from_nodes.LastYear(); ++y) {
    EXPECT_EQ(from_list.Age(y), from_nodes.Age(y)) << y;
    EXPECT_EQ(from_list.SigmaOf(y), from_nodes.SigmaOf(y)) << y;
  }
}

TEST(AnnualCurve, BadListsAreRefusedNamingTheLine) {
  const struct {
    const char* list;
    const char* message_start;
  } cases[] = {
      {"100,10\n101\n", "line 2:"},
      {"100,10\n101,x\n", "line 2:"},
      {"100,10\n\n102,10\n", "line 2:"},
      {"+100,10\n101,10\n", "line 1:"},
      {"100,10\n101,1.1234567\n", "line 2:"},
      {"100,10\n101,-1\n", "the sigma of year 1"},
      {"100,10\n", "the curve covers fewer than two years"},
  };
  for (const auto& c : cases) {
    const auto curve = LoadAnnualCurve(c.list, 0);
    ASSERT_FALSE(curve.ok()) << c.list;
    EXPECT_EQ(curve.error().rfind(c.message_start, 0), 0u) << curve.error();
  }
  EXPECT_FALSE(LoadAnnualCurve("100,10\n101,10\n", 1950).ok());  // past kYoungestYear
}

TEST(AnnualCurve, ReachCoversTheYearsNearTheAge) {
  // A straight line age = 1950 - year with sigma 5 over years 1000..1950.
  const auto nodes = ParseCurveText("0,0,5\n950,950,5\n").value();
  const AnnualCurve curve = AnnualCurveFromNodes(nodes).value();
  int32_t first = 0, last = 0;
  // 500 +- 10: combined sigma sqrt(125), reach 8 x 11.18 = 89.4 radiocarbon
  // years, ages 411..589.
  ASSERT_TRUE(curve.ReachOf(500, 10, &first, &last));
  EXPECT_EQ(first, 1361);
  EXPECT_EQ(last, 1539);
  // Beyond the old end only the end's own reach is left, then nothing.
  ASSERT_TRUE(curve.ReachOf(1000, 10, &first, &last));
  EXPECT_EQ(first, 1000);
  EXPECT_EQ(last, 1039);
  EXPECT_FALSE(curve.ReachOf(1050, 10, &first, &last));
  EXPECT_FALSE(curve.ReachOf(-200, 10, &first, &last));
}

TEST(AnnualCurve, EmbeddedIntCal20CarriesThePublishedSigma) {
  const auto loaded = ResolveAnnualCurve("intcal20");
  ASSERT_TRUE(loaded.ok()) << loaded.error();
  EXPECT_EQ(loaded->name, "IntCal20");
  EXPECT_TRUE(loaded->is_default);
  const AnnualCurve& curve = loaded->curve;
  EXPECT_EQ(curve.FirstYear(), -50000);
  EXPECT_EQ(curve.LastYear(), 1950);
  const struct {
    int32_t year;
    double age, sigma;
  } cases[] = {
      {1950, 199, 11},           // cal BP 0, the youngest node
      {-28040, 25641.5, 91},     // cal BP 29990, halfway between two nodes
      {-50000, 48669.5, 495.5},  // cal BP 51950, halfway between two nodes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(curve.Age(c.year), c.age) << c.year;
    EXPECT_EQ(curve.SigmaOf(c.year), c.sigma) << c.year;
  }
  for (const EmbeddedCurve& embedded : EmbeddedCurves()) {
    const auto other = ResolveAnnualCurve(embedded.key);
    ASSERT_TRUE(other.ok()) << embedded.key;
    EXPECT_EQ(other->curve.FirstYear(), -50000);
    EXPECT_EQ(other->curve.LastYear(), 1950);
  }
  EXPECT_FALSE(ResolveAnnualCurve("intcal13").ok());
}

// Both lists of a curve come from the same nodes: every whole age is the
// unrounded one rounded, halves to even.
TEST(AnnualCurve, EmbeddedListsAgreeWithTheWholeAges) {
  for (const EmbeddedCurve& embedded : EmbeddedCurves()) {
    const AnnualCurve annual = ResolveAnnualCurve(embedded.key).value().curve;
    const CurveTable whole = ResolveCurve(embedded.key).value().table;
    int mismatches = 0;
    for (int32_t y = annual.FirstYear(); y <= annual.LastYear(); ++y) {
      if (RoundHalfEven(annual.Age(y)) != whole[y]) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0) << embedded.key;
  }
}

}  // namespace
}  // namespace kal
