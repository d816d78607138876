#include "data/curves.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/curve_file.h"

namespace kal {

extern const std::string_view k_intcal20_list;
extern const std::string_view k_shcal20_list;
extern const std::string_view k_marine20_list;
extern const std::string_view k_intcal20_age_sigma_list;
extern const std::string_view k_shcal20_age_sigma_list;
extern const std::string_view k_marine20_age_sigma_list;

namespace {

// A curve file larger than this is no calibration curve; refuse it rather
// than read it whole.
constexpr std::streamoff kMaxCurveFileBytes = 64 << 20;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::span<const EmbeddedCurve> EmbeddedCurves() {
  static const std::array<EmbeddedCurve, 3> curves = {{
      {"intcal20", "IntCal20",
       "Reimer P. et al. 2020, The IntCal20 Northern Hemisphere radiocarbon age calibration "
       "curve (0-55 cal kBP), Radiocarbon 62, doi:10.1017/RDC.2020.41",
       k_intcal20_list, CurveTable::kOldestYear, k_intcal20_age_sigma_list},
      {"shcal20", "SHCal20",
       "Hogg A.G. et al. 2020, SHCal20 Southern Hemisphere calibration, 0-55,000 years cal BP, "
       "Radiocarbon 62, doi:10.1017/RDC.2020.59",
       k_shcal20_list, CurveTable::kOldestYear, k_shcal20_age_sigma_list},
      {"marine20", "Marine20",
       "Heaton T.J. et al. 2020, Marine20 - the marine radiocarbon age calibration curve "
       "(0-55,000 cal BP), Radiocarbon 62, doi:10.1017/RDC.2020.68",
       k_marine20_list, CurveTable::kOldestYear, k_marine20_age_sigma_list},
  }};
  return curves;
}

namespace {

LoadedCurve LoadEmbedded(const EmbeddedCurve& curve) {
  const std::string_view lists[] = {curve.list};
  auto table = LoadCurve(lists, curve.first_year);
  // The embedded lists are checked by the tests; a failure here is a broken build.
  if (!table) std::abort();
  return LoadedCurve{std::move(table).value(), std::string(curve.name),
                     curve.key == EmbeddedCurves()[0].key};
}

}  // namespace

std::string CurveHelp() {
  std::string text = "Curves (--curve):\n";
  for (const EmbeddedCurve& curve : EmbeddedCurves()) {
    text += "  " + std::string(curve.key) + std::string(10 - curve.key.size(), ' ') +
            std::string(curve.reference) + "\n";
  }
  text += "  PATH      a curve file in the .14c format (cal BP, 14C age, sigma per line)\n";
  text += "IntCal20 is the default.\n";
  return text;
}

LoadedCurve DefaultCurve() { return LoadEmbedded(EmbeddedCurves()[0]); }

namespace {

// The nodes of a .14c file; errors name the file and line.
Result<std::vector<CurveNode>> ReadCurveNodes(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Error{"cannot read the curve file " + path};
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxCurveFileBytes) {
    return Error{"the curve file " + path + " is not a readable file of at most 64 MiB"};
  }
  in.seekg(0);
  std::string text(static_cast<size_t>(size), '\0');
  if (!in.read(text.data(), size)) return Error{"cannot read the curve file " + path};
  auto nodes = ParseCurveText(text);
  if (!nodes) return Error{path + ": " + nodes.error()};
  return nodes;
}

Error UnknownCurve(const std::string& key) {
  return Error{"unknown curve \"" + key +
               "\": give intcal20, shcal20, marine20 or the path of a .14c file"};
}

}  // namespace

Result<CurveTable> LoadCurveFile(const std::string& path) {
  const auto nodes = ReadCurveNodes(path);
  if (!nodes) return Error{nodes.error()};
  if (nodes->front().cal_bp > 1950 - CurveTable::kSearchYoungest) {
    return Error{path + ": the curve does not reach the present: its youngest node is cal BP " +
                 std::to_string(nodes->front().cal_bp) + ", it must be cal BP " +
                 std::to_string(1950 - CurveTable::kSearchYoungest) + " or less"};
  }
  const AnnualList list = AnnualAges(*nodes, CurveTable::kOldestYear, CurveTable::kYoungestYear);
  auto table = LoadCurveValues(list.values, list.start_year);
  if (!table) return Error{path + ": " + table.error()};
  return table;
}

Result<LoadedCurve> ResolveCurve(std::string_view key_or_path) {
  for (const EmbeddedCurve& curve : EmbeddedCurves()) {
    if (EqualsIgnoringCase(curve.key, key_or_path)) return LoadEmbedded(curve);
  }
  const std::string path(key_or_path);
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) {
    return UnknownCurve(path);
  }
  auto table = LoadCurveFile(path);
  if (!table) return Error{table.error()};
  return LoadedCurve{std::move(table).value(), std::string(key_or_path), false};
}

Result<AnnualCurve> LoadAnnualCurveFile(const std::string& path) {
  const auto nodes = ReadCurveNodes(path);
  if (!nodes) return Error{nodes.error()};
  auto curve = AnnualCurveFromNodes(*nodes);
  if (!curve) return Error{path + ": " + curve.error()};
  return curve;
}

Result<LoadedAnnualCurve> ResolveAnnualCurve(std::string_view key_or_path) {
  for (const EmbeddedCurve& curve : EmbeddedCurves()) {
    if (!EqualsIgnoringCase(curve.key, key_or_path)) continue;
    auto annual = LoadAnnualCurve(curve.age_sigma_list, curve.first_year);
    // The embedded lists are checked by the tests; a failure here is a broken build.
    if (!annual) std::abort();
    return LoadedAnnualCurve{std::move(annual).value(), std::string(curve.name),
                             curve.key == EmbeddedCurves()[0].key};
  }
  const std::string path(key_or_path);
  std::error_code ignored;
  if (!std::filesystem::exists(path, ignored)) return UnknownCurve(path);
  auto curve = LoadAnnualCurveFile(path);
  if (!curve) return Error{curve.error()};
  return LoadedAnnualCurve{std::move(curve).value(), path, false};
}

}  // namespace kal
