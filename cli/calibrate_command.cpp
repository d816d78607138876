#include <cstdio>
#include <iostream>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "core/calibration.h"
#include "data/curves.h"

namespace kal::cli {

const std::string_view kCalibrateUsage =
    "kalibracja-cli calibrate AGE ERROR [--curve CURVE] [--json]\n"
    "  Calibrates one radiocarbon age (years BP) with its one-sigma error and prints the\n"
    "  95% range, e.g. \"660BC - 440BC\". AGE and ERROR are read as the window reads its\n"
    "  boxes: a decimal integer with optional sign, leading blanks skipped.\n"
    "  --curve CURVE  intcal20 (default), shcal20, marine20 or the path of a .14c file\n"
    "  --json         print one JSON object with the keys age, error, sigma, range_first,\n"
    "                 range_last, centre_year, sum, lower, upper and text\n";

int RunCalibrate(const std::vector<std::string>& raw) {
  const Arguments args(raw, {"--curve"}, {"--json"});
  if (!args.problem().empty()) return UsageError(args.problem());
  if (args.positionals().size() != 2) return UsageError("calibrate needs AGE and ERROR");
  std::string problem;
  const auto inputs = ReadInputs(args.positionals()[0], args.positionals()[1], &problem);
  if (!inputs) return UsageError(problem);
  auto curve = ResolveCurve(args.Value("--curve").value_or("intcal20"));
  if (!curve) return UsageError(curve.error());

  CalibrationState state;
  state.CalCurve = &curve->table;
  state.SampleAge = inputs->age;
  state.Sigma = inputs->sigma;
  const CalibrationResult result = Calibrate(state);

  if (!args.Flag("--json")) {
    std::cout << result.text << "\n";
    return kExitOk;
  }
  char sum[40];
  std::snprintf(sum, sizeof sum, "%.17g", result.sum);
  std::cout << "{\"age\":" << inputs->age << ",\"error\":" << inputs->error
            << ",\"sigma\":" << inputs->sigma << ",\"range_first\":" << state.RangeFirst
            << ",\"range_last\":" << state.RangeLast
            << ",\"centre_year\":" << CentreYear(state.RangeFirst, state.RangeLast)
            << ",\"sum\":" << sum << ",\"lower\":" << result.lower << ",\"upper\":" << result.upper
            << ",\"text\":" << JsonString(result.text) << "}\n";
  return kExitOk;
}

}  // namespace kal::cli
