#include <cerrno>
#include <cstdio>
#include <iostream>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "core/calibration.h"
#include "data/curves.h"
#include "export/distribution_export.h"

namespace kal::cli {

const std::string_view kListingUsage =
    "kalibracja-cli listing AGE ERROR [--curve CURVE] [--rsi NAME]\n"
    "  Calibrates AGE and ERROR as calibrate does and prints the window's normalised\n"
    "  distribution as the window's export lists it: one line per calendar year, the\n"
    "  signed year (negative BC), a tab and the value with five decimals, each line\n"
    "  ending in CR LF.\n"
    "  --curve CURVE  intcal20 (default), shcal20, marine20 or the path of a .14c file\n"
    "  --rsi NAME     also write the file \"Data NAME.rsi\" in the current directory:\n"
    "                 little-endian 32-bit floats, the first and the last year, then one\n"
    "                 value per year. An existing file is replaced only when the new one\n"
    "                 is complete; a failure leaves it as it was and exits with 1.\n";

namespace {

// The window's export controls on the command line: the name comes from
// --rsi, the memo is not shown, and the clipboard is standard output.
class ListingOutput final : public ExportWindow {
 public:
  explicit ListingOutput(std::string name) : name_(std::move(name)) {}
  std::string Edit1Text() override { return name_; }
  void ClearMemo1() override {}
  void AppendToMemo1(std::string_view) override {}
  void CopyMemo1ToClipboard(std::string_view text) override {
    // Written as bytes: the CR LF line ends are part of the listing.
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
      error_ = errno;
    }
  }
  int error() const { return error_; }

 private:
  std::string name_;
  int error_ = 0;
};

}  // namespace

int RunListing(const std::vector<std::string>& raw) {
  const Arguments args(raw, {"--curve", "--rsi"}, {});
  if (!args.problem().empty()) return UsageError(args.problem());
  if (args.positionals().size() != 2) return UsageError("listing needs AGE and ERROR");
  std::string problem;
  const auto inputs = ReadInputs(args.positionals()[0], args.positionals()[1], &problem);
  if (!inputs) return UsageError(problem);
  auto curve = ResolveCurve(args.Value("--curve").value_or("intcal20"));
  if (!curve) return UsageError(curve.error());

  CalibrationState state;
  state.CalCurve = &curve->table;
  state.SampleAge = inputs->age;
  state.Sigma = inputs->sigma;
  Calibrate(state);

  ListingOutput output(args.Value("--rsi").value_or(""));
  if (const auto failure = ExportDistribution(state, output, SystemExportFiles())) {
    std::cerr << "kalibracja-cli: " << failure->message << "\n";
    return kExitFailed;
  }
  if (output.error()) {
    std::cerr << "kalibracja-cli: " << InOutErrorFromSystem(output.error()).message << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace kal::cli
