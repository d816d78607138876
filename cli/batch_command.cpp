#include "cli/cli_common.h"
#include "cli/commands.h"

namespace kal::cli {

const std::string_view kBatchUsage = "kalibracja-cli batch ...\n  (not built yet)\n";

int RunBatch(const std::vector<std::string>&) { return UsageError("batch is not built yet"); }

}  // namespace kal::cli
