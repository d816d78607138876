#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "core/calibration.h"
#include "core/numbers.h"
#include "core/standard_calibration.h"
#include "data/curves.h"

namespace kal::cli {

const std::string_view kCalibrateUsage =
    "kalibracja-cli calibrate AGE ERROR [--method spec|standard] [--curve CURVE] [--json]\n"
    "                         [--delta-r R --delta-r-error E]\n"
    "  Calibrates one radiocarbon age (years BP) with its one-sigma error. AGE and ERROR\n"
    "  are read as the window reads its boxes: a decimal integer with optional sign,\n"
    "  leading blanks skipped.\n"
    "  --method spec      the window's method (default): a Gaussian of width error + 5,\n"
    "                     and the 95% range, e.g. \"660BC - 440BC\"\n"
    "  --method standard  the curve's own sigma combined with the error: the median and\n"
    "                     the highest-density ranges at 68.3% and 95.4%, each interval\n"
    "                     with its probability\n"
    "  --curve CURVE      intcal20 (default), shcal20, marine20 or the path of a .14c file\n"
    "  --delta-r R, --delta-r-error E\n"
    "                     standard method: a reservoir offset (meant for marine20); the\n"
    "                     age calibrated is AGE - R with error sqrt(ERROR^2 + E^2); R may\n"
    "                     be negative\n"
    "  --json             print one JSON object; spec: the keys age, error, sigma,\n"
    "                     range_first, range_last, centre_year, sum, lower, upper and\n"
    "                     text; standard: age, error, curve, median and hpd68 and hpd95,\n"
    "                     lists of {from, to, probability} (signed years, oldest first,\n"
    "                     probability in percent)\n";

namespace {

int RunWindowMethod(const Arguments& args, const Inputs& inputs) {
  auto curve = ResolveCurve(args.Value("--curve").value_or("intcal20"));
  if (!curve) return UsageError(curve.error());

  CalibrationState state;
  state.CalCurve = &curve->table;
  state.SampleAge = inputs.age;
  state.Sigma = inputs.sigma;
  const CalibrationResult result = Calibrate(state);

  if (!args.Flag("--json")) {
    std::cout << result.text << "\n";
    return kExitOk;
  }
  char sum[40];
  std::snprintf(sum, sizeof sum, "%.17g", result.sum);
  std::cout << "{\"age\":" << inputs.age << ",\"error\":" << inputs.error
            << ",\"sigma\":" << inputs.sigma << ",\"range_first\":" << state.RangeFirst
            << ",\"range_last\":" << state.RangeLast
            << ",\"centre_year\":" << CentreYear(state.RangeFirst, state.RangeLast)
            << ",\"sum\":" << sum << ",\"lower\":" << result.lower << ",\"upper\":" << result.upper
            << ",\"text\":" << JsonString(result.text) << "}\n";
  return kExitOk;
}

std::string Percent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 100 * share);
  return text;
}

std::string JsonIntervals(const std::vector<HpdInterval>& intervals) {
  std::string json = "[";
  for (const HpdInterval& interval : intervals) {
    if (json.size() > 1) json += ",";
    json += "{\"from\":" + IntToText(interval.from) + ",\"to\":" + IntToText(interval.to) +
            ",\"probability\":" + Percent(interval.probability) + "}";
  }
  return json + "]";
}

// One interval per line under its level, the years as the window writes them.
void PrintIntervals(std::ostream& out, std::string_view level,
                    const std::vector<HpdInterval>& intervals) {
  for (size_t i = 0; i < intervals.size(); ++i) {
    const std::string years = YearText(intervals[i].from) + " - " + YearText(intervals[i].to);
    const std::string percent = Percent(intervals[i].probability) + "%";
    char line[96];
    std::snprintf(line, sizeof line, "%-8s%-18s%6s\n", i == 0 ? std::string(level).c_str() : "",
                  years.c_str(), percent.c_str());
    out << line;
  }
}

int RunStandardMethod(const Arguments& args, const Inputs& inputs) {
  if (inputs.error <= 0) return UsageError("the standard method needs an error above 0");
  std::string problem;
  const auto offset = ReadReservoirOffset(args, &problem);
  if (!offset) return UsageError(problem);
  auto curve = ResolveAnnualCurve(args.Value("--curve").value_or("intcal20"));
  if (!curve) return UsageError(curve.error());

  const StandardInputs corrected =
      ReservoirCorrected(inputs.age, inputs.error, offset->delta_r, offset->delta_r_error);
  StandardResult result;
  CalibrateStandard(curve->curve, corrected, result);
  if (!result.found) {
    std::ostringstream why;
    why << "the age " << corrected.age << " lies beyond the reach of " << curve->name
        << ": no calendar year of the curve comes near it";
    return UsageError(why.str());
  }

  if (args.Flag("--json")) {
    std::cout << "{\"age\":" << inputs.age << ",\"error\":" << inputs.error
              << ",\"curve\":" << JsonString(curve->name) << ",\"median\":" << result.median
              << ",\"hpd68\":" << JsonIntervals(result.hpd68)
              << ",\"hpd95\":" << JsonIntervals(result.hpd95) << "}\n";
    return kExitOk;
  }
  std::cout << curve->name << ", " << inputs.age << " ± " << inputs.error << " BP";
  if (offset->given) {
    std::cout << ", ΔR " << offset->delta_r << " ± " << offset->delta_r_error;
  }
  std::cout << "\nmedian  " << YearText(result.median) << "\n";
  PrintIntervals(std::cout, "68.3%", result.hpd68);
  PrintIntervals(std::cout, "95.4%", result.hpd95);
  return kExitOk;
}

}  // namespace

int RunCalibrate(const std::vector<std::string>& raw) {
  const Arguments args(raw, {"--curve", "--method", "--delta-r", "--delta-r-error"}, {"--json"});
  if (!args.problem().empty()) return UsageError(args.problem());
  if (args.positionals().size() != 2) return UsageError("calibrate needs AGE and ERROR");
  const std::string method = args.Value("--method").value_or("spec");
  if (method != "spec" && method != "standard") {
    return UsageError("unknown method \"" + method + "\": give spec or standard");
  }
  if (method == "spec" && (args.Value("--delta-r") || args.Value("--delta-r-error"))) {
    return UsageError("--delta-r and --delta-r-error belong to the standard method");
  }
  std::string problem;
  const auto inputs = ReadInputs(args.positionals()[0], args.positionals()[1], &problem);
  if (!inputs) return UsageError(problem);
  return method == "spec" ? RunWindowMethod(args, *inputs) : RunStandardMethod(args, *inputs);
}

}  // namespace kal::cli
