#include "cli/cli_common.h"
#include "cli/commands.h"

namespace kal::cli {

const std::string_view kListingUsage = "kalibracja-cli listing ...\n  (not built yet)\n";

int RunListing(const std::vector<std::string>&) { return UsageError("listing is not built yet"); }

}  // namespace kal::cli
