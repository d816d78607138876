#include "core/numbers.h"

#include <cmath>
#include <limits>

namespace kal {

int64_t RoundHalfEven(Extended x) {
  // llrintl follows the current rounding mode, which is round-to-nearest-even
  // unless someone changed it; the program never does.
  return std::llrint(x);
}

Int128 DivideHalfEven(Int128 num, Int128 den) {
  Int128 q = num / den;
  Int128 r = num % den;
  if (r < 0) {  // make r non-negative so q is the floor
    r += den;
    q -= 1;
  }
  const Int128 twice = 2 * r;
  if (twice > den || (twice == den && (q % 2 != 0))) q += 1;
  return q;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<int32_t> Hex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + d;
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::optional<int32_t> SignedDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  // Up to nine digits cannot overflow 32 bits, which is every curve value;
  // the start-up load reads some 52,000 of them per curve.
  if (text.size() <= 9) {
    uint32_t value = 0;
    for (char c : text) value = value * 10 + static_cast<uint32_t>(c - '0');
    return negative ? -static_cast<int32_t>(value) : static_cast<int32_t>(value);
  }
  int64_t value = 0;
  for (char c : text) {
    value = value * 10 + (c - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

std::optional<int32_t> TextToInt(std::string_view text) {
  while (!text.empty() && text[0] == ' ') text.remove_prefix(1);
  if (!text.empty() && text[0] == '$') return Hex(text.substr(1));
  if (!text.empty() && (text[0] == 'x' || text[0] == 'X')) return Hex(text.substr(1));
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return Hex(text.substr(2));
  }
  return SignedDecimal(text);
}

int32_t TextToIntOr0(std::string_view text) { return TextToInt(text).value_or(0); }

std::optional<int32_t> StrictDecimal(std::string_view text) {
  if (!text.empty() && text[0] == '+') return std::nullopt;
  return SignedDecimal(text);
}

std::string IntToText(int64_t value) { return std::to_string(value); }

}  // namespace kal
