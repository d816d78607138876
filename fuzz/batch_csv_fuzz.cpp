// A date list as CSV: whatever its bytes, the streaming reader never crashes,
// and the records it gives do not depend on how the input arrives in pieces.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_csv.h"

namespace {

struct Reading {
  std::vector<std::vector<std::string>> records;
  std::vector<int> flags;
};

Reading Read(std::string_view text, size_t piece) {
  size_t at = 0;
  kal::cli::CsvReader reader([&](char* buffer, size_t capacity) -> std::ptrdiff_t {
    const size_t n = std::min({capacity, piece, text.size() - at});
    std::copy_n(text.data() + at, n, buffer);
    at += n;
    return static_cast<std::ptrdiff_t>(n);
  });
  Reading reading;
  kal::cli::CsvRecord record;
  while (reader.Next(record)) {
    std::vector<std::string> fields;
    for (size_t i = 0; i < record.size(); ++i) fields.emplace_back(record[i]);
    reading.records.push_back(std::move(fields));
    reading.flags.push_back(record.too_long() * 2 + record.unterminated());
  }
  return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = 1 + data[0] % 16;  // the first byte says how the input trickles in
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const Reading whole = Read(text, text.size() + 1);
  const Reading trickled = Read(text, piece);
  if (whole.records != trickled.records || whole.flags != trickled.flags) std::abort();
  return 0;
}
