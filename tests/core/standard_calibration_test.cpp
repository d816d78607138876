#include "core/standard_calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "core/exp_pair.h"
#include "data/curves.h"

namespace kal {
namespace {

AnnualCurve CurveOf(const char* nodes) {
  return AnnualCurveFromNodes(ParseCurveText(nodes).value()).value();
}

// A straight line age = cal BP = 1950 - year with a constant sigma of 30 over
// the whole span: the likelihood in calendar years is then a Gaussian centred
// on 1950 - age with sigma sqrt(error^2 + 30^2).
AnnualCurve StraightLine() { return CurveOf("0,0,30\n51950,51950,30\n"); }

TEST(CalibrateStandard, StraightLineGivesTheGaussianInCalendarYears) {
  const AnnualCurve line = StraightLine();
  const struct { double age, error; } cases[] = {{2500, 40}, {1000, 10}, {30000, 300}};
  for (const auto& c : cases) {
    StandardResult result;
    CalibrateStandard(line, {c.age, c.error}, result);
    ASSERT_TRUE(result.found);
    const double s = std::sqrt(c.error * c.error + 30 * 30);
    const auto centre = static_cast<int32_t>(1950 - c.age);
    // Each year's share against the Gaussian's, normalised the same way.
    long double total = 0;
    for (int32_t y = line.FirstYear(); y <= line.LastYear(); ++y) {
      total += std::exp(-0.5L * (y - centre) * (y - centre) / (s * s));
    }
    for (int32_t k : {0, 1, 7, static_cast<int32_t>(s), static_cast<int32_t>(3 * s)}) {
      const auto expected = static_cast<double>(std::exp(-0.5L * k * k / (s * s)) / total);
      const size_t i = static_cast<size_t>(centre + k - result.first_year);
      EXPECT_NEAR(result.probability[i], expected, expected * 1e-12) << c.age << " " << k;
    }
    // Symmetric about the centre: the median is the centre and each range one
    // interval of about 1 and 2 sigma each side. Of the two equal years at an
    // end the older comes first, so the older side may reach one year further.
    EXPECT_EQ(result.median, centre) << c.age;
    ASSERT_EQ(result.hpd68.size(), 1u);
    ASSERT_EQ(result.hpd95.size(), 1u);
    for (const HpdInterval& range : {result.hpd68[0], result.hpd95[0]}) {
      const int32_t older_side = centre - range.from, younger_side = range.to - centre;
      EXPECT_TRUE(older_side == younger_side || older_side == younger_side + 1) << c.age;
    }
    // The levels are 1.0006 and 1.9954 sigma each side of a Gaussian's centre.
    EXPECT_NEAR(result.hpd68[0].to - centre, 1.0006 * s, 1.0) << c.age;
    EXPECT_NEAR(result.hpd95[0].to - centre, 1.9954 * s, 1.0) << c.age;
    EXPECT_GE(result.hpd68[0].probability, kLevel68);
    EXPECT_LT(result.hpd68[0].probability, kLevel68 + 0.01);
    EXPECT_GE(result.hpd95[0].probability, kLevel95);
    EXPECT_LT(result.hpd95[0].probability, kLevel95 + 0.01);
  }
}

// The curve climbs 1 radiocarbon year per calendar year from cal BP 0 to 1000
// and falls 2 per year from 1000 to 1500, then stays at 0: age 500 meets it
// at cal BP 500 (year 1450) and 1250 (year 700). The peaks are equally high
// and the steeper crossing is half as wide, so it holds a third.
TEST(CalibrateStandard, TwoSeparatedPeaksGiveTwoIntervalsWithTheirShares) {
  const AnnualCurve curve = CurveOf("0,0,0\n1000,1000,0\n1500,0,0\n3000,0,0\n");
  StandardResult result;
  CalibrateStandard(curve, {500, 20}, result);
  ASSERT_TRUE(result.found);
  for (const auto* hpd : {&result.hpd68, &result.hpd95}) {
    ASSERT_EQ(hpd->size(), 2u);
    const HpdInterval& old_peak = (*hpd)[0];
    const HpdInterval& young_peak = (*hpd)[1];
    EXPECT_NEAR(700 - old_peak.from, old_peak.to - 700, 1);
    EXPECT_NEAR(1450 - young_peak.from, young_peak.to - 1450, 1);
    const double level = hpd == &result.hpd68 ? kLevel68 : kLevel95;
    EXPECT_NEAR(old_peak.probability, level / 3, 0.01);
    EXPECT_NEAR(young_peak.probability, 2 * level / 3, 0.01);
  }
  EXPECT_NEAR(result.hpd95[0].to - 700, 20, 1.0);   // two sigma of 10 years
  EXPECT_NEAR(result.hpd95[1].to - 1450, 40, 1.0);  // two sigma of 20 years
  // Half the probability is reached a quarter of the way into the young peak:
  // 0.674 sigma before its centre.
  EXPECT_NEAR(result.median, 1450 - 0.674 * 20, 1.0);
}

TEST(CalibrateStandard, ReservoirOffsetShiftsTheAgeAndWidensTheError) {
  const struct {
    double age, error, r, e, age_used, error_used;
  } cases[] = {
      {2500, 40, 100, 30, 2400, 50},
      {2500, 40, -150, 30, 2650, 50},
      {2500, 40, 0, 0, 2500, 40},
  };
  const AnnualCurve line = StraightLine();
  for (const auto& c : cases) {
    const StandardInputs corrected = ReservoirCorrected(c.age, c.error, c.r, c.e);
    EXPECT_EQ(corrected.age, c.age_used);
    EXPECT_DOUBLE_EQ(corrected.error, c.error_used);
    StandardResult with_offset, plain;
    CalibrateStandard(line, corrected, with_offset);
    CalibrateStandard(line, {c.age_used, c.error_used}, plain);
    EXPECT_EQ(with_offset.median, plain.median);
    EXPECT_EQ(with_offset.median, 1950 - c.age_used);
    ASSERT_EQ(with_offset.hpd95.size(), 1u);
    EXPECT_EQ(with_offset.hpd95[0].from, plain.hpd95[0].from);
  }
}

TEST(CalibrateStandard, RefusedInputsAndAgesBeyondTheCurveFindNothing) {
  const AnnualCurve line = CurveOf("0,0,30\n5000,5000,30\n");
  const StandardInputs cases[] = {
      {2500, 0}, {2500, -1}, {NAN, 10}, {2500, INFINITY}, {9000, 50}, {-3000, 50},
  };
  for (const StandardInputs& inputs : cases) {
    StandardResult result;
    CalibrateStandard(line, inputs, result);
    EXPECT_FALSE(result.found) << inputs.age << " " << inputs.error;
    EXPECT_TRUE(result.hpd95.empty());
  }
  EXPECT_TRUE(StandardInputProblem({2500, 0}).has_value());
  EXPECT_FALSE(StandardInputProblem({2500, 1}).has_value());
}

TEST(ExpPair, AgreesWithTheLibraryWithinThreeUlp) {
  double worst = 0;
  for (double x = -745; x <= 0; x += 0.0123) {
    const DoublePair e = ExpPair(DoublePair{x, x / 7});
    for (int lane = 0; lane < 2; ++lane) {
      const double arg = lane == 0 ? std::max(x, -700.0) : x / 7;
      const double expected = std::exp(arg);
      worst = std::max(worst, std::fabs(e[lane] - expected) / expected);
    }
  }
  EXPECT_LT(worst, 3 * 0x1p-52);
  EXPECT_EQ(ExpPair(DoublePair{0, -1000})[0], 1.0);
  EXPECT_EQ(ExpPair(DoublePair{0, -1000})[1], std::exp(-700.0));
}

TEST(CalibrateStandard, AReusedResultKeepsItsBuffers) {
  const AnnualCurve line = StraightLine();
  StandardResult result;
  CalibrateStandard(line, {2500, 50}, result);
  const double* probability = result.probability.data();
  const HpdInterval* hpd95 = result.hpd95.data();
  const double median = result.median;
  CalibrateStandard(line, {2500, 50}, result);
  EXPECT_EQ(result.probability.data(), probability);
  EXPECT_EQ(result.hpd95.data(), hpd95);
  EXPECT_EQ(result.median, median);
}

// The range by the plain definition: years sorted by decreasing probability,
// the older first among equals, taken until the level is reached.
std::vector<HpdInterval> RangeBySorting(const std::vector<double>& p, int32_t first_year,
                                        double level) {
  std::vector<size_t> order(p.size());
  for (size_t i = 0; i < p.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return p[a] > p[b]; });
  std::vector<bool> taken(p.size());
  double sum = 0;
  for (size_t i : order) {
    if (sum >= level) break;
    taken[i] = true;
    sum += p[i];
  }
  std::vector<HpdInterval> intervals;
  for (size_t i = 0; i < p.size(); ++i) {
    if (!taken[i] || p[i] == 0) continue;
    const auto year = first_year + static_cast<int32_t>(i);
    if (intervals.empty() || intervals.back().to != year - 1) intervals.push_back({year, year, 0});
    intervals.back().to = year;
    intervals.back().probability += p[i];
  }
  return intervals;
}

TEST(HighestDensityRanges, MatchSortingAndTakeTiedYearsOldestFirst) {
  std::vector<double> scratch;
  std::vector<HpdInterval> hpd68, hpd95;
  // Four equal years straddle both levels: the three oldest reach 68.3%,
  // all four 95.4%.
  HighestDensityRanges(std::vector<double>{0.02, 0.24, 0.24, 0.24, 0.24, 0.02}, -2, scratch, hpd68,
                       hpd95);
  ASSERT_EQ(hpd68.size(), 1u);
  EXPECT_EQ(hpd68[0].from, -1);
  EXPECT_EQ(hpd68[0].to, 1);
  EXPECT_NEAR(hpd68[0].probability, 0.72, 1e-15);
  ASSERT_EQ(hpd95.size(), 1u);
  EXPECT_EQ(hpd95[0].from, -1);
  EXPECT_EQ(hpd95[0].to, 2);
  // 0.4 and the older 0.3 reach 68.3%; the younger 0.3 is left out.
  HighestDensityRanges(std::vector<double>{0.3, 0, 0.3, 0.4}, 10, scratch, hpd68, hpd95);
  ASSERT_EQ(hpd68.size(), 2u);
  EXPECT_EQ(hpd68[0].from, 10);
  EXPECT_EQ(hpd68[0].to, 10);
  EXPECT_EQ(hpd68[1].from, 13);
  EXPECT_EQ(hpd68[1].to, 13);
  ASSERT_EQ(hpd95.size(), 2u);
  EXPECT_EQ(hpd95[1].from, 12);

  // Rough, many-peaked distributions with repeated values.
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::vector<double> p(1 + random() % 3000);
    double sum = 0;
    for (double& v : p) {
      v = (random() % 4 == 0) ? 0 : static_cast<double>(random() % 50);
      sum += v;
    }
    if (sum == 0) continue;
    for (double& v : p) v /= sum;
    HighestDensityRanges(p, -100, scratch, hpd68, hpd95);
    for (const auto& [got, level] : {std::pair{&hpd68, kLevel68}, std::pair{&hpd95, kLevel95}}) {
      const auto expected = RangeBySorting(p, -100, level);
      ASSERT_EQ(got->size(), expected.size()) << round;
      for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ((*got)[i].from, expected[i].from);
        EXPECT_EQ((*got)[i].to, expected[i].to);
        EXPECT_NEAR((*got)[i].probability, expected[i].probability, 1e-12);
      }
    }
  }
}

TEST(IntervalsText, YearsAsTheWindowWritesThemWithPercents) {
  const HpdInterval intervals[] = {{-788, -464, 0.9374}, {-434, -421, 0.0166}, {-1, 0, 0.5}};
  EXPECT_EQ(IntervalsText(intervals), "788BC - 464BC 93.7%, 434BC - 421BC 1.7%, 1BC - 0AD 50.0%");
  EXPECT_EQ(IntervalsText({}), "");
}

// Year y is cal BP 1950 - y and prints as |y|BC: -788 is cal BP 2738, which the
// published figures for these dates also call 788 BC.
TEST(CalibrateStandard, IntCal20AgreesWithPublishedRanges) {
  const AnnualCurve curve = ResolveAnnualCurve("intcal20").value().curve;
  StandardResult result;
  CalibrateStandard(curve, {2500, 50}, result);
  ASSERT_TRUE(result.found);
  ASSERT_EQ(result.hpd95.size(), 2u);
  EXPECT_NEAR(result.hpd95[0].from, -788, 3);
  EXPECT_NEAR(result.hpd95[0].to, -465, 3);
  EXPECT_NEAR(result.hpd95[0].probability, 0.937, 0.001);
  EXPECT_NEAR(result.hpd95[1].from, -434, 3);
  EXPECT_NEAR(result.hpd95[1].to, -421, 3);
  EXPECT_NEAR(result.median, -630, 3);

  CalibrateStandard(curve, {20000, 100}, result);
  ASSERT_TRUE(result.found);
  ASSERT_EQ(result.hpd95.size(), 1u);
  EXPECT_NEAR(result.hpd95[0].from, -22284, 3);
  EXPECT_NEAR(result.hpd95[0].to, -21866, 3);
}

}  // namespace
}  // namespace kal
