#include "core/numbers.h"

#include <gtest/gtest.h>

#include <optional>

namespace kal {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const struct {
    Extended x;
    int64_t expected;
  } cases[] = {{2.5L, 2},
               {1.5L, 2},
               {0.5L, 0},
               {-0.5L, 0},
               {-5.5L, -6},
               {-86.5L, -86},
               {24.9L, 25},
               {124.5L, 124},
               {2167.5L, 2168},
               {1300.5L, 1300},
               {0.49999999999999999L, 0},
               {-1.2L, -1},
               {19.44L, 19},
               {1943.5L, 1944}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.x), c.expected) << static_cast<double>(c.x);
}

TEST(DivideHalfEven, ExactAndSigned) {
  const struct {
    int64_t num, den, expected;
  } cases[] = {{5, 2, 2},       {7, 2, 4},           {-5, 2, -2},
               {-7, 2, -4},     {433500, 1000, 434}, {1300500, 1000, 1300},
               {1734, 1000, 2}, {-1, 3, 0},          {-2, 3, -1},
               {0, 7, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(static_cast<int64_t>(DivideHalfEven(c.num, c.den)), c.expected)
        << c.num << "/" << c.den;
  }
}

TEST(TextToInt, AcceptsWhatTheInputBoxesAccept) {
  const struct {
    const char* text;
    std::optional<int32_t> expected;
  } cases[] = {
      {"2500", 2500},
      {"  42", 42},
      {"+2500", 2500},
      {"-100", -100},
      {"0100", 100},
      {"050", 50},
      {"$1F", 31},
      {"x10", 16},
      {"X10", 16},
      {"0x7fffffff", 2147483647},
      {"0X1a", 26},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483648LL},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"5,", std::nullopt},
      {"12 ", std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"$80000000", std::nullopt},
      {"-$10", std::nullopt},
      {"1e3", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"\t5", std::nullopt},
      {"٣", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_EQ(TextToIntOr0("abc"), 0);
  EXPECT_EQ(TextToIntOr0(" 7"), 7);
}

TEST(StrictDecimal, RefusesEverythingButDigitsAndMinus) {
  EXPECT_EQ(StrictDecimal("20265"), 20265);
  EXPECT_EQ(StrictDecimal("-12"), -12);
  for (const char* bad : {"", " 1", "1 ", "+1", "$10", "0x10", "1.0", "-", "2147483648"}) {
    EXPECT_EQ(StrictDecimal(bad), std::nullopt) << '"' << bad << '"';
  }
}

TEST(IntToText, PlainDecimal) {
  EXPECT_EQ(IntToText(-2917), "-2917");
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(45000), "45000");
}

}  // namespace
}  // namespace kal
