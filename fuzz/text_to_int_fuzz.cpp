// The input boxes' text-to-integer rule and the curve lists' strict rule:
// never crash, and whatever they accept prints back to a text they read the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto value = kal::TextToInt(text)) {
    if (kal::TextToInt(kal::IntToText(*value)) != value) std::abort();
  }
  if (const auto value = kal::StrictDecimal(text)) {
    if (text.find_first_not_of("-0123456789") != std::string_view::npos) std::abort();
    if (kal::TextToInt(text) != value) std::abort();
  }
  return 0;
}
