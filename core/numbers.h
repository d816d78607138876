// The number rules every part of the program shares: rounding to the nearest
// integer with exact halves going to the even neighbour, and the two ways text
// becomes an integer (strict for the program's own data, lenient for what the
// user typed). Everything that converts a real to an integer or reads an
// integer from text goes through here, so the rules are written and tested once.
#ifndef KAL_CORE_NUMBERS_H_
#define KAL_CORE_NUMBERS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kal {

// Extended precision: the 64-bit significand of x86's long double. All
// floating-point work of the calculation is carried in it and rounded to
// double only where a value is stored.
using Extended = long double;

// Exact integer arithmetic wide enough for scaled curve interpolation.
__extension__ typedef __int128 Int128;

// Nearest integer, an exact half to the even neighbour (2.5 -> 2, -5.5 -> -6).
// Halves go to even because that is what the floating-point unit does by
// default, and the results must match its rounding to the last bit.
// The argument must lie well inside the 64-bit range.
int64_t RoundHalfEven(Extended x);

// Nearest integer of num / den (den > 0), an exact half to the even neighbour,
// computed without any floating point.
Int128 DivideHalfEven(Int128 num, Int128 den);

// Text as the user's integer: leading blanks skipped, an optional sign and
// decimal digits, or an unsigned hexadecimal number after "$", "x" or "0x".
// Anything else, trailing characters included, and any value outside the
// signed 32-bit range is no integer (nullopt).
std::optional<int32_t> TextToInt(std::string_view text);

// TextToInt with 0 for a text that is no integer: how the input boxes read.
int32_t TextToIntOr0(std::string_view text);

// Strict reading of the program's own data: an optional "-" and decimal
// digits, nothing else (no blanks), within the signed 32-bit range.
std::optional<int32_t> StrictDecimal(std::string_view text);

// Plain decimal, with "-" for negatives, no grouping.
std::string IntToText(int64_t value);

}  // namespace kal

#endif  // KAL_CORE_NUMBERS_H_
