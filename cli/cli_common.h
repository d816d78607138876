// What the command-line commands share: reading their arguments the way the
// window reads its input boxes, and the curve option.
#ifndef KAL_CLI_CLI_COMMON_H_
#define KAL_CLI_CLI_COMMON_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kal::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the command ran but something failed
inline constexpr int kExitUsage = 2;   // bad arguments or an unusable input

// Arguments after the command word, split into positionals and --options.
// An option that takes a value takes the next argument ("--curve shcal20") or
// the part after "=" ("--curve=shcal20").
class Arguments {
 public:
  Arguments(std::vector<std::string> args, std::vector<std::string_view> value_options,
            std::vector<std::string_view> flag_options);
  // Empty when the arguments fit the options; otherwise what is wrong.
  const std::string& problem() const { return problem_; }
  const std::vector<std::string>& positionals() const { return positionals_; }
  std::optional<std::string> Value(std::string_view option) const;
  bool Flag(std::string_view option) const;

 private:
  std::vector<std::string> positionals_;
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> flags_;
  std::string problem_;
};

// Prints "kalibracja-cli: MESSAGE" on stderr and returns kExitUsage.
int UsageError(std::string_view message);

// The age and working width of AGE and ERROR as the window reads its texts,
// or the message that refuses them.
struct Inputs {
  int32_t age = 0;
  int32_t error = 0;
  int32_t sigma = 0;
};
std::optional<Inputs> ReadInputs(std::string_view age_text, std::string_view error_text,
                                 std::string* problem);

// An option's integer, read as AGE and ERROR are; 0 when the option is not
// given, nullopt (with *problem set) when its value is no integer.
std::optional<int32_t> ReadIntegerOption(const Arguments& args, std::string_view option,
                                         std::string* problem);

// The reservoir offset of --delta-r R --delta-r-error E (0 when not given),
// or nullopt with *problem set when a value is no integer or E is negative.
struct ReservoirOffset {
  int32_t delta_r = 0;
  int32_t delta_r_error = 0;
  bool given = false;
};
std::optional<ReservoirOffset> ReadReservoirOffset(const Arguments& args, std::string* problem);

// JSON string literal of text (quotes included).
std::string JsonString(std::string_view text);

}  // namespace kal::cli

#endif  // KAL_CLI_CLI_COMMON_H_
