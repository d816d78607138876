#include "export/fixed_text.h"

#include <cstdint>

#include "core/numbers.h"

namespace kal {

std::string FixedText(double value) {
  // 10^17 is exact with a 64-bit significand, and so is every integer up to
  // 10^18, so N is the product rounded once to the significand and once to
  // the nearest integer, as the two steps are defined.
  constexpr Extended kScale = 1e17L;
  constexpr int64_t kTen = 1'000'000'000'000'000'000;  // 10 * 10^17
  int64_t n = 0;
  if (value >= 10.0) {
    n = kTen;
  } else if (value > 0.0) {  // also false for NaN
    n = RoundHalfEven(static_cast<Extended>(value) * kScale);
  }
  // N holds the carry digit, the units digit and 17 decimals. The first five
  // decimals are kept; the sixth alone decides the rounding, half up.
  int64_t kept = n / 1'000'000'000'000;  // carry, units and five decimals
  const int64_t sixth = (n / 100'000'000'000) % 10;
  if (sixth >= 5) ++kept;

  std::string decimals = IntToText(kept % 100'000);
  decimals.insert(0, 5 - decimals.size(), '0');
  std::string text = IntToText(kept / 100'000) + "." + decimals;
  if (text.size() < 7) text.insert(0, 7 - text.size(), ' ');
  return text;
}

}  // namespace kal
