// The commands of kalibracja-cli. Each takes the arguments after its own name
// and returns the process's exit status (cli_common.h).
#ifndef KAL_CLI_COMMANDS_H_
#define KAL_CLI_COMMANDS_H_

#include <string>
#include <string_view>
#include <vector>

namespace kal::cli {

struct Command {
  std::string_view name;
  std::string_view usage;  // the command's own help text
  int (*run)(const std::vector<std::string>& args);
};

int RunCalibrate(const std::vector<std::string>& args);
extern const std::string_view kCalibrateUsage;

int RunPlot(const std::vector<std::string>& args);
extern const std::string_view kPlotUsage;

int RunListing(const std::vector<std::string>& args);
extern const std::string_view kListingUsage;

int RunBatch(const std::vector<std::string>& args);
extern const std::string_view kBatchUsage;

}  // namespace kal::cli

#endif  // KAL_CLI_COMMANDS_H_
