#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/batch_engine.h"
#include "cli/batch_method.h"
#include "cli/cli_common.h"
#include "cli/commands.h"
#include "core/numbers.h"
#include "data/curves.h"

namespace kal::cli {

const std::string_view kBatchUsage =
    "kalibracja-cli batch [FILE|-] [--curve CURVE] [--format csv|json] [--jobs N]\n"
    "                     [--age-col NAME] [--error-col NAME] [--id-col NAME]\n"
    "                     [--method spec|standard] [--delta-r R --delta-r-error E]\n"
    "  Calibrates a list of dates: reads CSV from FILE (standard input when FILE is \"-\"\n"
    "  or missing) and writes one row per input row, in input order, to standard output.\n"
    "  The first line names the columns; fields are separated by commas, semicolons or\n"
    "  tabs (whichever that line uses most) and may be quoted; UTF-8, CR LF or LF.\n"
    "  Columns are found by name, whatever the letter case: the age among age, c14age,\n"
    "  c14_age, cra, bp, \"14c age\"; the error among error, err, sd, std, c14std, c14_sd,\n"
    "  sigma; an optional id among id, labnr, lab_id, labcode, sample, name. Age and\n"
    "  error are read as the window reads its boxes. Output columns: id (when the list\n"
    "  has one), age, error, range_first, range_last, lower, upper, text (the 95% range\n"
    "  as calibrate prints it) and error_message, empty when the row calibrated. A row\n"
    "  that cannot be calibrated gets its message and the list goes on.\n"
    "  --curve CURVE     intcal20 (default), shcal20, marine20 or the path of a .14c file\n"
    "  --format FORMAT   csv (default, with a header line) or json (one object per line)\n"
    "  --jobs N          calibrating threads, 1 to 256 (default 1); the output is the same\n"
    "                    for every N\n"
    "  --age-col NAME    the age column's name, instead of looking for the usual ones\n"
    "  --error-col NAME  the error column's name\n"
    "  --id-col NAME     the id column's name\n"
    "  --method METHOD   spec (default: the window's method, the columns above) or\n"
    "                    standard (the curve's own sigma too): the columns median,\n"
    "                    hpd68 and hpd95 instead of range_first .. text, each range\n"
    "                    as \"788BC - 464BC 93.7%, 434BC - 421BC 1.7%\"\n"
    "  --delta-r R, --delta-r-error E\n"
    "                    with the standard method: a reservoir offset for every row\n"
    "  Exit status: 0 every row calibrated, 1 some row did not (see error_message),\n"
    "  2 bad arguments, an unreadable input or a header without age or error column.\n";

namespace {

constexpr int kMaxJobs = 256;

// Input from a file or standard input, with the system's word on a failure.
class FileSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  std::ptrdiff_t Read(char* buffer, std::size_t capacity) {
    const std::size_t n = std::fread(buffer, 1, capacity, file_);
    if (n == 0 && std::ferror(file_)) {
      problem_ = std::strerror(errno);
      return -1;
    }
    return static_cast<std::ptrdiff_t>(n);
  }
  const std::string& problem() const { return problem_; }

 private:
  std::FILE* file_;
  std::string problem_;
};

}  // namespace

int RunBatch(const std::vector<std::string>& raw) {
  const Arguments args(raw,
                       {"--curve", "--format", "--jobs", "--age-col", "--error-col", "--id-col",
                        "--method", "--delta-r", "--delta-r-error"},
                       {});
  if (!args.problem().empty()) return UsageError(args.problem());
  if (args.positionals().size() > 1) return UsageError("batch reads one list (FILE or -)");

  BatchOptions options;
  const std::string format = args.Value("--format").value_or("csv");
  if (format == "csv") {
    options.format = BatchFormat::kCsv;
  } else if (format == "json") {
    options.format = BatchFormat::kJsonLines;
  } else {
    return UsageError("--format takes csv or json, not \"" + format + "\"");
  }
  if (const auto jobs_text = args.Value("--jobs")) {
    const auto jobs = StrictDecimal(*jobs_text);
    if (!jobs || *jobs < 1 || *jobs > kMaxJobs) {
      return UsageError("--jobs takes a whole number from 1 to " + std::to_string(kMaxJobs));
    }
    options.jobs = *jobs;
  }
  options.age_column = args.Value("--age-col");
  options.error_column = args.Value("--error-col");
  options.id_column = args.Value("--id-col");

  const std::string method_name = args.Value("--method").value_or("spec");
  if (method_name != "spec" && method_name != "standard") {
    return UsageError("--method takes spec or standard, not \"" + method_name + "\"");
  }
  const bool standard = method_name == "standard";
  std::string problem;
  const auto offset = ReadReservoirOffset(args, &problem);
  if (!offset) return UsageError(problem);
  if (!standard && offset->given) return UsageError("--delta-r goes with --method standard");

  // Only the curve the method reads is loaded.
  std::optional<LoadedCurve> curve;
  std::optional<LoadedAnnualCurve> annual;
  const std::string curve_key = args.Value("--curve").value_or("intcal20");
  if (standard) {
    auto loaded = ResolveAnnualCurve(curve_key);
    if (!loaded) return UsageError(loaded.error());
    annual.emplace(std::move(loaded).value());
  } else {
    auto loaded = ResolveCurve(curve_key);
    if (!loaded) return UsageError(loaded.error());
    curve.emplace(std::move(loaded).value());
  }

  const std::string path = args.positionals().empty() ? "-" : args.positionals()[0];
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> opened(nullptr, std::fclose);
  std::FILE* input = stdin;
  if (path != "-") {
    opened.reset(std::fopen(path.c_str(), "rb"));
    if (!opened) return UsageError("cannot open " + path + ": " + std::strerror(errno));
    input = opened.get();
  }
  FileSource file(input);
  const ByteSource source = [&file](char* buffer, std::size_t capacity) {
    return file.Read(buffer, capacity);
  };
  const ByteSink sink = [](std::string_view bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  };

  const auto method = standard
                          ? StandardMethod(annual->curve, offset->delta_r, offset->delta_r_error)
                          : WindowMethod(curve->table);
  BatchOutcome outcome = RunBatchList(source, sink, *method, options);
  if (std::fflush(stdout) != 0 && outcome.status == kExitOk) {
    outcome.status = kExitFailed;
    outcome.message = "writing the output failed";
  }
  if (!file.problem().empty()) outcome.message += ": " + file.problem();
  if (outcome.status != kExitOk) {
    std::cerr << "kalibracja-cli: " << (path == "-" ? "" : path + ": ") << outcome.message << "\n";
  }
  return outcome.status;
}

}  // namespace kal::cli
