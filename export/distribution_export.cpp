#include "export/distribution_export.h"

#include <bit>
#include <cerrno>
#include <cstdint>

#include "core/numbers.h"
#include "export/fixed_text.h"
#include "export/replacing_file.h"

namespace kal {

namespace {

// Writes one binary32, little-endian whatever the machine's byte order. The
// double is rounded to the nearest float, ties to even.
std::optional<InOutError> WriteFloat(ReplacingFile& file, double value) {
  const uint32_t bits = std::bit_cast<uint32_t>(static_cast<float>(value));
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
      static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
  return file.Write(bytes, sizeof bytes);
}

// Characters of a UTF-8 text: every byte that does not continue a character.
size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace

std::string ListingLine(int32_t year, double p) { return IntToText(year) + "\t" + FixedText(p); }

std::optional<InOutError> ExportDistribution(const CalibrationState& state, ExportWindow& window,
                                             ExportFiles& files) {
  // Without a curve (nothing loaded yet) every year weighs 0.
  auto weight = [&state](int64_t year) {
    return state.CalCurve ? WeightOf(state, static_cast<int32_t>(year)) : 0.0;
  };

  const bool has_name = !window.Edit1Text().empty();
  const double sum = state.CalCurve ? NormalisingSum(state) : 1.0;
  window.ClearMemo1();

  ReplacingFile file(files);
  if (has_name) {
    const std::string name = window.Edit1Text();
    if (CharacterCount(name) > kMaxExportName) return InOutErrorFromSystem(ENAMETOOLONG);
    if (auto failure = file.Open("Data " + name + ".rsi")) return failure;
    if (auto failure = WriteFloat(file, state.RangeFirst)) return failure;
    if (auto failure = WriteFloat(file, state.RangeLast)) return failure;
  }

  std::string listing;
  for (int64_t year = state.RangeFirst; year <= state.RangeLast; ++year) {
    // The quotient is carried in extended precision and rounded once to the
    // stored double, as every quotient of the calculation is.
    const double p = static_cast<double>(static_cast<Extended>(weight(year)) / sum);
    const std::string line = ListingLine(static_cast<int32_t>(year), p);
    window.AppendToMemo1(line);
    listing += line;
    listing += "\r\n";
    if (has_name) {
      if (auto failure = WriteFloat(file, p)) return failure;
    }
  }

  if (has_name) {
    if (auto failure = file.Close()) return failure;
  }
  window.CopyMemo1ToClipboard(listing);
  return std::nullopt;
}

}  // namespace kal
