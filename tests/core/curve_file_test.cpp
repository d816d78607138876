#include "core/curve_file.h"

#include <gtest/gtest.h>

namespace kal {
namespace {

TEST(ParseCurveText, ReadsNodesInAnyOrderWithCommentsAndDecimals) {
  const auto nodes = ParseCurveText(
      "##A curve\r\n# CAL BP, 14C age,Sigma\r\n10,110.5,3,0,0\r\n\r\n0,100,2.25\r\n 5 , 104 , 2 "
      "\n");
  ASSERT_TRUE(nodes.ok()) << nodes.error();
  ASSERT_EQ(nodes->size(), 3u);
  EXPECT_EQ((*nodes)[0].cal_bp, 0);
  EXPECT_EQ((*nodes)[0].sigma_scaled, 2'250'000);
  EXPECT_EQ((*nodes)[1].cal_bp, 5);
  EXPECT_EQ((*nodes)[2].age_scaled, 110'500'000);
}

TEST(ParseCurveText, ErrorsNameTheLine) {
  const struct {
    const char* text;
    const char* message_start;
  } cases[] = {
      {"# c\n0,100,1\n5,abc,1\n", "line 3:"},
      {"0,100,1\n5,100\n", "line 2:"},
      {"0,100,1\n5.5,100,1\n", "line 2:"},
      {"0,100,1\n5,100,-1\n", "line 2:"},
      {"0,100,1\n0,101,1\n", "line 2: a second node"},
      {"0,100,1\n", "the curve has fewer than two"},
      {"", "the curve has fewer than two"},
      {"0,100,1\n5,1.1234567,1\n", "line 2:"},
  };
  for (const auto& c : cases) {
    const auto nodes = ParseCurveText(c.text);
    ASSERT_FALSE(nodes.ok()) << c.text;
    EXPECT_EQ(nodes.error().rfind(c.message_start, 0), 0u) << nodes.error();
  }
}

TEST(AnnualAges, InterpolatesExactlyWithHalvesToEven) {
  // Nodes at cal BP 0 (age 100), 2 (age 101), 6 (age 104.5), 10 (age 106).
  const auto nodes = ParseCurveText("0,100,1\n2,101,1\n6,104.5,1\n10,106,1\n").value();
  const AnnualList list = AnnualAges(nodes, -50000, 1950);
  EXPECT_EQ(list.start_year, 1940);
  // cal BP 10..0: 106, 105.625, 105.25, 104.875, 104.5, 103.625, 102.75, 101.875, 101, 100.5, 100
  const std::vector<int32_t> expected = {106, 106, 105, 105, 104, 104, 103, 102, 101, 100, 100};
  EXPECT_EQ(list.values, expected);
  EXPECT_EQ(InterpolateRounded(nodes, 1, CurveField::kAge), 100);  // 100.5 -> 100
  EXPECT_EQ(InterpolateRounded(nodes, 4, CurveField::kAge), 103);  // 102.75
}

TEST(AnnualAges, ClipsToTheRequestedYears) {
  const auto nodes = ParseCurveText("-10,0,1\n60000,50000,1\n").value();
  const AnnualList list = AnnualAges(nodes, -50000, 1950);
  EXPECT_EQ(list.start_year, -50000);
  EXPECT_EQ(list.values.size(), 51951u);
}

}  // namespace
}  // namespace kal
