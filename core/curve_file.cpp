#include "core/curve_file.h"

#include <algorithm>

#include "core/numbers.h"

namespace kal {
namespace {

constexpr int64_t kMaxMagnitude = 1'000'000'000;  // in whole years
constexpr int kMaxDecimals = 6;                   // kCurveScale = 10^6

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A decimal number scaled by kCurveScale; nullopt for anything else.
std::optional<int64_t> ParseScaled(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int64_t whole = 0;
  int whole_digits = 0;
  while (!s.empty() && s[0] >= '0' && s[0] <= '9') {
    whole = whole * 10 + (s[0] - '0');
    if (whole > kMaxMagnitude) return std::nullopt;
    ++whole_digits;
    s.remove_prefix(1);
  }
  int64_t fraction = 0;
  int fraction_digits = 0;
  if (!s.empty() && s[0] == '.') {
    s.remove_prefix(1);
    while (!s.empty() && s[0] >= '0' && s[0] <= '9') {
      if (fraction_digits == kMaxDecimals) return std::nullopt;
      fraction = fraction * 10 + (s[0] - '0');
      ++fraction_digits;
      s.remove_prefix(1);
    }
  }
  if (!s.empty() || whole_digits + fraction_digits == 0) return std::nullopt;
  for (int i = fraction_digits; i < kMaxDecimals; ++i) fraction *= 10;
  const int64_t scaled = whole * kCurveScale + fraction;
  return negative ? -scaled : scaled;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    fields.push_back(Trim(line.substr(start, comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

Error LineError(size_t line_number, std::string_view what) {
  return Error{"line " + std::to_string(line_number) + ": " + std::string(what)};
}

}  // namespace

Result<std::vector<CurveNode>> ParseCurveText(std::string_view text) {
  std::vector<CurveNode> nodes;
  std::vector<size_t> line_of_node;
  size_t line_number = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++line_number;
    if (line.empty() || line[0] == '#') continue;
    const auto fields = SplitFields(line);
    if (fields.size() < 3) {
      return LineError(line_number, "expected cal BP, 14C age and sigma separated by commas");
    }
    const auto cal_bp = ParseScaled(fields[0]);
    if (!cal_bp || *cal_bp % kCurveScale != 0) {
      return LineError(line_number, "cal BP is not a whole number");
    }
    const auto age = ParseScaled(fields[1]);
    if (!age) return LineError(line_number, "14C age is not a number");
    const auto sigma = ParseScaled(fields[2]);
    if (!sigma || *sigma < 0) return LineError(line_number, "sigma is not a number of 0 or more");
    nodes.push_back({static_cast<int32_t>(*cal_bp / kCurveScale), *age, *sigma});
    line_of_node.push_back(line_number);
  }
  if (nodes.size() < 2) return Error{"the curve has fewer than two data lines"};

  std::vector<size_t> order(nodes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return nodes[a].cal_bp < nodes[b].cal_bp; });
  std::vector<CurveNode> sorted;
  sorted.reserve(nodes.size());
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && nodes[order[i]].cal_bp == nodes[order[i - 1]].cal_bp) {
      return LineError(line_of_node[order[i]],
                       "a second node at cal BP " + std::to_string(nodes[order[i]].cal_bp));
    }
    sorted.push_back(nodes[order[i]]);
  }
  return sorted;
}

namespace {

int64_t Field(const CurveNode& n, CurveField field) {
  return field == CurveField::kAge ? n.age_scaled : n.sigma_scaled;
}

// The value of `field` at cal BP t, for the node `upper` at or older than t
// and the one before it, rounded half to even to a whole `unit` of the
// scaled values: kCurveScale gives whole years, 1 keeps the scale of the file.
// This is the one interpolation rule of every curve list.
int64_t ValueAt(const std::vector<CurveNode>& nodes, size_t upper, int32_t t, CurveField field,
                int64_t unit) {
  const CurveNode& b = nodes[upper];
  if (b.cal_bp == t || upper == 0)
    return static_cast<int64_t>(DivideHalfEven(Field(b, field), unit));
  const CurveNode& a = nodes[upper - 1];  // a.cal_bp < t < b.cal_bp
  const Int128 span = Int128{b.cal_bp} - a.cal_bp;
  const Int128 num =
      Int128{Field(a, field)} * span + (Int128{Field(b, field)} - Field(a, field)) * (t - a.cal_bp);
  return static_cast<int64_t>(DivideHalfEven(num, span * unit));
}

// Calls visit(upper, t) for every calendar year the nodes cover within
// [first_year, last_year], oldest first, with the index of the node at or
// older than its cal BP t; returns the first such year.
template <class Visit>
int32_t ForEachCoveredYear(const std::vector<CurveNode>& nodes, int32_t first_year,
                           int32_t last_year, Visit visit) {
  // Year y is cal BP 1950 - y; the nodes cover cal BP front..back.
  const int64_t oldest = std::max<int64_t>(first_year, int64_t{1950} - nodes.back().cal_bp);
  const int64_t youngest = std::min<int64_t>(last_year, int64_t{1950} - nodes.front().cal_bp);
  size_t upper = nodes.size() - 1;
  for (int64_t year = oldest; year <= youngest; ++year) {
    const auto t = static_cast<int32_t>(1950 - year);
    while (upper > 0 && nodes[upper - 1].cal_bp >= t) --upper;
    visit(upper, t);
  }
  return static_cast<int32_t>(oldest);
}

}  // namespace

int64_t InterpolateRounded(const std::vector<CurveNode>& nodes, int32_t cal_bp, CurveField field) {
  auto it = std::lower_bound(nodes.begin(), nodes.end(), cal_bp,
                             [](const CurveNode& n, int32_t t) { return n.cal_bp < t; });
  if (it == nodes.end()) it = nodes.end() - 1;
  return ValueAt(nodes, static_cast<size_t>(it - nodes.begin()), cal_bp, field, kCurveScale);
}

AnnualList AnnualAges(const std::vector<CurveNode>& nodes, int32_t first_year, int32_t last_year) {
  AnnualList list;
  if (nodes.empty()) return list;
  list.start_year = ForEachCoveredYear(nodes, first_year, last_year, [&](size_t upper, int32_t t) {
    list.values.push_back(
        static_cast<int32_t>(ValueAt(nodes, upper, t, CurveField::kAge, kCurveScale)));
  });
  return list;
}

AnnualScaledList AnnualScaledValues(const std::vector<CurveNode>& nodes, int32_t first_year,
                                    int32_t last_year) {
  AnnualScaledList list;
  if (nodes.empty()) return list;
  list.start_year = ForEachCoveredYear(nodes, first_year, last_year, [&](size_t upper, int32_t t) {
    list.ages.push_back(ValueAt(nodes, upper, t, CurveField::kAge, 1));
    list.sigmas.push_back(ValueAt(nodes, upper, t, CurveField::kSigma, 1));
  });
  return list;
}

std::optional<int64_t> ParseScaledDecimal(std::string_view text) { return ParseScaled(text); }

std::string ScaledDecimalText(int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t magnitude =
      negative ? uint64_t{0} - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / kCurveScale);
  uint64_t fraction = magnitude % kCurveScale;
  if (fraction == 0) return text;
  std::string digits = std::to_string(fraction);
  digits.insert(0, static_cast<size_t>(kMaxDecimals) - digits.size(), '0');
  while (digits.back() == '0') digits.pop_back();
  return text + "." + digits;
}

}  // namespace kal
