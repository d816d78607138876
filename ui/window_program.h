// The window program's entry: kalibracja [--curve intcal20|shcal20|marine20|PATH]
// [--help]. The curve is chosen and loaded before the window opens; one that
// cannot be used is reported in the error box and the program ends with
// status 2, without a window.
#ifndef KAL_UI_WINDOW_PROGRAM_H_
#define KAL_UI_WINDOW_PROGRAM_H_

#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "data/curves.h"

namespace kal::ui {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;  // bad arguments or an unusable curve

struct WindowOptions {
  std::string curve = "intcal20";
  bool help = false;
};

// The arguments after the program name; "--curve KEY", "--curve=KEY",
// "--help" and "-h".
Result<WindowOptions> ParseWindowOptions(const std::vector<std::string>& args);

// The help text, with the curves and their references.
std::string WindowHelp();

// The curve of the option, or nullopt after the error box has said why not.
std::optional<LoadedCurve> OpenCurveOrReport(const std::string& key_or_path);

// The whole program: options, curve, window, message loop; the exit status.
int RunWindowProgram(int argc, char** argv);

}  // namespace kal::ui

#endif  // KAL_UI_WINDOW_PROGRAM_H_
