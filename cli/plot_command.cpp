#include "cli/cli_common.h"
#include "cli/commands.h"

namespace kal::cli {

const std::string_view kPlotUsage = "kalibracja-cli plot ...\n  (not built yet)\n";

int RunPlot(const std::vector<std::string>&) { return UsageError("plot is not built yet"); }

}  // namespace kal::cli
