#include "cli/cli_common.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "core/calibration.h"
#include "core/numbers.h"

namespace kal::cli {

Arguments::Arguments(std::vector<std::string> args, std::vector<std::string_view> value_options,
                     std::vector<std::string_view> flag_options) {
  auto has = [](const std::vector<std::string_view>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // "-5" is a number (an error may be negative), not an option.
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      positionals_.push_back(arg);
      continue;
    }
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (has(value_options, name)) {
      if (eq != std::string::npos) {
        values_.emplace_back(name, arg.substr(eq + 1));
      } else if (i + 1 < args.size()) {
        values_.emplace_back(name, args[++i]);
      } else {
        problem_ = name + " needs a value";
        return;
      }
    } else if (has(flag_options, name) && eq == std::string::npos) {
      flags_.push_back(name);
    } else {
      problem_ = "unknown option " + arg;
      return;
    }
  }
}

std::optional<std::string> Arguments::Value(std::string_view option) const {
  std::optional<std::string> found;
  for (const auto& [name, value] : values_) {
    if (name == option) found = value;  // the last one given wins
  }
  return found;
}

bool Arguments::Flag(std::string_view option) const {
  return std::find(flags_.begin(), flags_.end(), option) != flags_.end();
}

int UsageError(std::string_view message) {
  std::cerr << "kalibracja-cli: " << message << "\n";
  return kExitUsage;
}

std::optional<Inputs> ReadInputs(std::string_view age_text, std::string_view error_text,
                                 std::string* problem) {
  const auto age = TextToInt(age_text);
  if (!age) {
    *problem = "the age \"" + std::string(age_text) + "\" is not an integer";
    return std::nullopt;
  }
  const auto error = TextToInt(error_text);
  if (!error) {
    *problem = "the error \"" + std::string(error_text) + "\" is not an integer";
    return std::nullopt;
  }
  const auto sigma = SigmaOf(*error);
  if (!sigma) {
    *problem = "the error is out of range";
    return std::nullopt;
  }
  if (auto why = InputProblem(*age, *sigma)) {
    *problem = *why;
    return std::nullopt;
  }
  return Inputs{*age, *error, *sigma};
}

std::optional<int32_t> ReadIntegerOption(const Arguments& args, std::string_view option,
                                         std::string* problem) {
  const auto text = args.Value(option);
  if (!text) return 0;
  const auto value = TextToInt(*text);
  if (!value) *problem = std::string(option) + " \"" + *text + "\" is not an integer";
  return value;
}

std::optional<ReservoirOffset> ReadReservoirOffset(const Arguments& args, std::string* problem) {
  const auto delta_r = ReadIntegerOption(args, "--delta-r", problem);
  if (!delta_r) return std::nullopt;
  const auto delta_r_error = ReadIntegerOption(args, "--delta-r-error", problem);
  if (!delta_r_error) return std::nullopt;
  if (*delta_r_error < 0) {
    *problem = "--delta-r-error must not be negative";
    return std::nullopt;
  }
  const bool given =
      args.Value("--delta-r").has_value() || args.Value("--delta-r-error").has_value();
  return ReservoirOffset{*delta_r, *delta_r_error, given};
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace kal::cli
