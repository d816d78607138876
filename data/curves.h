// The calibration curves the programs offer: the three embedded ones, by key,
// and a user's own .14c file, by path. A curve is loaded once and then only
// read, so one loaded curve serves any number of calculations.
#ifndef KAL_DATA_CURVES_H_
#define KAL_DATA_CURVES_H_

#include <span>
#include <string>
#include <string_view>

#include "core/annual_curve.h"
#include "core/cal_curve.h"
#include "core/result.h"

namespace kal {

struct EmbeddedCurve {
  std::string_view key;             // as given to --curve: "intcal20"
  std::string_view name;            // as shown: "IntCal20"
  std::string_view reference;       // authors, year, journal and DOI
  std::string_view list;            // annual integer list, one age per line
  int32_t first_year;               // calendar year of the list's first line
  std::string_view age_sigma_list;  // "age,sigma" per line, unrounded, from first_year
};

// IntCal20 first: it is the default.
std::span<const EmbeddedCurve> EmbeddedCurves();

struct LoadedCurve {
  CurveTable table;
  std::string name;  // "IntCal20", or the file's path
  bool is_default = false;
};

// The curve for a --curve argument: an embedded curve's key
// (case-insensitive) or the path of a .14c file.
Result<LoadedCurve> ResolveCurve(std::string_view key_or_path);

// The help text's list of curves for --curve, each with its reference.
std::string CurveHelp();

// The default curve, IntCal20.
LoadedCurve DefaultCurve();

// Reads and loads a .14c file; errors name the file and line.
Result<CurveTable> LoadCurveFile(const std::string& path);

// The same curves with their own sigma, unrounded, for the standard method:
// an embedded curve's age and sigma list, or a .14c file interpolated the same
// way (exactly, to a millionth of a year), so both give the same values.
struct LoadedAnnualCurve {
  AnnualCurve curve;
  std::string name;  // "IntCal20", or the file's path
  bool is_default = false;
};
Result<LoadedAnnualCurve> ResolveAnnualCurve(std::string_view key_or_path);

// Reads a .14c file into an annual curve; errors name the file and line.
Result<AnnualCurve> LoadAnnualCurveFile(const std::string& path);

}  // namespace kal

#endif  // KAL_DATA_CURVES_H_
