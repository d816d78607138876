// kalibracja-cli: the calculations of the window, without a window, for
// scripts and batch work.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "data/curves.h"

namespace kal::cli {

namespace {

const Command kCommands[] = {
    {"calibrate", kCalibrateUsage, RunCalibrate},
    {"plot", kPlotUsage, RunPlot},
    {"listing", kListingUsage, RunListing},
    {"batch", kBatchUsage, RunBatch},
};

void PrintHelp(std::ostream& out) {
  out << "Usage: kalibracja-cli COMMAND [ARGUMENTS]\n"
         "Calibrates radiocarbon ages into calendar years (negative years are BC).\n\n";
  for (const Command& command : kCommands) out << command.usage << "\n";
  out << kal::CurveHelp() << "\n"
      << "Exit status: 0 success, 1 the command failed, 2 bad arguments or input.\n"
         "kalibracja-cli COMMAND --help prints one command's help.\n";
}

}  // namespace
}  // namespace kal::cli

int main(int argc, char** argv) {
  using namespace kal::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  for (const Command& command : kCommands) {
    if (args[0] != command.name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
      if (arg == "--help" || arg == "-h") {
        std::cout << command.usage << "\n" << kal::CurveHelp();
        return kExitOk;
      }
    }
    return command.run(rest);
  }
  return UsageError("unknown command \"" + args[0] + "\"; see kalibracja-cli --help");
}
