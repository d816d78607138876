#include "export/fixed_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace kal {
namespace {

TEST(FixedText, RoundsTwiceAsDefined) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0.00000"},
      {1, "1.00000"},
      {0.000004, "0.00000"},
      {0.000005, "0.00001"},
      {0.123456, "0.12346"},
      // Stored just below the half; the 17-decimal rounding lifts it onto it.
      {0.123455, "0.12346"},
      // Taken to 17 decimals it is 0.99999499999999997: the sixth decimal is 4.
      {0.999995, "0.99999"},
      {0.9999951, "1.00000"},
      {1.0 / 3, "0.33333"},
      {2.0 / 3, "0.66667"},
      {0.25, "0.25000"},
      {0.5, "0.50000"},
      {0.0000049999, "0.00000"},
      {std::numeric_limits<double>::denorm_min(), "0.00000"},
      {9.87654321, "9.87654"},
      // The carry digit appears only when the rounding reaches 10.
      {9.9999951, "10.00000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FixedText(c.value), c.text) << c.value;
  }
}

TEST(FixedText, ValuesOutsideItsSpanStayWellFormed) {
  EXPECT_EQ(FixedText(-0.5), "0.00000");
  EXPECT_EQ(FixedText(std::numeric_limits<double>::quiet_NaN()), "0.00000");
  EXPECT_EQ(FixedText(10), "10.00000");
  EXPECT_EQ(FixedText(1e300), "10.00000");
}

}  // namespace
}  // namespace kal
