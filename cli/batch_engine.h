// Calibrating a date list: the rows of a CSV list in, one output row per
// input row out, in input order whatever the number of worker threads. A bad
// row never stops the list: it gets its message in its own output row.
//
// Rows travel in blocks of bounded size; at most a few blocks per worker are
// in flight at a time, so memory stays flat however long the list is.
#ifndef KAL_CLI_BATCH_ENGINE_H_
#define KAL_CLI_BATCH_ENGINE_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/batch_csv.h"
#include "cli/batch_method.h"
#include "core/result.h"

namespace kal::cli {

enum class BatchFormat { kCsv, kJsonLines };

struct BatchOptions {
  BatchFormat format = BatchFormat::kCsv;
  int jobs = 1;  // worker threads; 1 calculates on the calling thread
  // Column names given by the user; otherwise the usual names are looked for.
  std::optional<std::string> age_column;
  std::optional<std::string> error_column;
  std::optional<std::string> id_column;
};

// Where the columns the batch reads stand in a row.
struct BatchColumns {
  std::size_t age = 0;
  std::size_t error = 0;
  std::optional<std::size_t> id;
};

// The columns of a header line, or the message that says which is missing.
Result<BatchColumns> FindColumns(const CsvRecord& header, const BatchOptions& options);

// Takes output bytes; false when writing failed.
using ByteSink = std::function<bool(std::string_view bytes)>;

struct BatchOutcome {
  // kExitOk: every row calibrated; kExitFailed: some row did not, or the
  // output could not be written; kExitUsage: no usable header, or the input
  // could not be read.
  int status = 0;
  std::string message;  // for the user when status is not kExitOk
  uint64_t rows = 0;
  uint64_t failed_rows = 0;
};

BatchOutcome RunBatchList(const ByteSource& source, const ByteSink& sink, const BatchMethod& method,
                          const BatchOptions& options);

}  // namespace kal::cli

#endif  // KAL_CLI_BATCH_ENGINE_H_
