#include "core/cal_curve.h"

#include <gtest/gtest.h>

#include <string>

namespace kal {
namespace {

// Lists of n lines counting down from `start`, like a curve's ages.
std::string Countdown(int start, int n, const char* eol = "\n") {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::to_string(start - i) + eol;
  return text;
}

TEST(LoadCurve, RunsOnFromListToListAndExtendsTheOldYears) {
  // Three lists placed from -22050 on, as the window's memos hand them over:
  // the first value 20265, the lists meeting at -12693/-12692 and -2408/-2407.
  const std::string first = Countdown(20265, 9358);
  const std::string second = Countdown(12569, 10285, "\r\n");
  const std::string third = Countdown(4379, 4903);
  const std::string_view lists[] = {first, second, third};
  const auto curve = LoadCurve(lists, -22050);
  ASSERT_TRUE(curve.ok()) << curve.error();

  const struct {
    int32_t year, age;
  } cases[] = {
      // The straight-line extension, exact halves to even.
      {-50000, 44498},
      {-45000, 40163},
      {-30000, 27158},
      {-24550, 22433},
      {-23550, 21565},
      {-22550, 20699},
      {-22052, 20267},
      {-22051, 20266},
      // The lists and their seams.
      {-22050, 20265},
      {-12693, 20265 - 9357},
      {-12692, 12569},
      {-2408, 12569 - 10284},
      {-2407, 4379},
      {1950, 4379 - (1950 + 2407)},
  };
  for (const auto& c : cases) EXPECT_EQ((*curve)[c.year], c.age) << c.year;
  // Values past 1950 are dropped.
  EXPECT_EQ(curve->LastYear(), 1950);
}

TEST(LoadCurve, AShortCurveHasNoValuesAfterItsEnd) {
  const std::string list = Countdown(300, 1945 + 50000);  // -50000 .. 1944
  const std::string_view lists[] = {list};
  const auto curve = LoadCurve(lists, -50000);
  ASSERT_TRUE(curve.ok()) << curve.error();
  EXPECT_TRUE(curve->HasValue(1944));
  EXPECT_FALSE(curve->HasValue(1945));
  EXPECT_FALSE(curve->HasValue(-50001));
}

TEST(LoadCurve, RefusesBadLinesAndCurvesThatStopShortOfThePresent) {
  const std::string good = Countdown(500, 3);
  const std::string bad = "12\n+13\n14\n";
  const std::string_view with_bad[] = {good, bad};
  const auto refused = LoadCurve(with_bad, 1940);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().rfind("curve list 2, line 2:", 0), 0u) << refused.error();

  const std::string blank = "12\n\n14\n";
  const std::string_view with_blank[] = {blank};
  EXPECT_FALSE(LoadCurve(with_blank, 1940).ok());

  const std::string shortlist = Countdown(500, 100);  // 1800..1899
  const std::string_view too_short[] = {shortlist};
  const auto stops = LoadCurve(too_short, 1800);
  ASSERT_FALSE(stops.ok());
  EXPECT_NE(stops.error().find("does not reach the present"), std::string::npos);
}

TEST(LoadCurve, RunningExtremesMatchTheAges) {
  std::vector<int32_t> values;
  for (int32_t y = -50000; y <= 1950; ++y) values.push_back(40000 - (y + 50000) / 2 + (y % 7) * 30);
  const auto curve = LoadCurveValues(values, -50000).value();
  int32_t lowest = curve[-44999];
  for (int32_t y = -44999; y <= 1943; y += 1) {
    lowest = std::min(lowest, curve[y]);
    ASSERT_EQ(curve.MinFromOld(y), lowest) << y;
  }
  int32_t highest = curve[1943];
  for (int32_t y = 1943; y >= -44999; --y) {
    highest = std::max(highest, curve[y]);
    ASSERT_EQ(curve.MaxFromYoung(y), highest) << y;
  }
}

}  // namespace
}  // namespace kal
