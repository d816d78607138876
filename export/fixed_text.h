// The five-decimal text of a value in the listing, "0.12346". The value is
// rounded twice, as the run-time library of the program's original platform
// does it: first to 17 decimals carried with a 64-bit significand (halves to
// even), then half up at the fifth decimal looking at the sixth decimal only.
// The second rounding therefore lifts a double that lies just below a half
// (0.123455 is stored as 0.12345499999999999...) where a single correct
// rounding would not; listings must show the same digits, so both roundings
// are kept.
#ifndef KAL_EXPORT_FIXED_TEXT_H_
#define KAL_EXPORT_FIXED_TEXT_H_

#include <string>

namespace kal {

// Fixed notation with five decimals for 0 <= value < 10: seven characters,
// "0.00000" to "9.99999", or "10.00000" when the rounding reaches 10.
// A value outside that span (or not a number) gives "0.00000" below 0 and
// "10.00000" from 10 on; the export never passes one.
std::string FixedText(double value);

}  // namespace kal

#endif  // KAL_EXPORT_FIXED_TEXT_H_
