#include "cli/batch_engine.h"

#include <array>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "cli/cli_common.h"
#include "core/numbers.h"

namespace kal::cli {
namespace {

// The names lists use for these columns, the likelier first.
constexpr std::array<std::string_view, 6> kAgeNames = {"age", "c14age", "c14_age",
                                                       "cra", "bp",     "14c age"};
constexpr std::array<std::string_view, 7> kErrorNames = {"error",  "err",    "sd",   "std",
                                                         "c14std", "c14_sd", "sigma"};
constexpr std::array<std::string_view, 6> kIdNames = {"id",      "labnr",  "lab_id",
                                                      "labcode", "sample", "name"};

// A block ends at whichever limit comes first.
constexpr std::size_t kBlockRows = 4096;
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// Texts of user input quoted in a message are cut to this many bytes.
constexpr std::size_t kQuotedTextBytes = 60;

// Where one field's text lies in a block's arena.
struct Slice {
  uint32_t begin = 0;
  uint32_t size = 0;
};

struct Row {
  Slice id;
  Slice age;
  Slice error;
  bool has_age = false;
  bool has_error = false;
  bool too_long = false;
  bool unterminated = false;
};

struct Block {
  std::string arena;  // the texts of the rows' fields
  std::vector<Row> rows;
  std::string output;  // the rows' output lines, once calibrated
  uint64_t failed = 0;

  std::string_view Text(Slice slice) const {
    return std::string_view(arena).substr(slice.begin, slice.size);
  }
};

std::string JoinNames(std::span<const std::string_view> names) {
  std::string text;
  for (std::string_view name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}

// The column named by the user, or the first of the usual names the header
// holds, or none.
std::optional<std::size_t> FindColumn(const CsvRecord& header,
                                      const std::optional<std::string>& given,
                                      std::span<const std::string_view> usual) {
  auto find = [&](std::string_view name) -> std::optional<std::size_t> {
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (SameColumnName(header[i], name)) return i;
    }
    return std::nullopt;
  };
  if (given) return find(*given);
  for (std::string_view name : usual) {
    if (auto found = find(name)) return found;
  }
  return std::nullopt;
}

std::string QuotedForMessage(std::string_view text) {
  if (text.size() > kQuotedTextBytes) {
    std::size_t cut = kQuotedTextBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // UTF-8
    return "\"" + std::string(text.substr(0, cut)) + "...\"";
  }
  return "\"" + std::string(text) + "\"";
}

void AppendNumber(std::string& out, int64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// Fields with a comma, a quote or a line break are quoted, quotes doubled.
void AppendCsvText(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Writes the header and the rows, as CSV or as JSON lines. The columns are:
// the id when the list has one, age, error, the method's result columns and
// error_message. Age and error are the numbers read, or the texts as given
// when they are no numbers; a row that failed has no results.
class RowWriter {
 public:
  RowWriter(BatchFormat format, bool has_id, std::span<const std::string_view> results)
      : format_(format), has_id_(has_id) {
    if (has_id) names_.push_back("id");
    names_.push_back("age");
    names_.push_back("error");
    for (std::string_view name : results) names_.emplace_back(name);
    names_.push_back("error_message");
    for (const std::string& name : names_) json_keys_.push_back(JsonString(name) + ":");
  }

  void Header(std::string& out) const {
    if (format_ != BatchFormat::kCsv) return;
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (i > 0) out += ',';
      out += names_[i];
    }
    out += '\n';
  }

  // `results` is empty when the row failed; `message` empty when it did not.
  void Row(std::string& out, std::string_view id, const BatchValue& age, const BatchValue& error,
           std::span<const BatchValue> results, std::string_view message) const {
    const std::size_t result_count = names_.size() - (has_id_ ? 4 : 3);
    std::size_t column = 0;
    if (format_ == BatchFormat::kJsonLines) out += '{';
    if (has_id_) Field(out, column++, BatchValue{true, 0, id});
    Field(out, column++, age);
    Field(out, column++, error);
    for (std::size_t i = 0; i < result_count; ++i) {
      if (results.empty()) {
        Missing(out, column++);
      } else {
        Field(out, column++, results[i]);
      }
    }
    Field(out, column, BatchValue{true, 0, message});
    out += format_ == BatchFormat::kJsonLines ? "}\n" : "\n";
  }

 private:
  void Start(std::string& out, std::size_t column) const {
    if (format_ == BatchFormat::kCsv) {
      if (column > 0) out += ',';
    } else {
      if (column > 0) out += ',';
      out += json_keys_[column];
    }
  }

  void Field(std::string& out, std::size_t column, const BatchValue& value) const {
    Start(out, column);
    if (!value.is_text) {
      AppendNumber(out, value.number);
    } else if (format_ == BatchFormat::kCsv) {
      AppendCsvText(out, value.text);
    } else {
      out += JsonString(value.text);
    }
  }

  void Missing(std::string& out, std::size_t column) const {
    Start(out, column);
    if (format_ == BatchFormat::kJsonLines) out += "null";
  }

  BatchFormat format_;
  bool has_id_;
  std::vector<std::string> names_;
  std::vector<std::string> json_keys_;
};

// Reads records into blocks, keeping only the fields the batch uses.
class BlockFiller {
 public:
  BlockFiller(CsvReader& reader, const BatchColumns& columns)
      : reader_(reader), columns_(columns) {}

  // The next rows; false when none was left.
  bool Fill(Block& block) {
    block.arena.clear();
    block.rows.clear();
    while (block.rows.size() < kBlockRows && block.arena.size() < kBlockBytes &&
           reader_.Next(record_)) {
      Row row;
      row.too_long = record_.too_long();
      row.unterminated = record_.unterminated();
      row.has_age = Take(block, columns_.age, row.age);
      row.has_error = Take(block, columns_.error, row.error);
      if (columns_.id) Take(block, *columns_.id, row.id);
      block.rows.push_back(row);
    }
    return !block.rows.empty();
  }

 private:
  bool Take(Block& block, std::size_t column, Slice& slice) {
    if (column >= record_.size()) return false;
    const std::string_view text = record_[column];
    slice = Slice{static_cast<uint32_t>(block.arena.size()), static_cast<uint32_t>(text.size())};
    block.arena += text;
    return true;
  }

  CsvReader& reader_;
  BatchColumns columns_;
  CsvRecord record_;
};

// The age or error as the output shows it: the number read, or the text.
BatchValue ReadField(std::string_view text, std::optional<int32_t> number) {
  return number ? BatchValue{false, *number, {}} : BatchValue{true, 0, text};
}

// Calibrates every row of a block and writes its output lines.
class BlockCalibrator {
 public:
  BlockCalibrator(const BatchMethod& method, const RowWriter& writer)
      : calculator_(method.NewCalculator()),
        writer_(writer),
        values_(method.ResultColumns().size()) {}

  void Calibrate(Block& block) {
    block.output.clear();
    block.failed = 0;
    for (const Row& row : block.rows) {
      const std::string_view age_text = block.Text(row.age);
      const std::string_view error_text = block.Text(row.error);
      const std::optional<int32_t> age = row.has_age ? TextToInt(age_text) : std::nullopt;
      const std::optional<int32_t> error = row.has_error ? TextToInt(error_text) : std::nullopt;
      problem_.clear();
      if (row.too_long) {
        problem_ = "the row is longer than " + std::to_string(CsvReader::kMaxRecordBytes) +
                   " bytes; its fields were cut";
      } else if (row.unterminated) {
        problem_ = "the row ends inside a quoted field (a closing quote is missing)";
      } else if (!row.has_age) {
        problem_ = "the row has no age field";
      } else if (!row.has_error) {
        problem_ = "the row has no error field";
      } else if (!age) {
        problem_ = "the age " + QuotedForMessage(age_text) + " is not an integer";
      } else if (!error) {
        problem_ = "the error " + QuotedForMessage(error_text) + " is not an integer";
      } else if (!calculator_->Calculate(*age, *error, values_, &problem_) && problem_.empty()) {
        problem_ = "the row could not be calibrated";
      }
      const bool ok = problem_.empty();
      block.failed += !ok;
      writer_.Row(
          block.output, block.Text(row.id), ReadField(age_text, age), ReadField(error_text, error),
          ok ? std::span<const BatchValue>(values_) : std::span<const BatchValue>(), problem_);
    }
  }

 private:
  std::unique_ptr<BatchCalculator> calculator_;
  const RowWriter& writer_;
  std::vector<BatchValue> values_;
  std::string problem_;
};

// The pipeline for several workers: the calling thread reads blocks, the
// workers calibrate them, a writer thread writes them in the order read.
// Block s lives in slot s % slots.size(); the reader takes a slot only once
// the writer has written the block before it there, which bounds the blocks
// in flight and keeps the order without any sorting.
class Pipeline {
 public:
  Pipeline(BlockFiller& filler, const BatchMethod& method, const RowWriter& writer,
           const ByteSink& sink, int jobs)
      : filler_(filler), sink_(sink), slots_(2 * static_cast<std::size_t>(jobs) + 2) {
    for (int i = 0; i < jobs; ++i) calibrators_.emplace_back(method, writer);
  }

  // Rows, failed rows, and whether every write succeeded.
  void Run(uint64_t& rows, uint64_t& failed, bool& written) {
    std::vector<std::thread> threads;
    for (BlockCalibrator& calibrator : calibrators_) {
      threads.emplace_back([this, &calibrator] { Work(calibrator); });
    }
    std::thread writer([this] { Write(); });
    Read();
    for (std::thread& thread : threads) thread.join();
    writer.join();
    rows = rows_;
    failed = failed_;
    written = !write_failed_;
  }

 private:
  struct Slot {
    Block block;
    bool calibrated = false;
  };

  Slot& SlotOf(uint64_t sequence) { return slots_[sequence % slots_.size()]; }

  void Read() {
    for (uint64_t sequence = 0;; ++sequence) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return sequence < written_ + slots_.size() || write_failed_; });
        if (write_failed_) break;
      }
      Slot& slot = SlotOf(sequence);  // no other thread touches it now
      if (!filler_.Fill(slot.block)) break;
      std::lock_guard lock(mutex_);
      queue_.push_back(sequence);
      read_ = sequence + 1;
      changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    reading_done_ = true;
    changed_.notify_all();
  }

  void Work(BlockCalibrator& calibrator) {
    for (;;) {
      uint64_t sequence;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return next_queued_ < queue_.size() || reading_done_; });
        if (next_queued_ == queue_.size()) return;
        sequence = queue_[next_queued_++];
        if (next_queued_ == queue_.size()) {
          queue_.clear();
          next_queued_ = 0;
        }
      }
      Slot& slot = SlotOf(sequence);
      calibrator.Calibrate(slot.block);
      std::lock_guard lock(mutex_);
      slot.calibrated = true;
      changed_.notify_all();
    }
  }

  void Write() {
    for (;;) {
      Slot* slot;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
          return SlotOf(written_).calibrated || (reading_done_ && written_ == read_);
        });
        if (!SlotOf(written_).calibrated) return;
        slot = &SlotOf(written_);
      }
      rows_ += slot->block.rows.size();
      failed_ += slot->block.failed;
      const bool ok = write_failed_ || sink_(slot->block.output);
      std::lock_guard lock(mutex_);
      write_failed_ = write_failed_ || !ok;
      slot->calibrated = false;
      ++written_;
      changed_.notify_all();
    }
  }

  BlockFiller& filler_;
  const ByteSink& sink_;
  std::vector<Slot> slots_;
  std::vector<BlockCalibrator> calibrators_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint64_t> queue_;  // blocks read and not yet taken by a worker
  std::size_t next_queued_ = 0;
  uint64_t read_ = 0;     // blocks read
  uint64_t written_ = 0;  // blocks written (or dropped after a failed write)
  bool reading_done_ = false;
  bool write_failed_ = false;
  uint64_t rows_ = 0;  // the writer's alone
  uint64_t failed_ = 0;
};

}  // namespace

Result<BatchColumns> FindColumns(const CsvRecord& header, const BatchOptions& options) {
  BatchColumns columns;
  const auto age = FindColumn(header, options.age_column, kAgeNames);
  if (!age) {
    if (options.age_column) {
      return Error{"the header has no column named \"" + *options.age_column + "\""};
    }
    return Error{"the header has no age column (looked for " + JoinNames(kAgeNames) +
                 "; name it with --age-col)"};
  }
  const auto error = FindColumn(header, options.error_column, kErrorNames);
  if (!error) {
    if (options.error_column) {
      return Error{"the header has no column named \"" + *options.error_column + "\""};
    }
    return Error{"the header has no error column (looked for " + JoinNames(kErrorNames) +
                 "; name it with --error-col)"};
  }
  columns.age = *age;
  columns.error = *error;
  columns.id = FindColumn(header, options.id_column, kIdNames);
  if (options.id_column && !columns.id) {
    return Error{"the header has no column named \"" + *options.id_column + "\""};
  }
  return columns;
}

BatchOutcome RunBatchList(const ByteSource& source, const ByteSink& sink, const BatchMethod& method,
                          const BatchOptions& options) {
  BatchOutcome outcome;
  CsvReader reader(source);
  CsvRecord header;
  if (!reader.Next(header)) {
    outcome.status = kExitUsage;
    outcome.message =
        reader.failed() ? "the input could not be read" : "the input is empty: no header line";
    return outcome;
  }
  const auto columns = FindColumns(header, options);
  if (!columns) {
    outcome.status = kExitUsage;
    outcome.message = columns.error();
    return outcome;
  }
  const RowWriter writer(options.format, columns->id.has_value(), method.ResultColumns());
  BlockFiller filler(reader, *columns);

  std::string head;
  writer.Header(head);
  bool written = head.empty() || sink(head);
  if (written && options.jobs <= 1) {
    BlockCalibrator calibrator(method, writer);
    Block block;
    while (written && filler.Fill(block)) {
      calibrator.Calibrate(block);
      outcome.rows += block.rows.size();
      outcome.failed_rows += block.failed;
      written = sink(block.output);
    }
  } else if (written) {
    Pipeline(filler, method, writer, sink, options.jobs)
        .Run(outcome.rows, outcome.failed_rows, written);
  }

  if (reader.failed()) {
    outcome.status = kExitUsage;
    outcome.message = "reading the input failed after " + std::to_string(outcome.rows) + " rows";
  } else if (!written) {
    outcome.status = kExitFailed;
    outcome.message = "writing the output failed";
  } else if (outcome.failed_rows > 0) {
    outcome.status = kExitFailed;
    outcome.message = std::to_string(outcome.failed_rows) + " of " + std::to_string(outcome.rows) +
                      " rows could not be calibrated";
  }
  return outcome;
}

}  // namespace kal::cli
