#include "core/calibration.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "core/straight_line.h"
#include "data/curves.h"

namespace kal {
namespace {

CalibrationState StateFor(const CurveTable& curve, int32_t age, int32_t error) {
  CalibrationState state;
  state.CalCurve = &curve;
  state.SampleAge = age;
  state.Sigma = error + 5;
  return state;
}

// The worked examples on the straight line age = 1950 - year.
TEST(Calibrate, StraightLineExamples) {
  const CurveTable line = testing::StraightLineCurve();
  const struct {
    int32_t age, error, first, last, centre;
    double sum;  // 0: not checked
    const char* text;
  } cases[] = {
      {2500, 50, -771, -329, -600, 124.0705, "660BC - 440BC"},
      {1980, 10, -91, 31, 0, 0, "60BC - 0AD"},
      {1920, 10, -31, 91, 0, 0, "0AD - 60AD"},
      {1000, 100, 529, 1371, 1000, 0, "741AD - 1159AD"},
  };
  for (const auto& c : cases) {
    CalibrationState state = StateFor(line, c.age, c.error);
    const CalibrationResult result = Calibrate(state);
    EXPECT_EQ(state.RangeFirst, c.first) << c.age;
    EXPECT_EQ(state.RangeLast, c.last) << c.age;
    EXPECT_EQ(CentreYear(state.RangeFirst, state.RangeLast), c.centre) << c.age;
    if (c.sum != 0) {
      EXPECT_NEAR(result.sum, c.sum, 5e-5);
    }
    EXPECT_EQ(result.text, c.text) << c.age;
  }
}

TEST(Calibrate, NoWeightGivesZeroYearsAndTheFloor) {
  const CurveTable line = testing::StraightLineCurve();
  CalibrationState state = StateFor(line, 60000, 10);  // older than the line reaches
  const CalibrationResult result = Calibrate(state);
  EXPECT_EQ(state.RangeFirst, -45000);
  EXPECT_EQ(state.RangeLast, -44999);
  EXPECT_EQ(result.sum, 1.0);
  EXPECT_EQ(result.text, "0AD - 0AD");
}

TEST(Calibrate, UpperCutCanBeTheWindowsLastYear) {
  const CurveTable line = testing::StraightLineCurve();
  CalibrationState state = StateFor(line, 10, 10);  // band reaches past the search span
  const CalibrationResult result = Calibrate(state);
  EXPECT_EQ(state.RangeFirst, 1879);
  EXPECT_EQ(state.RangeLast, 1944);
  EXPECT_EQ(result.upper, 1944);
  EXPECT_EQ(result.text, "1907AD - 1944AD");
}

TEST(FindRange, ACurveAgeEqualToHighOrLowCounts) {
  // A flat curve with one step: ages 3000 until -1000, then 2000.
  std::vector<int32_t> values;
  for (int32_t y = -50000; y <= 1950; ++y) values.push_back(y < -1000 ? 3000 : 2000);
  const auto curve = LoadCurveValues(values, -50000).value();
  CalibrationState state = StateFor(curve, 2500, 120);  // sigma 125, band 2000..3000
  FindRange(state);
  EXPECT_EQ(state.RangeFirst, -45000);  // -44999 already has 3000 == high
  EXPECT_EQ(state.RangeLast, 1944);     // 1943 has 2000 == low
  state.SampleAge = 2501;               // high 3001, low 2001: only the old part
  FindRange(state);
  EXPECT_EQ(state.RangeFirst, -45000);
  EXPECT_EQ(state.RangeLast, -1000);
}

TEST(FindRange, TablesAndBisectionMatchTheScans) {
  std::mt19937 random(12345);
  std::vector<int32_t> wiggly;
  int32_t age = 52000;
  for (int32_t y = -50000; y <= 1950; ++y) {
    age += static_cast<int32_t>(random() % 9) - 5;  // falls with wiggles and plateaus
    wiggly.push_back(age);
  }
  // Ages spread over tens of millions of years: too wide for answer tables,
  // so this curve is searched by bisection.
  std::vector<int32_t> wide = wiggly;
  for (int32_t& value : wide) value *= 400;
  const struct {
    CurveTable curve;
    int32_t scale;  // of the ages drawn
  } curves[] = {{LoadCurveValues(wiggly, -50000).value(), 1},
                {DefaultCurve().table, 1},
                {testing::StraightLineCurve(), 1},
                {LoadCurveValues(wide, -50000).value(), 400}};
  std::uniform_int_distribution<int32_t> ages(1, 60000);
  std::uniform_int_distribution<int32_t> errors(-4, 3000);
  for (const auto& [curve, scale] : curves) {
    for (int i = 0; i < 4000; ++i) {
      CalibrationState fast = StateFor(curve, ages(random) * scale, errors(random));
      if (i % 10 == 0) fast.SampleAge = static_cast<int32_t>(random() % 100) + 1;
      CalibrationState scan = fast;
      FindRange(fast);
      FindRangeByScan(scan);
      ASSERT_EQ(fast.RangeFirst, scan.RangeFirst) << fast.SampleAge << " " << fast.Sigma;
      ASSERT_EQ(fast.RangeLast, scan.RangeLast) << fast.SampleAge << " " << fast.Sigma;
    }
  }
}

TEST(CentreYear, RoundsTwiceHalvesToEven) {
  const struct {
    int32_t first, last, centre;
  } cases[] = {{-340, 167, -100}, {-339, 168, -100}, {1943, 1944, 1900}, {50, 51, 0},
               {150, 150, 200},   {250, 250, 200},   {-150, -150, -200}, {50, 50, 0},
               {-50, -50, 0},     {149, 149, 100},   {-771, -329, -600}, {529, 1371, 1000}};
  for (const auto& c : cases) EXPECT_EQ(CentreYear(c.first, c.last), c.centre) << c.first;
}

TEST(YearText, DigitsAndEra) {
  EXPECT_EQ(YearText(-234), "234BC");
  EXPECT_EQ(YearText(130), "130AD");
  EXPECT_EQ(YearText(0), "0AD");
  EXPECT_EQ(YearText(-44981), "44981BC");
}

TEST(InputProblem, RefusesWhatCannotBeCalculated) {
  EXPECT_EQ(InputProblem(2500, 55), std::nullopt);
  EXPECT_EQ(InputProblem(1, 1), std::nullopt);  // error -4
  EXPECT_EQ(InputProblem(2500, kMaxSigma), std::nullopt);
  EXPECT_NE(InputProblem(0, 55), std::nullopt);
  EXPECT_NE(InputProblem(-100, 55), std::nullopt);
  EXPECT_NE(InputProblem(2500, 0), std::nullopt);
  EXPECT_NE(InputProblem(2500, kMaxSigma + 1), std::nullopt);
  EXPECT_EQ(InputProblem(std::numeric_limits<int32_t>::max() - 220, 55), std::nullopt);
  EXPECT_NE(InputProblem(std::numeric_limits<int32_t>::max() - 219, 55), std::nullopt);
  EXPECT_EQ(SigmaOf(std::numeric_limits<int32_t>::max()), std::nullopt);
  EXPECT_EQ(SigmaOf(-5), 0);
}

TEST(Calibrate, ExtremeInputsStayInsideTheTables) {
  const LoadedCurve curve = DefaultCurve();
  const int32_t max = std::numeric_limits<int32_t>::max();
  const struct {
    int32_t age, sigma;
  } cases[] = {{max - 4 * kMaxSigma, kMaxSigma}, {1, kMaxSigma}, {1, 1}, {max - 4, 1}, {45000, 1}};
  for (const auto& c : cases) {
    CalibrationState state;
    state.CalCurve = &curve.table;
    state.SampleAge = c.age;
    state.Sigma = c.sigma;
    ASSERT_EQ(InputProblem(c.age, c.sigma), std::nullopt);
    const CalibrationResult result = Calibrate(state);
    EXPECT_GE(state.RangeLast, state.RangeFirst + 1);
    EXPECT_FALSE(result.text.empty());
  }
}

TEST(WeightOf, ZeroWithoutACurveValueAndOutsideTheBand) {
  std::vector<int32_t> values(1945 + 50000, 100);  // -50000..1944
  const auto curve = LoadCurveValues(values, -50000).value();
  CalibrationState state = StateFor(curve, 100, 10);
  Calibrate(state);
  EXPECT_EQ(WeightOf(state, 1944), 0.9);
  EXPECT_EQ(WeightOf(state, 1945), 0.0);
  EXPECT_EQ(WeightOf(state, 2288), 0.0);
  EXPECT_EQ(WeightOf(state, -60000), 0.0);
  state.SampleAge = 161;  // |d| = 61 > 4 * 15
  EXPECT_EQ(WeightOf(state, 0), 0.0);
  state.SampleAge = 160;
  EXPECT_GT(WeightOf(state, 0), 0.0);
}

TEST(WeightOf, StaleTableIsNeverReadOutsideIt) {
  // An error change without a calculation leaves the old table with a new
  // Sigma; the export may still ask for weights then.
  const CurveTable line = testing::StraightLineCurve();
  CalibrationState state = StateFor(line, 2500, 10);
  Calibrate(state);
  state.Sigma = kMaxSigma;
  state.GaussReady = false;
  for (int32_t y = -10000; y <= 1950; y += 7) {
    const double w = WeightOf(state, y);
    ASSERT_GE(w, 0.0);
    ASSERT_LE(w, 0.9);
  }
  EXPECT_EQ(NormalisingSum(state), Calibrate(state).sum);
}

}  // namespace
}  // namespace kal

namespace kal {
namespace {

// The fast sums and cut points against the definition carried out step by
// step in extended precision, over many ages and errors on every curve.
TEST(Calibrate, MatchesTheExtendedPrecisionReferenceToTheLastBit) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int32_t> ages(1, 50000);
  std::uniform_int_distribution<int32_t> errors(-4, 2000);
  for (const EmbeddedCurve& embedded : EmbeddedCurves()) {
    const LoadedCurve curve = ResolveCurve(embedded.key).value();
    for (int i = 0; i < 800; ++i) {
      CalibrationState fast = StateFor(curve.table, ages(random), errors(random) / (i % 3 + 1));
      CalibrationState reference = fast;
      const CalibrationResult a = Calibrate(fast);
      const CalibrationResult b = CalibrateReference(reference);
      ASSERT_EQ(a.sum, b.sum) << fast.SampleAge << " " << fast.Sigma;
      ASSERT_EQ(a.lower, b.lower) << fast.SampleAge << " " << fast.Sigma;
      ASSERT_EQ(a.upper, b.upper) << fast.SampleAge << " " << fast.Sigma;
      ASSERT_EQ(a.text, b.text);
    }
  }
}

}  // namespace
}  // namespace kal

namespace kal {
namespace {

// The calculation without shared state, with one band-sized table per width
// as a date list keeps them, gives what Calibrate gives.
TEST(CalibrateWith, EqualsCalibrate) {
  std::mt19937 random(99);
  std::uniform_int_distribution<int32_t> ages(1, 50000);
  std::uniform_int_distribution<int32_t> errors(-4, 2000);
  for (const EmbeddedCurve& embedded : EmbeddedCurves()) {
    const LoadedCurve curve = ResolveCurve(embedded.key).value();
    for (int i = 0; i < 500; ++i) {
      CalibrationState state = StateFor(curve.table, ages(random), errors(random) / (i % 3 + 1));
      WeightTable table = WeightTable::BandOnly();
      table.Build(state.Sigma);
      const WindowCalibration alone =
          CalibrateWith(curve.table, table, state.SampleAge, state.Sigma);
      const CalibrationResult shared = Calibrate(state);
      ASSERT_EQ(alone.window.first, state.RangeFirst) << state.SampleAge << " " << state.Sigma;
      ASSERT_EQ(alone.window.last, state.RangeLast) << state.SampleAge << " " << state.Sigma;
      ASSERT_EQ(alone.result.sum, shared.sum) << state.SampleAge << " " << state.Sigma;
      ASSERT_EQ(alone.result.lower, shared.lower);
      ASSERT_EQ(alone.result.upper, shared.upper);
      ASSERT_EQ(alone.result.text, shared.text);
    }
  }
}

}  // namespace
}  // namespace kal
